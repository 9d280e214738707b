// The file journal once it stops recording: its checks, its flush and its
// removal. The record's form is in journal_record.cpp, the recording in
// journal_recorder.cpp, the undo in journal_undo.cpp.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fault_table.h"
#include "env.h"
#include "journal_internal.h"
#include "journal_paths.h"
#include "journal_saved.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

// The journal folder whose recorded files were flushed by
// Z_FlushFileJournal in this process: discarding it needs no second flush.
std::string& FlushedJournal() {
    static std::string flushed;
    return flushed;
}

bool FailDamaged(const char* operation, const std::string& journalDir, const std::string& why) {
    return Fail(Z_ERROR_DAMAGED, "%s: the file journal %s is damaged: %s", operation,
                JournalFilePath(journalDir).c_str(), why.c_str());
}

constexpr const char* kGoneSuffix = ".GONE";
constexpr const char* kWorkSuffix = ".NEW";

// What a journal leaves once JOURNAL has gone: its SAVED files, the name it
// was set aside under, the work name its header was written under.
bool IsLeftOverName(const std::string& name) {
    uint64_t copy = 0;
    return ParseSavedName(name, &copy) || name == std::string(kJournalFileName) + kGoneSuffix ||
           name == std::string(kJournalFileName) + kWorkSuffix;
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
            return FailDamaged(operation, journalDir,
                               line + ", and " +
                                   (facts.kind == FileKind::Directory ? "a folder" : "no file") +
                                   " is there now");
        }
        const size_t slash = relative.rfind('/');
        if (slash == std::string::npos) continue;
        const std::string folder = Absolute(base, relative.substr(0, slash));
        if (!PlatformFacts(folder.c_str(), LastName::Follow, facts, problem)) {
            return FailProblem(operation, "reach", folder.c_str(), problem);
        }
        if (facts.kind != FileKind::Directory) return FailDamaged(operation, journalDir, line + ", and its folder is gone");
    }
    return true;
}

bool FlushFile(const char* operation, const std::string& path) {
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path.c_str(), LastName::Follow, facts, problem)) {
        return FailProblem(operation, "flush", path.c_str(), problem);
    }
    if (facts.kind != FileKind::Regular) return true;
    if (!PlatformFlushFile(path.c_str(), problem)) return FailProblem(operation, "flush", path.c_str(), problem);
    return true;
}

// Every change the journal protected reaches the disk before the journal
// that could put it back goes: its own lines first (a file they say was
// made is then never left unnamed by a crash), the files changed in place,
// and the folders of every name it recorded, each once. A file that took
// its name by a move was flushed before the move.
bool FlushRecordedFiles(const char* operation, const std::string& journalDir, const LexicalPath& base) {
    JournalContents contents;
    if (!LoadJournal(operation, journalDir, base, false, contents)) return false;
    if (!FlushFile(operation, JournalFilePath(journalDir))) return false;
    const ClosedJournal* closed = ClosedJournalOf(journalDir);
    std::set<std::string> files;
    std::set<std::string> folders;
    std::set<std::string> named;
    for (const JournalEntry& entry : contents.entries) named.insert(entry.path);
    for (const std::string& relative : named) {
        const std::string path = Absolute(base, relative);
        // Another process's journal: every file it names, as far as it
        // goes, and their folders. This process's own owes the flushes of
        // the folders it changed (below).
        if (closed != nullptr) continue;
        files.insert(path);
        folders.insert(SplitLast(PlatformResolvedPath(path.c_str())).folder);
    }
    if (closed != nullptr) files = closed->written;
    for (const std::string& path : files) {
        if (!FlushFile(operation, path)) return false;
    }
    // The folders whose flushes waited for the journal, in the order of
    // their first change.
    if (Status flushed = Env::Get().Durable().FlushOwed(); !flushed.ok()) {
        return FailStatus(operation, "flush the folder", flushed.path(), flushed);
    }
    for (const std::string& folder : folders) {
        Problem problem;
        FileFacts facts;
        // A folder the run made and removed again holds nothing to flush.
        if (!PlatformFacts(folder.c_str(), LastName::Follow, facts, problem) || facts.kind != FileKind::Directory) {
            continue;
        }
        if (!PlatformFlushDirectory(folder.c_str(), problem)) {
            return FailProblem(operation, "flush the folder", folder.c_str(), problem);
        }
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
        case JournalCheck::NotOwn: return FailProblem(operation, "trust the file journal in", journalDir.c_str(), problem);
        case JournalCheck::Unreadable: break;
    }
    return FailProblem(operation, "read the file journal in", journalDir.c_str(), problem);
}

// Without JOURNAL the SAVED files and the rest are left-overs: they go as
// names, their folder flushed once for all of them.
bool RemoveLeftOvers(const char* operation, const std::string& directory) {
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
    DurableLayer& durable = Env::Get().Durable();
    durable.BeginBatch();
    bool removed = true;
    std::string failed;
    for (const DirectoryEntry& entry : entries) {
        if (!IsLeftOverName(entry.name) || entry.kind == FileKind::Directory) continue;
        failed = JoinName(directory, entry.name);
        removed = PlatformDeleteFile(failed.c_str(), problem);
        if (!removed) break;
    }
    if (Status flushed = durable.EndBatch(); !flushed.ok() && removed) {
        return FailStatus(operation, "flush the folder", flushed.path(), flushed);
    }
    return removed || FailProblem(operation, "remove", failed.c_str(), problem);
}

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_HasFileJournal(const char* journalDir) {
    const EntryPoint call("Z_HasFileJournal", false);
    if (journalDir == nullptr || journalDir[0] == '\0') return 0;
    const std::string path = JournalFilePath(journalDir);
    FileFacts facts;
    Problem problem;
    if (PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) return facts.kind != FileKind::Missing ? 1 : 0;
    if (problem.code == Z_ERROR_NOT_FOUND) return 0;
    FailProblem("Z_HasFileJournal", "look at", path.c_str(), problem);
    return -1;
}

int Z_CheckFileJournal(const char* journalDir, const char* baseDir) {
    const EntryPoint call("Z_CheckFileJournal", false);
    if (RejectEmptyPath("Z_CheckFileJournal", journalDir)) return 0;
    LexicalPath base;
    if (!JournalBase("Z_CheckFileJournal", baseDir, base)) return 0;
    JournalContents contents;
    if (!LoadJournal("Z_CheckFileJournal", journalDir, base, true, contents)) return 0;
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(baseDir, LastName::Follow, facts, problem)) {
        return FailProblem("Z_CheckFileJournal", "open", baseDir, problem);
    }
    if (facts.volume != contents.volume || facts.index != contents.index) return 2;
    return contents.cutAt != 0 ? 3 : 1;
}

int Z_FlushFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_FlushFileJournal", journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_FlushFileJournal: the journal is still open");
    LexicalPath base;
    if (!JournalBase("Z_FlushFileJournal", baseDir, base)) return 0;
    const EntryPoint call("Z_FlushFileJournal");
    if (call.Failed()) return 0;
    if (!FlushRecordedFiles("Z_FlushFileJournal", journalDir, base)) return 0;
    FlushedJournal() = journalDir;
    return 1;
}

int Z_DiscardFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_DiscardFileJournal", journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DiscardFileJournal: the journal is still open");
    LexicalPath base;
    if (!JournalBase("Z_DiscardFileJournal", baseDir, base)) return 0;
    const EntryPoint call("Z_DiscardFileJournal");
    if (call.Failed()) return 0;
    // Without its JOURNAL, what is left are copies nothing will put back.
    if (FlushedJournal() != journalDir) {
        const int has = Z_HasFileJournal(journalDir);
        if (has < 0 || (has > 0 && !FlushRecordedFiles("Z_DiscardFileJournal", journalDir, base))) return 0;
    }
    FlushedJournal().clear();
    ForgetClosedJournal();
    return Z_RemoveFileJournal(journalDir);
}

int Z_RemoveFileJournal(const char* journalDir) {
    const EntryPoint call("Z_RemoveFileJournal", false);
    if (RejectEmptyPath("Z_RemoveFileJournal", journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_RemoveFileJournal: the journal is still open");
    // The journal goes in one step, its name set aside: until that step it
    // is whole, and a failure leaves it for the put-back and the next run;
    // after it the journal is gone, and the saved copies and the name it
    // was set aside under are only left-overs, which go here as far as they
    // can, and otherwise with the next journal's opening or removal. Were
    // the name removed first and the copies then failed, a put-back would
    // find no journal and take the changes it protected for undone.
    const std::string path = JournalFilePath(journalDir);
    const std::string gone = path + kGoneSuffix;
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) {
        return FailProblem("Z_RemoveFileJournal", "remove", path.c_str(), problem);
    }
    // A folder under the name is no journal this program wrote; it fails
    // as its removal does.
    if (facts.kind == FileKind::Directory && !PlatformDeleteFile(path.c_str(), problem)) {
        return FailProblem("Z_RemoveFileJournal", "remove", path.c_str(), problem);
    }
    bool removed = false;
    if (facts.kind != FileKind::Missing && facts.kind != FileKind::Directory) {
        FileFacts stale;
        if (!PlatformFacts(gone.c_str(), LastName::Itself, stale, problem) ||
            (stale.kind != FileKind::Missing && !PlatformDeleteFile(gone.c_str(), problem))) {
            return FailProblem("Z_RemoveFileJournal", "remove", gone.c_str(), problem);
        }
        // The move's folder flush failing leaves the journal gone all the
        // same: a power cut may then bring it back, and the next run undoes
        // and makes again what it protected, which ends as well.
        // Its lines are on the disk (flushed before, or read whole by the
        // run that gives it up): the move owes its folder's flush alone.
        Touched touched;
        Status moved = Files().Rename(path, gone, RenameMode::NoReplace, &touched);
        if (moved.ok()) moved = Files().FlushFolder(SplitLast(touched.name).folder);
        if (!moved.ok()) {
            Problem looked;
            if (!PlatformFacts(path.c_str(), LastName::Itself, facts, looked) || facts.kind != FileKind::Missing) {
                return FailStatus("Z_RemoveFileJournal", "remove", path, moved);
            }
        }
        removed = true;
    }
    return RemoveLeftOvers("Z_RemoveFileJournal", journalDir) || removed ? 1 : 0;
}
