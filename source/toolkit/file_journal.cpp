// The file journal: before the first change of each file while it is open,
// the file's bytes (or its absence) are put away durably, so that all the
// changes can be undone later, also by another process after a crash.
//
// The journal directory holds JOURNAL, one line per file, written and
// flushed before the change it prepares ("C <path>": there was no file;
// "S <n> <path>": the bytes were saved as SAVED.<n>, flushed before the
// line), and the SAVED files. A line cut short by a crash has no line end
// and is ignored: its change was never made.
#include "file_journal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "power_loss.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

constexpr const char* kJournalName = "JOURNAL";
constexpr const char* kSavedPrefix = "SAVED.";

struct OpenJournal {
    bool open = false;
    std::string directory;   // resolved, with a separator at the end
    std::string unrecorded;  // resolved, with a separator at the end; may be empty
    std::FILE* lines = nullptr;
    std::set<std::string> seen;
    uint64_t saved = 0;
};

OpenJournal& Journal() {
    static OpenJournal journal;
    return journal;
}

std::string WithSeparator(std::string path) {
    if (!path.empty() && path.back() != '/' && path.back() != Z_PATH_SEPARATOR) path += Z_PATH_SEPARATOR;
    return path;
}

std::string InDirectory(const std::string& directory, const std::string& name) {
    return WithSeparator(directory) + name;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

// Copies source to target and sends target's bytes to the disk.
bool CopyDurably(const char* operation, const std::string& source, const std::string& target) {
    std::FILE* in = std::fopen(source.c_str(), "rb");
    if (in == nullptr) return FailErrno(operation, "read", source.c_str(), errno);
    std::FILE* out = std::fopen(target.c_str(), "wb");
    if (out == nullptr) {
        const int saved = errno;
        std::fclose(in);
        return FailErrno(operation, "create", target.c_str(), saved);
    }
    std::vector<char> block(1 << 16);
    bool ok = true;
    for (;;) {
        const size_t count = std::fread(block.data(), 1, block.size(), in);
        if (count > 0 && std::fwrite(block.data(), 1, count, out) != count) ok = false;
        if (count < block.size() || !ok) break;
    }
    ok = ok && !std::ferror(in) && PlatformFlushStream(out);
    const int saved = errno;
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::remove(target.c_str());
        return FailErrno(operation, "save a copy of", source.c_str(), saved != 0 ? saved : EIO);
    }
    return true;
}

bool AppendLine(const char* operation, OpenJournal& journal, const std::string& line) {
    if (std::fputs(line.c_str(), journal.lines) < 0 || !PlatformFlushStream(journal.lines)) {
        return FailErrno(operation, "write the file journal in", journal.directory.c_str(), errno);
    }
    return true;
}

// The saved copies are numbered from 1 without gaps; they are removed from
// the last one down, so that a removal cut short leaves the gapless start.
void RemoveSavedCopies(const std::string& directory) {
    uint64_t count = 0;
    while (PlatformFileKind(InDirectory(directory, kSavedPrefix + std::to_string(count + 1)).c_str()) !=
           FileKind::Missing) {
        ++count;
    }
    for (uint64_t n = count; n >= 1; --n) std::remove(InDirectory(directory, kSavedPrefix + std::to_string(n)).c_str());
}

struct Entry {
    bool saved = false;
    std::string number;
    std::string path;
};

// The complete lines of a journal; false when it cannot be read.
bool ReadEntries(const char* operation, const std::string& directory, std::vector<Entry>* entries, bool* present) {
    *present = false;
    const std::string path = InDirectory(directory, kJournalName);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (errno == ENOENT) return true;
        return FailErrno(operation, "read", path.c_str(), errno);
    }
    *present = true;
    std::string text;
    char block[4096];
    size_t count;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, count);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) return FailErrno(operation, "read", path.c_str(), EIO);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        Entry entry;
        if (line.rfind("C ", 0) == 0) {
            entry.path = line.substr(2);
        } else if (line.rfind("S ", 0) == 0 && line.find(' ', 2) != std::string::npos) {
            const size_t space = line.find(' ', 2);
            entry.saved = true;
            entry.number = line.substr(2, space - 2);
            entry.path = line.substr(space + 1);
        } else {
            continue;
        }
        if (!entry.path.empty()) entries->push_back(entry);
    }
    return true;
}

// A file the journal protected may have been changed in place, its last
// bytes still in the system's cache: they reach the disk before the journal
// that could put the file back goes, and so do the names of the files it
// saw made.
bool FlushRecordedFiles(const std::string& directory) {
    std::vector<Entry> entries;
    bool present = false;
    if (!ReadEntries("Z_DiscardFileJournal", directory, &entries, &present)) return false;
    std::set<std::string> directories;
    std::string reason;
    for (const Entry& entry : entries) {
        if (PlatformFileKind(entry.path.c_str()) != FileKind::Regular) continue;
        if (!PlatformFlushFile(entry.path.c_str(), reason)) {
            return Fail(Z_ERROR_IO, "Z_DiscardFileJournal: cannot flush %s: %s", entry.path.c_str(), reason.c_str());
        }
        NoteFlushed(entry.path.c_str());
        if (!entry.saved) directories.insert(entry.path);
    }
    for (const std::string& made : directories) {
        if (!PlatformFlushDirectoryOf(made.c_str(), reason)) {
            return Fail(Z_ERROR_IO, "Z_DiscardFileJournal: cannot flush the directory of %s: %s", made.c_str(),
                        reason.c_str());
        }
    }
    return true;
}

bool Covers(const OpenJournal& journal, const std::string& file) {
    return journal.open && !StartsWith(file, journal.directory) && !StartsWith(file, journal.unrecorded);
}

}  // namespace

bool JournalBeforeChange(const char* operation, const char* path) {
    OpenJournal& journal = Journal();
    if (!journal.open || path == nullptr || path[0] == '\0') return true;
    const std::string file = PlatformResolvedPath(path);
    if (journal.seen.count(file) != 0 || !Covers(journal, file)) return true;
    if (file.find('\n') != std::string::npos) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "%s: cannot record %s in the file journal", operation, file.c_str());
    }
    if (Z_FaultPoint("Z_JournalFile")) return false;
    const FileKind kind = PlatformFileKind(file.c_str());
    if (kind == FileKind::Other) return true;  // directories are not put back
    std::string line;
    if (kind == FileKind::Regular) {
        const std::string number = std::to_string(++journal.saved);
        const std::string copy = journal.directory + kSavedPrefix + number;
        if (!CopyDurably(operation, file, copy)) return false;
        line = "S " + number + " " + file + "\n";
    } else {
        line = "C " + file + "\n";
    }
    if (!AppendLine(operation, journal, line)) return false;
    journal.seen.insert(file);
    return true;
}

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_OpenFileJournal(const char* journalDir, const char* unrecordedDir) {
    if (Z_FaultPoint("Z_OpenFileJournal")) return 0;
    if (RejectEmptyPath("Z_OpenFileJournal", journalDir)) return 0;
    OpenJournal& journal = Journal();
    if (journal.open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_OpenFileJournal: a journal is open already");
    if (!Z_IsValidFilePath(journalDir, 0) && !Z_CreateDir(journalDir, 0)) return 0;
    const std::string directory = WithSeparator(PlatformResolvedPath(journalDir));
    const std::string path = directory + kJournalName;
    if (PlatformFileKind(path.c_str()) != FileKind::Missing) {
        return Fail(Z_ERROR_EXISTS, "Z_OpenFileJournal: %s holds a journal already", journalDir);
    }
    // Left-overs of a journal that was being discarded are not this one's.
    RemoveSavedCopies(directory);
    std::FILE* lines = std::fopen(path.c_str(), "wb");
    if (lines == nullptr) return FailErrno("Z_OpenFileJournal", "create", path.c_str(), errno);
    journal = OpenJournal{};
    journal.open = true;
    journal.directory = directory;
    if (unrecordedDir != nullptr && unrecordedDir[0] != '\0') {
        journal.unrecorded = WithSeparator(PlatformResolvedPath(unrecordedDir));
    }
    journal.lines = lines;
    // The journal's name must be on the disk before the first change it
    // prepares.
    std::string reason;
    if (!PlatformFlushStream(lines) || !PlatformFlushDirectoryOf(path.c_str(), reason)) {
        std::fclose(lines);
        journal = OpenJournal{};
        std::remove(path.c_str());
        return Fail(Z_ERROR_IO, "Z_OpenFileJournal: cannot make %s: %s", path.c_str(), reason.c_str());
    }
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
    const std::string path = InDirectory(journalDir, kJournalName);
    return PlatformFileKind(path.c_str()) == FileKind::Regular ? 1 : 0;
}

int Z_IsFileJournalled(const char* path) {
    const OpenJournal& journal = Journal();
    if (!journal.open || path == nullptr || path[0] == '\0') return 0;
    return Covers(journal, PlatformResolvedPath(path)) ? 1 : 0;
}

int Z_UndoFileJournal(const char* journalDir) {
    if (RejectEmptyPath("Z_UndoFileJournal", journalDir)) return 0;
    if (Journal().open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_UndoFileJournal: the journal is still open");
    std::vector<Entry> entries;
    bool present = false;
    if (!ReadEntries("Z_UndoFileJournal", journalDir, &entries, &present)) return 0;
    // Every step puts one file back as it was when the journal was opened,
    // whatever happened to it since, so the undo can itself be cut short and
    // made again from the start.
    std::string reason;
    for (const Entry& entry : entries) {
        if (entry.saved) continue;
        if (Z_FaultPoint("Z_UndoFileJournal")) return 0;
        if (PlatformFileKind(entry.path.c_str()) == FileKind::Regular &&
            !PlatformDeleteFile(entry.path.c_str(), reason)) {
            return Fail(Z_ERROR_IO, "Z_UndoFileJournal: cannot remove %s: %s", entry.path.c_str(), reason.c_str());
        }
        NoteDeleted(entry.path.c_str());
    }
    for (const Entry& entry : entries) {
        if (!entry.saved) continue;
        if (Z_FaultPoint("Z_UndoFileJournal")) return 0;
        const std::string saved = InDirectory(journalDir, kSavedPrefix + entry.number);
        const std::string staged = entry.path + ".zel-undo";
        if (!CopyDurably("Z_UndoFileJournal", saved, staged)) return 0;
        if (!PlatformReplaceFile(staged.c_str(), entry.path.c_str(), reason)) {
            std::remove(staged.c_str());
            return Fail(Z_ERROR_IO, "Z_UndoFileJournal: cannot put back %s: %s", entry.path.c_str(), reason.c_str());
        }
        NoteMoved(staged.c_str(), entry.path.c_str());
    }
    return 1;
}

int Z_DiscardFileJournal(const char* journalDir) {
    if (RejectEmptyPath("Z_DiscardFileJournal", journalDir)) return 0;
    if (Journal().open) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DiscardFileJournal: the journal is still open");
    if (Z_FaultPoint("Z_DiscardFileJournal")) return 0;
    if (!FlushRecordedFiles(journalDir)) return 0;
    // The journal's name goes first: without it the saved copies are only
    // left-overs, never put back over newer files.
    const std::string path = InDirectory(journalDir, kJournalName);
    std::string reason;
    if (PlatformFileKind(path.c_str()) != FileKind::Missing && !PlatformDeleteFile(path.c_str(), reason)) {
        return Fail(Z_ERROR_IO, "Z_DiscardFileJournal: cannot remove %s: %s", path.c_str(), reason.c_str());
    }
    RemoveSavedCopies(journalDir);
    return 1;
}
