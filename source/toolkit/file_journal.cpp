// The file journal once it stops recording: its checks, its flush and its
// removal. The record's form is in journal_record.cpp, the recording in
// journal_recorder.cpp (whose journal object this side only asks what it
// saw), the journal's files on the disk in journal_store.cpp, the undo in
// journal_undo.cpp.
#include <set>
#include <string>

#include "env.h"
#include "fault_table.h"
#include "file_journal.h"
#include "journal_paths.h"
#include "journal_store.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

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
bool FlushRecordedFiles(const char* operation, const FileJournal* journal, const std::string& journalDir,
                        const LexicalPath& base) {
    JournalContents contents;
    if (!LoadJournal(operation, journalDir, base, false, contents)) return false;
    // Lines this process flushed as it recorded need no second flush.
    const bool linesOnDisk = journal != nullptr && journal->LinesOnDiskIn(journalDir);
    if (!linesOnDisk && !FlushFile(operation, JournalFilePath(journalDir))) return false;
    const std::set<std::string>* closed = journal != nullptr ? journal->WrittenIn(journalDir) : nullptr;
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
    if (closed != nullptr) files = *closed;
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

int Z_FileJournalIsEmpty(const char* journalDir, const char* baseDir) {
    const EntryPoint call("Z_FileJournalIsEmpty", false);
    if (RejectEmptyPath("Z_FileJournalIsEmpty", journalDir)) return -1;
    LexicalPath base;
    if (!JournalBase("Z_FileJournalIsEmpty", baseDir, base)) return -1;
    JournalContents contents;
    if (!LoadJournal("Z_FileJournalIsEmpty", journalDir, base, false, contents)) return -1;
    return contents.entries.empty() && contents.cutAt == 0 ? 1 : 0;
}

int Z_FlushFileJournal(HZJOURNAL journal, const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_FlushFileJournal", journalDir)) return 0;
    if (RecordingJournal() != nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_FlushFileJournal: the journal is still open");
    }
    LexicalPath base;
    if (!JournalBase("Z_FlushFileJournal", baseDir, base)) return 0;
    const EntryPoint call("Z_FlushFileJournal");
    if (call.Failed()) return 0;
    if (!FlushRecordedFiles("Z_FlushFileJournal", journal, journalDir, base)) return 0;
    if (journal != nullptr) journal->NoteFlushed(journalDir);
    return 1;
}

int Z_DiscardFileJournal(HZJOURNAL journal, const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_DiscardFileJournal", journalDir)) return 0;
    if (RecordingJournal() != nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DiscardFileJournal: the journal is still open");
    }
    LexicalPath base;
    if (!JournalBase("Z_DiscardFileJournal", baseDir, base)) return 0;
    const EntryPoint call("Z_DiscardFileJournal");
    if (call.Failed()) return 0;
    // Without its JOURNAL, what is left are copies nothing will put back.
    if (journal == nullptr || !journal->FlushedIn(journalDir)) {
        const int has = Z_HasFileJournal(journalDir);
        if (has < 0 || (has > 0 && !FlushRecordedFiles("Z_DiscardFileJournal", journal, journalDir, base))) return 0;
    }
    if (journal != nullptr) journal->Forget();
    return Z_RemoveFileJournal(journalDir);
}

int Z_RemoveFileJournal(const char* journalDir) {
    const EntryPoint call("Z_RemoveFileJournal", false);
    if (RejectEmptyPath("Z_RemoveFileJournal", journalDir)) return 0;
    if (RecordingJournal() != nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_RemoveFileJournal: the journal is still open");
    }
    // The journal goes in one step, its name set aside: until that step it
    // is whole, and a failure leaves it for the put-back and the next run;
    // after it the journal is gone, and the saved copies and the name it
    // was set aside under are only left-overs, which go here as far as they
    // can, and otherwise with the next journal's opening or removal. Were
    // the name removed first and the copies then failed, a put-back would
    // find no journal and take the changes it protected for undone.
    const std::string path = JournalFilePath(journalDir);
    const std::string gone = path + kJournalGoneSuffix;
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
    // The name it was set aside under stays as the proof that it ended: a
    // record that says a journal was kept is then told from one whose
    // journal was lost.
    return RemoveLeftOvers("Z_RemoveFileJournal", journalDir, removed) || removed ? 1 : 0;
}

int Z_FileJournalEnded(const char* journalDir) {
    const EntryPoint call("Z_FileJournalEnded", false);
    const int has = Z_HasFileJournal(journalDir);
    if (has != 0) return has < 0 ? -1 : 0;
    const std::string gone = JournalFilePath(journalDir) + kJournalGoneSuffix;
    FileFacts facts;
    Problem problem;
    if (PlatformFacts(gone.c_str(), LastName::Itself, facts, problem)) return facts.kind == FileKind::Regular ? 1 : 0;
    if (problem.code == Z_ERROR_NOT_FOUND) return 0;
    FailProblem("Z_FileJournalEnded", "look at", gone.c_str(), problem);
    return -1;
}
