// The file journal: before the first change of each file while it is open,
// the file's bytes (or its absence) are put away durably, so that all the
// changes can be undone later, also by another process after a crash.
//
// The record's form and its checks are in journal_record.cpp. Here: the
// journal that records, and the undo, which obeys a journal only once every
// line and every saved copy of it has passed its checks, and only within
// the folder the journal belongs to.
#include "file_journal.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "crc32c.h"
#include "journal_record.h"
#include "path_lexical.h"
#include "path_text.h"
#include "power_loss.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

struct OpenJournal {
    bool open = false;
    std::string directory;  // the journal's folder, as given
    LexicalPath base;       // the folder the recorded paths are relative to
    std::string unrecorded;  // relative to base; never recorded
    std::string own;         // the journal's folder relative to base, if it lies there
    std::FILE* lines = nullptr;
    std::set<std::string> seen;
    uint64_t sequence = 0;
    uint64_t copies = 0;
    uint32_t chain = 0;
};

OpenJournal& Journal() {
    static OpenJournal journal;
    return journal;
}

// The journal folder whose recorded files were flushed by
// Z_FlushFileJournal in this process: discarding it needs no second flush.
std::string& FlushedJournal() {
    static std::string flushed;
    return flushed;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && EndsWithPathSeparator(folder)) return folder + name;
    return folder + Z_PATH_SEPARATOR + name;
}

// The path of a recorded file relative to base, names joined by "/"; false
// when it does not lie beneath base.
bool RelativeTo(const LexicalPath& base, const std::string& path, std::string& relative) {
    LexicalPath lexical;
    if (!MakeLexical(path, lexical) || !SameName(lexical.start, base.start) ||
        lexical.names.size() <= base.names.size()) {
        return false;
    }
    relative.clear();
    for (size_t i = 0; i < lexical.names.size(); ++i) {
        if (i < base.names.size()) {
            if (!SameName(lexical.names[i], base.names[i])) return false;
            continue;
        }
        if (!relative.empty()) relative += '/';
        relative += lexical.names[i];
    }
    return IsJournalPath(relative);
}

std::string Absolute(const LexicalPath& base, const std::string& relative) {
    std::string path = base.Text();
    size_t start = 0;
    for (;;) {
        const size_t slash = relative.find('/', start);
        path = InFolder(path, relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) return path;
        start = slash + 1;
    }
}


std::string FoldedKey(const std::string& relative) {
#ifdef _WIN32
    std::string key = relative;
    for (char& c : key) c = FoldAscii(c);
    return "name:" + key;
#else
    return "name:" + relative;
#endif
}

std::string IdentityKey(const FileFacts& facts) {
    return "file:" + std::to_string(facts.volume) + ":" + std::to_string(facts.index);
}

bool Failed(const char* operation, const std::string& what, const Problem& problem) {
    return FailProblem(operation, "record", what.c_str(), problem);
}

// Appends a line and sends it to the disk before the change it prepares.
bool AppendLine(const char* operation, OpenJournal& journal, const std::string& line) {
    const std::string path = InFolder(journal.directory, kJournalFileName);
    if (std::fputs(line.c_str(), journal.lines) < 0 || !PlatformFlushStream(journal.lines)) {
        return Fail(Z_ERROR_IO, "%s: cannot write the file journal %s", operation, path.c_str());
    }
    NoteFlushed(path.c_str());
    return true;
}

// Copies the file into the journal as SAVED.<n>: its bytes, then its name,
// reach the disk before the line that names it.
bool SaveCopy(const char* operation, OpenJournal& journal, const std::string& file, JournalEntry& entry) {
    entry.copy = ++journal.copies;
    const std::string copy = SavedCopyPath(journal.directory, entry.copy);
    Problem problem;
    std::FILE* in = PlatformOpenStream(file.c_str(), StreamMode::Read, LastName::Follow, problem);
    if (in == nullptr) return Failed(operation, file, problem);
    NoteBeforeWrite(copy.c_str());
    std::FILE* out = PlatformOpenStream(copy.c_str(), StreamMode::CreateNew, LastName::Itself, problem);
    if (out == nullptr) {
        std::fclose(in);
        return Failed(operation, file, problem);
    }
    char block[65536];
    bool ok = true;
    entry.length = 0;
    entry.copyCrc = 0;
    for (size_t count; ok && (count = std::fread(block, 1, sizeof block, in)) > 0;) {
        ok = std::fwrite(block, 1, count, out) == count;
        entry.copyCrc = Crc32c(entry.copyCrc, block, count);
        entry.length += count;
    }
    ok = ok && std::ferror(in) == 0 && PlatformFlushStream(out);
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    // The copy may be read by whoever may read the file, and no one else: a
    // file only its owner reads must not lie open to others in the journal.
    ok = ok && PlatformCopyPermissions(file.c_str(), copy.c_str(), problem);
    if (ok) NoteFlushed(copy.c_str());
    if (ok && !PlatformFlushDirectoryOf(copy.c_str(), problem)) ok = false;
    if (!ok) {
        Problem ignored;
        PlatformDeleteFile(copy.c_str(), ignored);
        return Fail(Z_ERROR_IO, "%s: cannot save a copy of %s in the file journal %s%s%s", operation, file.c_str(),
                    journal.directory.c_str(), problem.text.empty() ? "" : ": ", problem.text.c_str());
    }
    NoteFolderFlushed(copy.c_str());
    return true;
}

// Where a file that the journal names lies, and what it is now.
struct Recorded {
    std::string path;
    FileFacts facts;
};

bool Locate(const LexicalPath& base, const JournalEntry& entry, LastName last, Recorded& recorded,
            Problem& problem) {
    recorded.path = Absolute(base, entry.path);
    return PlatformFacts(recorded.path.c_str(), last, recorded.facts, problem);
}

bool FailDamaged(const char* operation, const std::string& journalDir, const std::string& why) {
    return Fail(Z_ERROR_DAMAGED, "%s: the file journal %s is damaged: %s", operation,
                InFolder(journalDir, kJournalFileName).c_str(), why.c_str());
}

// Reads and checks a journal; false with the last error set when it is
// damaged or cannot be read.
bool LoadJournal(const char* operation, const std::string& journalDir, const LexicalPath& base, bool copies,
                 JournalContents& contents) {
    std::string why;
    Problem problem;
    std::string own;
    if (!RelativeTo(base, journalDir, own)) own.clear();
    switch (ReadJournal(journalDir, own, copies, contents, why, problem)) {
        case JournalCheck::Whole: return true;
        case JournalCheck::Damaged: return FailDamaged(operation, journalDir, why);
        case JournalCheck::Unreadable: break;
    }
    return FailProblem(operation, "read the file journal in", journalDir.c_str(), problem);
}

// Every place the journal names is reached now as the undo will reach it
// (a link on the way only where the link rule allows it), and holds what the
// undo can put back: where a file was saved, its folder and a file or
// nothing under its name. The run never leaves anything else there, so
// anything else means that the home or the record was changed by hand; the
// journal is then refused before its first file goes back, rather than
// obeyed up to the line that fails.
bool CheckRecordedPlaces(const char* operation, const std::string& journalDir, const LexicalPath& base,
                         const JournalContents& contents) {
    for (size_t index = 0; index < contents.entries.size(); ++index) {
        const JournalEntry& entry = contents.entries[index];
        Recorded recorded;
        Problem problem;
        if (!Locate(base, entry, entry.saved ? LastName::Follow : LastName::Itself, recorded, problem)) {
            return FailProblem(operation, "reach", recorded.path.c_str(), problem);
        }
        if (!entry.saved) continue;
        const std::string line = "line " + std::to_string(index + 2) + " saved the file " + entry.path;
        if (recorded.facts.kind != FileKind::Missing && recorded.facts.kind != FileKind::Regular) {
            return FailDamaged(operation, journalDir,
                               line + ", and " +
                                   (recorded.facts.kind == FileKind::Directory ? "a folder" : "no file") +
                                   " is there now");
        }
        const size_t slash = entry.path.rfind('/');
        if (slash == std::string::npos) continue;
        JournalEntry folder;
        folder.path = entry.path.substr(0, slash);
        if (!Locate(base, folder, LastName::Follow, recorded, problem)) {
            return FailProblem(operation, "reach", recorded.path.c_str(), problem);
        }
        if (recorded.facts.kind != FileKind::Directory) {
            return FailDamaged(operation, journalDir, line + ", and its folder is gone");
        }
    }
    return true;
}

// A file the journal protected may have been changed in place, its last
// bytes still in the system's cache: they reach the disk before the journal
// that could put the file back goes, and so do the names of the files it
// saw made.
bool FlushRecordedFiles(const char* operation, const std::string& journalDir, const LexicalPath& base) {
    JournalContents contents;
    if (!LoadJournal(operation, journalDir, base, false, contents)) return false;
    std::set<std::string> folders;
    for (const JournalEntry& entry : contents.entries) {
        Recorded recorded;
        Problem problem;
        if (!Locate(base, entry, LastName::Follow, recorded, problem)) {
            return FailProblem(operation, "flush", recorded.path.c_str(), problem);
        }
        if (recorded.facts.kind != FileKind::Regular) continue;
        if (!PlatformFlushFile(recorded.path.c_str(), problem)) {
            return FailProblem(operation, "flush", recorded.path.c_str(), problem);
        }
        NoteFlushed(recorded.path.c_str());
        if (!entry.saved) folders.insert(recorded.path);
    }
    for (const std::string& made : folders) {
        Problem problem;
        if (!PlatformFlushDirectoryOf(made.c_str(), problem)) {
            return FailProblem(operation, "flush the folder of", made.c_str(), problem);
        }
        NoteFolderFlushed(made.c_str());
    }
    return true;
}

// The saved copies are numbered from 1 without gaps; they are removed from
// the last one down, so that a removal cut short leaves the gapless start.
bool RemoveSavedCopies(const char* operation, const std::string& directory) {
    uint64_t count = 0;
    FileFacts facts;
    Problem problem;
    while (PlatformFacts(SavedCopyPath(directory, count + 1).c_str(), LastName::Itself, facts, problem) &&
           facts.kind != FileKind::Missing) {
        ++count;
    }
    for (uint64_t n = count; n >= 1; --n) {
        const std::string copy = SavedCopyPath(directory, n);
        if (!PlatformDeleteFile(copy.c_str(), problem)) return FailProblem(operation, "remove", copy.c_str(), problem);
        NoteDeleted(copy.c_str());
    }
    return true;
}

bool BaseOf(const char* operation, const char* baseDir, LexicalPath& base) {
    if (RejectEmptyPath(operation, baseDir)) return false;
    if (!MakeLexical(baseDir, base)) return Fail(Z_ERROR_IO, "%s: the current directory cannot be read", operation);
    return true;
}

bool Covers(const OpenJournal& journal, const std::string& relative) {
    return !LiesBeneath(relative, journal.unrecorded) && !LiesBeneath(relative, journal.own);
}

}  // namespace

bool JournalBeforeChange(const char* operation, const char* path, LastName last) {
    OpenJournal& journal = Journal();
    if (!journal.open || path == nullptr || path[0] == '\0') return true;
    std::string relative;
    // Nothing outside the folder the journal protects changes while it
    // records: no record could put it back.
    if (!RelativeTo(journal.base, path, relative)) {
        return Fail(Z_ERROR_BAD_ARGUMENT,
                    "%s: cannot change %s: it lies outside %s, whose files the file journal records", operation, path,
                    journal.base.Text().c_str());
    }
    if (!Covers(journal, relative)) return true;
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path, last, facts, problem)) return Failed(operation, path, problem);
    if (facts.kind == FileKind::Link) facts = FileFacts{};
    // One file under two names (case, short names, hard links) is recorded
    // once, as it was first.
    if (journal.seen.count(FoldedKey(relative)) != 0) return true;
    if (facts.kind != FileKind::Missing && journal.seen.count(IdentityKey(facts)) != 0) return true;
    if (facts.kind == FileKind::Directory || facts.kind == FileKind::Other) return true;  // not put back
    if (Z_FaultPoint("Z_JournalFile")) return false;
    JournalEntry entry;
    entry.saved = facts.kind == FileKind::Regular;
    entry.sequence = ++journal.sequence;
    entry.path = relative;
    if (entry.saved && !SaveCopy(operation, journal, path, entry)) {
        --journal.sequence;
        return false;
    }
    if (!AppendLine(operation, journal, JournalEntryLine(entry, &journal.chain))) return false;
    journal.seen.insert(FoldedKey(relative));
    if (facts.kind != FileKind::Missing) journal.seen.insert(IdentityKey(facts));
    return true;
}

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_OpenFileJournal(const char* journalDir, const char* baseDir, const char* unrecordedDir) {
    if (Z_FaultPoint("Z_OpenFileJournal")) return 0;
    if (RejectEmptyPath("Z_OpenFileJournal", journalDir)) return 0;
    OpenJournal& journal = Journal();
    if (journal.open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_OpenFileJournal: a journal is open already");
    OpenJournal opened;
    opened.directory = journalDir;
    if (!BaseOf("Z_OpenFileJournal", baseDir, opened.base)) return 0;
    FileFacts base;
    Problem problem;
    if (!PlatformFacts(baseDir, LastName::Follow, base, problem)) {
        return FailProblem("Z_OpenFileJournal", "open", baseDir, problem);
    }
    // A journal kept outside baseDir is out of the recorded files' way.
    const std::string own = unrecordedDir != nullptr && unrecordedDir[0] != '\0' ? unrecordedDir : journalDir;
    if (!RelativeTo(opened.base, own, opened.unrecorded)) opened.unrecorded.clear();
    if (!RelativeTo(opened.base, journalDir, opened.own)) opened.own.clear();
    if (!PlatformMakeDirectories(journalDir, problem)) {
        return FailProblem("Z_OpenFileJournal", "create", journalDir, problem);
    }
    const std::string path = InFolder(journalDir, kJournalFileName);
    FileFacts existing;
    if (!PlatformFacts(path.c_str(), LastName::Itself, existing, problem)) {
        return FailProblem("Z_OpenFileJournal", "create", path.c_str(), problem);
    }
    if (existing.kind != FileKind::Missing) {
        return Fail(Z_ERROR_EXISTS, "Z_OpenFileJournal: %s holds a journal already", journalDir);
    }
    // Left-overs of a journal that was being discarded are not this one's.
    if (!RemoveSavedCopies("Z_OpenFileJournal", journalDir)) return 0;
    // The journal takes its name with its header whole, so that a JOURNAL
    // without one is damage, never a crash.
    const std::string work = path + ".NEW";
    NoteBeforeWrite(work.c_str());
    std::FILE* lines = PlatformOpenStream(work.c_str(), StreamMode::CreateNew, LastName::Itself, problem);
    if (lines == nullptr) return FailProblem("Z_OpenFileJournal", "create", work.c_str(), problem);
    const std::string header = JournalHeaderLine(base.volume, base.index, opened.unrecorded, &opened.chain);
    bool made = std::fputs(header.c_str(), lines) >= 0 && PlatformFlushStream(lines);
    if (made) NoteFlushed(work.c_str());
    // The name reaches the disk before the first change it prepares.
    made = made && PlatformRenameFile(work.c_str(), path.c_str(), problem);
    if (!made) {
        std::fclose(lines);
        Problem ignored;
        PlatformDeleteFile(work.c_str(), ignored);
        if (problem.text.empty()) problem = Problem{Z_ERROR_IO, "it cannot be written"};
        return FailProblem("Z_OpenFileJournal", "make", path.c_str(), problem);
    }
    NoteMoved(work.c_str(), path.c_str());
    opened.open = true;
    opened.lines = lines;
    journal = opened;
    FlushedJournal().clear();
    return 1;
}

int Z_CloseFileJournal() {
    OpenJournal& journal = Journal();
    if (!journal.open) return 1;
    std::fclose(journal.lines);
    journal = OpenJournal{};
    return 1;
}

int Z_HasFileJournal(const char* journalDir) {
    if (journalDir == nullptr || journalDir[0] == '\0') return 0;
    const std::string path = InFolder(journalDir, kJournalFileName);
    FileFacts facts;
    Problem problem;
    return PlatformFacts(path.c_str(), LastName::Itself, facts, problem) && facts.kind != FileKind::Missing ? 1 : 0;
}

int Z_CheckFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_CheckFileJournal", journalDir)) return 0;
    LexicalPath base;
    if (!BaseOf("Z_CheckFileJournal", baseDir, base)) return 0;
    JournalContents contents;
    if (!LoadJournal("Z_CheckFileJournal", journalDir, base, true, contents) ||
        !CheckRecordedPlaces("Z_CheckFileJournal", journalDir, base, contents)) {
        return 0;
    }
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(baseDir, LastName::Follow, facts, problem)) {
        return FailProblem("Z_CheckFileJournal", "open", baseDir, problem);
    }
    return facts.volume == contents.volume && facts.index == contents.index ? 1 : 2;
}

int Z_IsFileJournalled(const char* path) {
    const OpenJournal& journal = Journal();
    if (!journal.open || path == nullptr || path[0] == '\0') return 0;
    std::string relative;
    return RelativeTo(journal.base, path, relative) && Covers(journal, relative) ? 1 : 0;
}

int Z_UndoFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_UndoFileJournal", journalDir)) return 0;
    if (Journal().open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_UndoFileJournal: the journal is still open");
    LexicalPath base;
    if (!BaseOf("Z_UndoFileJournal", baseDir, base)) return 0;
    // The whole journal passes its checks before the first file is put
    // back: a damaged record is never obeyed in part.
    JournalContents contents;
    if (!LoadJournal("Z_UndoFileJournal", journalDir, base, true, contents) ||
        !CheckRecordedPlaces("Z_UndoFileJournal", journalDir, base, contents)) {
        return 0;
    }
    // Last change first: every step puts one file back as it was before the
    // journal's first change of it, whatever happened to it since, so the
    // undo can itself be cut short and made again from the start.
    for (auto entry = contents.entries.rbegin(); entry != contents.entries.rend(); ++entry) {
        if (Z_FaultPoint("Z_UndoFileJournal")) return 0;
        Recorded recorded;
        Problem problem;
        if (!entry->saved) {
            // No file was there: whatever has the name now goes, as a name.
            if (!Locate(base, *entry, LastName::Itself, recorded, problem)) {
                return FailProblem("Z_UndoFileJournal", "remove", recorded.path.c_str(), problem);
            }
            if (recorded.facts.kind == FileKind::Missing || recorded.facts.kind == FileKind::Directory) continue;
            if (!PlatformDeleteFile(recorded.path.c_str(), problem)) {
                return FailProblem("Z_UndoFileJournal", "remove", recorded.path.c_str(), problem);
            }
            NoteDeleted(recorded.path.c_str());
            continue;
        }
        if (!Locate(base, *entry, LastName::Follow, recorded, problem)) {
            return FailProblem("Z_UndoFileJournal", "put back", recorded.path.c_str(), problem);
        }
        const std::string saved = SavedCopyPath(journalDir, entry->copy);
        const std::string staged = recorded.path + ".zel-undo";
        std::FILE* in = PlatformOpenStream(saved.c_str(), StreamMode::Read, LastName::Itself, problem);
        if (in == nullptr) return FailProblem("Z_UndoFileJournal", "read", saved.c_str(), problem);
        NoteBeforeWrite(staged.c_str());
        std::FILE* out = PlatformOpenStream(staged.c_str(), StreamMode::CreateNew, LastName::Itself, problem);
        if (out == nullptr) {
            std::fclose(in);
            return FailProblem("Z_UndoFileJournal", "create", staged.c_str(), problem);
        }
        char block[65536];
        bool copied = true;
        for (size_t count; copied && (count = std::fread(block, 1, sizeof block, in)) > 0;) {
            copied = std::fwrite(block, 1, count, out) == count;
        }
        copied = copied && std::ferror(in) == 0;
        std::fclose(in);
        copied = std::fclose(out) == 0 && copied;
        if (copied) NoteFlushed(staged.c_str());
        if (!copied || !PlatformReplaceFile(staged.c_str(), recorded.path.c_str(), problem)) {
            Problem ignored;
            PlatformDeleteFile(staged.c_str(), ignored);
            if (problem.text.empty()) problem = Problem{Z_ERROR_IO, "its copy cannot be written"};
            return FailProblem("Z_UndoFileJournal", "put back", recorded.path.c_str(), problem);
        }
        NoteMoved(staged.c_str(), recorded.path.c_str());
    }
    return 1;
}

int Z_FlushFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_FlushFileJournal", journalDir)) return 0;
    if (Journal().open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_FlushFileJournal: the journal is still open");
    LexicalPath base;
    if (!BaseOf("Z_FlushFileJournal", baseDir, base)) return 0;
    if (Z_FaultPoint("Z_FlushFileJournal")) return 0;
    if (!FlushRecordedFiles("Z_FlushFileJournal", journalDir, base)) return 0;
    FlushedJournal() = journalDir;
    return 1;
}

int Z_DiscardFileJournal(const char* journalDir, const char* baseDir) {
    if (RejectEmptyPath("Z_DiscardFileJournal", journalDir)) return 0;
    if (Journal().open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DiscardFileJournal: the journal is still open");
    LexicalPath base;
    if (!BaseOf("Z_DiscardFileJournal", baseDir, base)) return 0;
    if (Z_FaultPoint("Z_DiscardFileJournal")) return 0;
    // Without its JOURNAL, what is left are copies nothing will put back.
    if (FlushedJournal() != journalDir && Z_HasFileJournal(journalDir) &&
        !FlushRecordedFiles("Z_DiscardFileJournal", journalDir, base)) {
        return 0;
    }
    FlushedJournal().clear();
    return Z_RemoveFileJournal(journalDir);
}

int Z_RemoveFileJournal(const char* journalDir) {
    if (RejectEmptyPath("Z_RemoveFileJournal", journalDir)) return 0;
    if (Journal().open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_RemoveFileJournal: the journal is still open");
    // The journal's name goes first: without it the saved copies are only
    // left-overs, never put back over newer files.
    const std::string path = InFolder(journalDir, kJournalFileName);
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
