// A journal's files as they lie on the disk, whoever recorded them: its
// folder's base, its checked contents and the left-overs of one that went.
// The recorder (journal_recorder.cpp), the journal's end (file_journal.cpp)
// and the undo (journal_undo.cpp) all build on these; none of them calls up.
#include "journal_store.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "env.h"
#include "journal_paths.h"
#include "journal_saved.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

bool FailDamaged(const char* operation, const std::string& journalDir, const std::string& why) {
    return Fail(Z_ERROR_DAMAGED, "%s: the file journal %s is damaged: %s", operation,
                JournalFilePath(journalDir).c_str(), why.c_str());
}

// What a journal leaves once JOURNAL has gone: its SAVED files, the name it
// was set aside under, the work name its header was written under.
bool IsLeftOverName(const std::string& name) {
    uint64_t copy = 0;
    return ParseSavedName(name, &copy) || name == std::string(kJournalFileName) + kJournalGoneSuffix ||
           name == std::string(kJournalFileName) + kJournalWorkSuffix;
}

// The undo's work names beside a recorded file hold at most a file or a
// link it left there, which it removes as a name; a folder is no work of
// its own.
bool WorkNamesHoldNoFolder(const char* operation, const std::string& journalDir, const std::string& path) {
    for (const char* suffix : kUndoWorkSuffixes) {
        const std::string name = path + suffix;
        FileFacts facts;
        Problem problem;
        if (!PlatformFacts(name.c_str(), LastName::Itself, facts, problem)) {
            return FailProblem(operation, "reach", name.c_str(), problem);
        }
        if (facts.kind == FileKind::Directory) {
            return FailDamaged(operation, journalDir, "a folder is at " + name + ", a work name of the undo");
        }
    }
    return true;
}

// Every place the journal names is reached now as the undo will reach it
// (a link on the way only where the link rule allows it), and holds what the
// undo can put back: where a file was kept whole, its folder and a file or
// nothing under its name; where only pages of a file were saved, that file.
// The run never leaves anything else there, so anything else means that the
// home or the record was changed by hand; the journal is then refused before
// its first file goes back, rather than obeyed up to the line that fails.
bool CheckRecordedPlaces(const char* operation, const std::string& journalDir, const LexicalPath& base,
                         const JournalContents& contents) {
    // A path's last entry says what the undo does first with it: pages only
    // where no whole file follows them.
    std::map<std::string, size_t> last;
    for (size_t index = 0; index < contents.entries.size(); ++index) last[contents.entries[index].path] = index;
    for (size_t index = 0; index < contents.entries.size(); ++index) {
        const JournalEntry& entry = contents.entries[index];
        const std::string& relative = entry.path;
        if (last[relative] != index) continue;
        const bool created = entry.kind == EntryKind::Created;
        const std::string path = Absolute(base, relative);
        FileFacts facts;
        Problem problem;
        if (!PlatformFacts(path.c_str(), created ? LastName::Itself : LastName::Follow, facts, problem)) {
            return FailProblem(operation, "reach", path.c_str(), problem);
        }
        if (!WorkNamesHoldNoFolder(operation, journalDir, path)) return false;
        if (created) continue;
        const std::string line = "line " + std::to_string(index + 2) +
                                 (entry.kind == EntryKind::Page ? " saved pages of the file " : " saved the file ") +
                                 relative;
        const bool pagesOnly = entry.kind == EntryKind::Page;
        if (facts.kind != FileKind::Regular && (pagesOnly || facts.kind != FileKind::Missing)) {
            return FailDamaged(
                operation, journalDir,
                line + ", and " + (facts.kind == FileKind::Directory ? "a folder" : "no file") + " is there now");
        }
        const size_t slash = relative.rfind('/');
        if (slash == std::string::npos) continue;
        const std::string folder = Absolute(base, relative.substr(0, slash));
        if (!PlatformFacts(folder.c_str(), LastName::Follow, facts, problem)) {
            return FailProblem(operation, "reach", folder.c_str(), problem);
        }
        if (facts.kind != FileKind::Directory)
            return FailDamaged(operation, journalDir, line + ", and its folder is gone");
    }
    return true;
}

}  // namespace

bool JournalBase(const char* operation, const char* baseDir, LexicalPath& base) {
    if (RejectEmptyPath(operation, baseDir)) return false;
    if (!MakeLexical(baseDir, base)) return Fail(Z_ERROR_IO, "%s: the current directory cannot be read", operation);
    return true;
}

bool LoadJournal(const char* operation, const std::string& journalDir, const LexicalPath& base, bool saved,
                 JournalContents& contents) {
    std::string why;
    Problem problem;
    std::string own;
    if (!RelativeTo(base, journalDir, own)) own.clear();
    JournalCheck check = ReadJournal(journalDir, own, contents, why, problem);
    if (check == JournalCheck::Whole && saved) check = CheckSavedFiles(journalDir, base, contents, why, problem);
    switch (check) {
        case JournalCheck::Whole: return !saved || CheckRecordedPlaces(operation, journalDir, base, contents);
        case JournalCheck::Damaged: return FailDamaged(operation, journalDir, why);
        case JournalCheck::NotOwn:
            return FailProblem(operation, "trust the file journal in", journalDir.c_str(), problem);
        case JournalCheck::Unreadable: break;
    }
    return FailProblem(operation, "read the file journal in", journalDir.c_str(), problem);
}

// Without JOURNAL the SAVED files and the rest are left-overs: they go as
// names, and their folder is not flushed for them. A power cut that brings
// them back brings back left-overs, which the next opening or removal of a
// journal there takes away again; a journal opened there flushes the folder
// with its own name.
bool RemoveLeftOvers(const char* operation, const std::string& directory, bool keepGone) {
    std::vector<DirectoryEntry> entries;
    Problem problem;
    FileFacts facts;
    if (!PlatformFacts(directory.c_str(), LastName::Itself, facts, problem)) {
        return FailProblem(operation, "list", directory.c_str(), problem);
    }
    if (facts.kind == FileKind::Missing) return true;
    if (!PlatformListDirectory(directory.c_str(), entries, problem)) {
        return FailProblem(operation, "list", directory.c_str(), problem);
    }
    for (const DirectoryEntry& entry : entries) {
        if (!IsLeftOverName(entry.name) || entry.kind == FileKind::Directory) continue;
        if (keepGone && entry.name == std::string(kJournalFileName) + kJournalGoneSuffix) continue;
        const std::string path = JoinName(directory, entry.name);
        if (Status removed = Files().Remove(path); !removed.ok() && !removed.IsNotFound()) {
            return FailStatus(operation, "remove", path, removed);
        }
    }
    return true;
}

}  // namespace zel::toolkit
