// The file journal once it stops recording: its checks, its flush and its
// removal. The record's form is in journal_record.cpp, the recording in
// journal_recorder.cpp, the undo in journal_undo.cpp.
#include <set>
#include <string>
#include <vector>

#include "flush_batch.h"
#include "journal_internal.h"
#include "journal_paths.h"
#include "journal_saved.h"
#include "power_loss.h"
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

bool IsSavedName(const std::string& name) {
    const std::string prefix = kSavedCopyPrefix;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (size_t at = prefix.size(); at < name.size(); ++at) {
        if (name[at] < '0' || name[at] > '9') return false;
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

bool FlushFile(const char* operation, const std::string& path) {
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path.c_str(), LastName::Follow, facts, problem)) {
        return FailProblem(operation, "flush", path.c_str(), problem);
    }
    if (facts.kind != FileKind::Regular) return true;
    if (!PlatformFlushFile(path.c_str(), problem)) return FailProblem(operation, "flush", path.c_str(), problem);
    NoteFlushed(path.c_str());
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
        // Another process's journal: every file it names, as far as it goes.
        if (closed == nullptr) files.insert(path);
        folders.insert(FolderOf(PlatformResolvedPath(path.c_str())));
    }
    if (closed != nullptr) files = closed->written;
    for (const std::string& path : files) {
        if (!FlushFile(operation, path)) return false;
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
        FolderFlushMade(folder);
        NoteDirectoryFlushed(folder.c_str());
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
        case JournalCheck::Whole: return true;
        case JournalCheck::Damaged: return FailDamaged(operation, journalDir, why);
        case JournalCheck::Unreadable: break;
    }
    return FailProblem(operation, "read the file journal in", journalDir.c_str(), problem);
}

// Without JOURNAL the SAVED files are left-overs: they go as names, their
// folder flushed once for all of them.
bool RemoveSavedCopies(const char* operation, const std::string& directory) {
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
    BeginFlushBatch();
    bool removed = true;
    std::string failed;
    for (const DirectoryEntry& entry : entries) {
        if (!IsSavedName(entry.name) || entry.kind == FileKind::Directory) continue;
        failed = InFolder(directory, entry.name);
        removed = PlatformDeleteFile(failed.c_str(), problem);
        if (!removed) break;
        NoteDeleted(failed.c_str());
    }
    Problem flushProblem;
    if (!EndFlushBatch(flushProblem, failed) && removed) {
        return FailProblem(operation, "flush the folder", failed.c_str(), flushProblem);
    }
    return removed || FailProblem(operation, "remove", failed.c_str(), problem);
}

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_HasFileJournal(const char* journalDir) {
    if (journalDir == nullptr || journalDir[0] == '\0') return 0;
    const std::string path = JournalFilePath(journalDir);
    FileFacts facts;
    Problem problem;
    return PlatformFacts(path.c_str(), LastName::Itself, facts, problem) && facts.kind != FileKind::Missing ? 1 : 0;
}

int Z_CheckFileJournal(const char* journalDir, const char* baseDir) {
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
    return facts.volume == contents.volume && facts.index == contents.index ? 1 : 2;
}

int Z_FlushFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_FlushFileJournal", journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_FlushFileJournal: the journal is still open");
    LexicalPath base;
    if (!JournalBase("Z_FlushFileJournal", baseDir, base)) return 0;
    if (Z_FaultPoint("Z_FlushFileJournal")) return 0;
    if (!FlushRecordedFiles("Z_FlushFileJournal", journalDir, base)) return 0;
    FlushedJournal() = journalDir;
    return 1;
}

int Z_DiscardFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_DiscardFileJournal", journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DiscardFileJournal: the journal is still open");
    LexicalPath base;
    if (!JournalBase("Z_DiscardFileJournal", baseDir, base)) return 0;
    if (Z_FaultPoint("Z_DiscardFileJournal")) return 0;
    // Without its JOURNAL, what is left are copies nothing will put back.
    if (FlushedJournal() != journalDir && Z_HasFileJournal(journalDir) &&
        !FlushRecordedFiles("Z_DiscardFileJournal", journalDir, base)) {
        return 0;
    }
    FlushedJournal().clear();
    ForgetClosedJournal();
    return Z_RemoveFileJournal(journalDir);
}

int Z_RemoveFileJournal(const char* journalDir) {
    if (RejectEmptyPath("Z_RemoveFileJournal", journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_RemoveFileJournal: the journal is still open");
    // The journal's name goes first: without it the saved copies are only
    // left-overs, never put back over newer files.
    const std::string path = JournalFilePath(journalDir);
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) {
        return FailProblem("Z_RemoveFileJournal", "remove", path.c_str(), problem);
    }
    if (facts.kind != FileKind::Missing) {
        if (!PlatformDeleteFile(path.c_str(), problem)) {
            return FailProblem("Z_RemoveFileJournal", "remove", path.c_str(), problem);
        }
        NoteDeleted(path.c_str());
    }
    const std::string work = path + ".NEW";
    if (PlatformFacts(work.c_str(), LastName::Itself, facts, problem) && facts.kind != FileKind::Missing &&
        !PlatformDeleteFile(work.c_str(), problem)) {
        return FailProblem("Z_RemoveFileJournal", "remove", work.c_str(), problem);
    }
    return RemoveSavedCopies("Z_RemoveFileJournal", journalDir) ? 1 : 0;
}
