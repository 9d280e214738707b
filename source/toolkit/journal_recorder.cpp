// The file journal while it records: before the first change of each file,
// what the file was is put where a crash cannot take it, at a cost that
// follows what changes rather than what the folder holds:
// - a file that is made: a line saying there was none;
// - a file that loses its name (replaced, removed, renamed away): the file
//   itself, given a second name in the journal (a hard link) before it
//   loses the first, so no byte is copied; a copy only where the file
//   system has no second names;
// - a file changed in place: the bytes of each 4 KiB page before its first
//   change, and the length, saved in the journal as the changes come.
//
// Order: a record reaches the disk before the change it protects can; each
// protecting record (a page, a file kept whole) is flushed with every record
// before it just before its change, so that one flush covers all the
// records made since the last. A line saying only that no file was there
// goes to the system at once (a killed process keeps it) and to the disk
// with the next flush: what a power cut may then leave is a file the
// journal does not name, which the run that makes it again replaces; but
// before another file is moved under such a name, its line is flushed.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "crc32c.h"
#include "durable_files.h"
#include "env.h"
#include "fault_table.h"
#include "file_journal.h"
#include "journal_layer.h"
#include "journal_paths.h"
#include "journal_record.h"
#include "journal_saved.h"
#include "journal_store.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

// A file changed in place: which of its pages are saved.
struct InPlaceFile {
    std::string path;      // as the caller named it
    std::string relative;
    uint64_t length = 0;   // when the journal first saw it
    std::set<uint64_t> saved;
    bool lengthSaved = false;  // a P line names its length
    bool written = false;      // changed since: flushed before the journal goes
    bool closed = false;       // it lost its name since: no further pages
    // The checksum of the bytes read from its start, one after the other:
    // [0, readTo).
    uint64_t readTo = 0;
    uint32_t readCrc = 0;
    bool readInOrder = true;
    std::unique_ptr<File> reader;  // its pages are read through it as they were
};

struct OpenJournal {
    std::string directory;   // the journal's folder, as given
    LexicalPath folder;      // the same, absolute; its files are the journal's own
    LexicalPath base;        // the folder the recorded paths are relative to
    std::string unrecorded;  // relative to base; never recorded
    std::string own;         // the journal's folder relative to base, if it lies there
    std::string folderOwedIn;  // the folder whose flush the journal's folder's name awaits
    std::unique_ptr<File> lines;  // JOURNAL, open to append
    uint64_t end = 0;             // where the next line goes
    std::set<std::string> whole;  // keys of files recorded whole (C, S, M)
    std::set<std::string> ahead;  // of those, kept before their change came (Z_JournalWhole)
    std::map<std::string, InPlaceFile> inPlace;
    std::set<std::string> made;  // files made while it recorded: flushed with it when they are still there
    std::set<std::string> missing;  // keys of the names it found free (C lines)
    uint64_t sequence = 0;
    uint64_t copies = 0;
    uint32_t chain = 0;
    // Names whose C line is among the lines owed: no other file may take
    // such a name before its line is on the disk.
    std::set<std::string> missingOwed;
    bool linesOwed = false;  // lines the system holds that are not on the disk yet
    bool namesOwed = false;  // second names in the journal's folder, likewise
    // How the journal keeps a whole file of each volume (a second name, or
    // a copy where there is none), learnt from the first: the SAVED files
    // of the others are made only once their lines are on the disk.
    std::map<uint64_t, EntryKind> keptAs;
    // The journal's own volume: a file of another is copied, as no second
    // name reaches across volumes.
    bool volumeKnown = false;
    uint64_t volume = 0;
    std::vector<std::pair<std::string, JournalEntry>> savedOwed;  // file, its line
    bool bytesOwed = false;  // among them, a record that protects bytes
};

namespace {

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

bool Covers(const OpenJournal& journal, const std::string& relative) {
    return !LiesBeneath(relative, journal.unrecorded) && !LiesBeneath(relative, journal.own) &&
           !SameName(relative, journal.unrecorded) && !SameName(relative, journal.own);
}

// A line goes to the system at once, so that a killed process keeps it; it
// reaches the disk with the next flush.
bool AppendLine(const char* operation, OpenJournal& journal, const std::string& line, const char* bytes = nullptr,
                size_t count = 0) {
    std::string record = line;
    if (count > 0) record.append(bytes, count);
    if (Status written = journal.lines->WriteAt(journal.end, record.data(), record.size()); !written.ok()) {
        return FailStatus(operation, "write the file journal", JournalFilePath(journal.directory), written);
    }
    journal.end += record.size();
    journal.linesOwed = true;
    return true;
}

// Copies the file into the journal as SAVED.<n>: its bytes reach the disk
// before the line that names it, its name after (MakeDurable). For file
// systems without second names.
bool SaveCopy(const char* operation, OpenJournal& journal, const std::string& file, JournalEntry& entry) {
    const std::string copy = SavedCopyPath(journal.directory, entry.copy);
    Result<std::unique_ptr<File>> in = Files().Open(file, OpenOptions{OpenMode::Read, Last::Follow});
    if (!in.ok()) return FailStatus(operation, "record", file, in.status());
    // The copy may hold bytes its owner alone may read, and the journal
    // obeys only files that are its own: it is private. (A second name
    // shares the file's own attributes.)
    Result<std::unique_ptr<File>> out = CreateNew(Files(), copy, true);
    if (!out.ok()) {
        (void)(*in)->Close();
        return FailStatus(operation, "record", file, out.status());
    }
    Status saved = CopyBytes(**in, **out, &entry.length, &entry.crc);
    if (saved.ok()) saved = (*out)->Flush().At(copy);
    (void)(*in)->Close();
    if (Status closed = (*out)->Close(); saved.ok()) saved = closed.At(copy);
    if (!saved.ok()) {
        (void)Files().Remove(copy);
        return FailStatus(operation, "save a copy in the file journal of", file, saved);
    }
    return true;
}

// Makes the SAVED file of a line already on the disk, as the first file of
// its volume was kept. The file has not changed since its line was made:
// the copy says so by its checksum.
bool MakeSaved(const char* operation, OpenJournal& journal, const std::string& file, const JournalEntry& entry) {
    Problem problem;
    if (entry.kind == EntryKind::MovedAside) {
        const std::string saved = SavedCopyPath(journal.directory, entry.copy);
        if (PlatformLinkFile(file.c_str(), saved.c_str(), problem) == LinkResult::Linked) return true;
        if (problem.code == 0) problem.text = "the file system no longer gives a second name on its volume";
        return Failed(operation, file, problem);
    }
    JournalEntry copied = entry;
    if (!SaveCopy(operation, journal, file, copied)) return false;
    if (copied.length == entry.length && copied.crc == entry.crc) return true;
    return Fail(Z_ERROR_IO, "%s: cannot record %s in the file journal: it changed while it was recorded", operation,
                file.c_str());
}

// Every record made so far reaches the disk: the lines first, then the
// second names and copies in the journal's folder that they name, so that a
// SAVED file is on the disk only once its line is. A line whose SAVED file
// a crash took is obeyed only while the recorded file still holds the
// bytes it names, which it does until the change that follows this flush.
bool MakeDurable(const char* operation, OpenJournal& journal) {
    if (!journal.linesOwed && !journal.namesOwed) return true;
    if (Z_FaultPoint("Z_JournalFlush")) return false;
    if (!journal.folderOwedIn.empty()) {
        if (Status flushed = Env::Get().Durable().FlushIfOwed(journal.folderOwedIn); !flushed.ok()) {
            return FailStatus(operation, "flush the folder", journal.folderOwedIn, flushed);
        }
        journal.folderOwedIn.clear();
    }
    if (journal.linesOwed) {
        if (Status flushed = journal.lines->Flush(); !flushed.ok()) {
            return FailStatus(operation, "write the file journal", JournalFilePath(journal.directory), flushed);
        }
        journal.linesOwed = false;
        journal.missingOwed.clear();
    }
    // A SAVED file made before its line was on the disk could have its
    // name committed by any other flush while the line is not: a cut would
    // then leave SAVED files no line names.
    for (const auto& [file, entry] : journal.savedOwed) {
        if (!MakeSaved(operation, journal, file, entry)) return false;
    }
    journal.savedOwed.clear();
    if (journal.namesOwed) {
        Problem problem;
        if (!PlatformFlushDirectory(journal.directory.c_str(), problem)) {
            return FailProblem(operation, "flush the file journal", journal.directory.c_str(), problem);
        }
        journal.namesOwed = false;
    }
    journal.bytesOwed = false;
    return true;
}

// The checksum of the file as it is, from what was read of it when it was
// read whole and not written since, or by reading it.
bool ChecksumOf(const std::string& path, const InPlaceFile* read, uint64_t size, JournalEntry& entry,
                Problem& problem) {
    if (read != nullptr && !read->written && read->readInOrder && read->readTo == size && read->length == size) {
        entry.length = size;
        entry.crc = read->readCrc;
        return true;
    }
    return FileChecksum(path, LastName::Follow, &entry.length, &entry.crc, problem);
}

// Keeps the file at path whole before it loses its name: a second name in
// the journal (M), or a copy (S).
bool KeepWhole(const char* operation, OpenJournal& journal, const std::string& path, const std::string& relative,
               const InPlaceFile* read, const FileFacts& facts) {
    JournalEntry entry;
    entry.sequence = journal.sequence + 1;
    entry.copy = journal.copies + 1;
    entry.path = relative;
    const std::string saved = SavedCopyPath(journal.directory, entry.copy);
    Problem problem;
    if (!ChecksumOf(path, read, facts.size, entry, problem)) return Failed(operation, path, problem);
    // The file does not change before its line is flushed (a file kept
    // ahead may not, the others are flushed at once), so its second name
    // can wait for that flush. The first of a volume is made now, to learn
    // whether the file system gives one.
    if (journal.volumeKnown && facts.volume != journal.volume) journal.keptAs[facts.volume] = EntryKind::Copied;
    const auto known = journal.keptAs.find(facts.volume);
    if (known != journal.keptAs.end()) {
        entry.kind = known->second;
        journal.savedOwed.emplace_back(path, entry);
    } else {
        switch (PlatformLinkFile(path.c_str(), saved.c_str(), problem)) {
            case LinkResult::Linked: entry.kind = EntryKind::MovedAside; break;
            case LinkResult::Unsupported:
                entry.kind = EntryKind::Copied;
                if (!SaveCopy(operation, journal, path, entry)) return false;
                break;
            case LinkResult::Failed: return Failed(operation, path, problem);
        }
        journal.keptAs[facts.volume] = entry.kind;
    }
    journal.namesOwed = true;
    if (!AppendLine(operation, journal, JournalEntryLine(entry, &journal.chain))) return false;
    journal.sequence = entry.sequence;
    journal.copies = entry.copy;
    journal.bytesOwed = true;
    return true;
}

bool RecordMissing(const char* operation, OpenJournal& journal, const std::string& relative) {
    JournalEntry entry;
    entry.kind = EntryKind::Created;
    entry.sequence = journal.sequence + 1;
    entry.path = relative;
    if (!AppendLine(operation, journal, JournalEntryLine(entry, &journal.chain))) return false;
    journal.sequence = entry.sequence;
    return true;
}

// A page of the file as it was (or, with size 0, its length alone).
bool SavePage(const char* operation, OpenJournal& journal, InPlaceFile& file, uint64_t offset, uint64_t size) {
    if (Z_FaultPoint("Z_JournalFile")) return false;
    char bytes[kJournalPageSize];
    if (size > 0) {
        // Each page is read once, straight from the file: no buffer keeps
        // bytes of a page from before its change.
        if (file.reader == nullptr) {
            Result<std::unique_ptr<File>> opened = Files().Open(file.path, OpenOptions{OpenMode::Read, Last::Follow});
            if (!opened.ok()) return FailStatus(operation, "record", file.path, opened.status());
            file.reader = opened.TakeValue();
        }
        Result<size_t> read = file.reader->ReadAt(offset, bytes, static_cast<size_t>(size));
        if (!read.ok()) return FailStatus(operation, "read to record in the file journal", file.path, read.status());
        if (*read != size) {
            return Fail(Z_ERROR_IO, "%s: cannot read %s to record it in the file journal: it ended early", operation,
                        file.path.c_str());
        }
    }
    JournalEntry entry;
    entry.kind = EntryKind::Page;
    entry.sequence = journal.sequence + 1;
    entry.offset = offset;
    entry.size = size;
    entry.crc = Crc32c(0, bytes, static_cast<size_t>(size));
    entry.length = file.length;
    entry.path = file.relative;
    if (!AppendLine(operation, journal, JournalEntryLine(entry, &journal.chain), bytes, static_cast<size_t>(size))) {
        return false;
    }
    journal.sequence = entry.sequence;
    journal.bytesOwed = true;
    file.lengthSaved = true;
    if (size > 0) file.saved.insert(offset);
    return true;
}

// A file this small is saved whole at its first change: the writes that
// follow, page after page, then find their pages saved and owe no flush of
// the journal each.
constexpr uint64_t kSavedWholeUpTo = 16 * kJournalPageSize;

// Saves the pages of [from, to) of the file as it was that are not saved
// yet (every page of a small file), and its length if nothing names it yet;
// then, before a change, everything recorded reaches the disk.
bool SavePages(const char* operation, OpenJournal& journal, const std::string& key, uint64_t from, uint64_t to,
               bool change) {
    auto found = journal.inPlace.find(key);
    if (found == journal.inPlace.end()) return true;
    InPlaceFile& file = found->second;
    if (file.closed) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "%s: %s was replaced or removed since it was opened; it is not written",
                    operation, file.path.c_str());
    }
    if (file.length <= kSavedWholeUpTo && from < file.length) {
        from = 0;
        to = file.length;
    }
    for (uint64_t page = from / kJournalPageSize * kJournalPageSize; page < to && page < file.length;
         page += kJournalPageSize) {
        const uint64_t size = std::min(kJournalPageSize, file.length - page);
        // The last page, shorter, may end before the change begins.
        if (page + size <= from || file.saved.count(page) != 0) continue;
        if (!SavePage(operation, journal, file, page, size)) return false;
    }
    if (!file.lengthSaved && !SavePage(operation, journal, file, 0, 0)) return false;
    if (!change) return true;
    file.written = true;
    return !journal.bytesOwed || MakeDurable(operation, journal);
}

// A file changed in place that now loses its name is kept whole as it is:
// the undo puts it back, then its pages.
void CloseReader(InPlaceFile& file) {
    if (file.reader != nullptr) (void)file.reader->Close();
    file.reader.reset();
}

bool CloseInPlace(OpenJournal& journal, const std::string& key) {
    auto found = journal.inPlace.find(key);
    if (found == journal.inPlace.end()) return false;
    found->second.closed = true;
    CloseReader(found->second);
    return true;
}

void CloseReaders(OpenJournal& journal) {
    for (auto& [key, file] : journal.inPlace) CloseReader(file);
}

}  // namespace

FileJournal::FileJournal() = default;

FileJournal::~FileJournal() { Close(); }

bool FileJournal::BeforeChange(const char* operation, const char* path, JournalChange change, LastName last) {
    if (open_ == nullptr || path == nullptr || path[0] == '\0') return true;
    OpenJournal& journal = *open_;
    std::string relative;
    // The journal's own files (its lines, its files' second names and
    // copies) are no change it records, wherever its folder lies.
    if (RelativeTo(journal.folder, path, relative)) return true;
    // Nothing outside the folder the journal protects changes while it
    // records: no record could put it back.
    if (!RelativeTo(journal.base, path, relative)) {
        return Fail(Z_ERROR_BAD_ARGUMENT,
                    "%s: cannot change %s: it lies outside %s, whose files the file journal records", operation, path,
                    journal.base.Text().c_str());
    }
    if (!Covers(journal, relative)) return true;
    if (change == JournalChange::Make) journal.made.insert(path);
    const std::string key = FoldedKey(relative);
    // Records made ahead (Z_JournalWhole, Z_JournalRange) reach the disk
    // before the first change they protect. A name another file takes (a
    // rename, a replacement) is on the disk in one step, which a later flush
    // of any file may commit: the line saying no file was there goes first,
    // or a power cut could leave the moved file under a name the journal
    // does not know, beside its kept copy. A new file made under the name
    // needs no such flush: one the journal does not name is made again by
    // the run that makes it.
    // A file under a name the journal found free goes as the undo would
    // take it: no record protects it, and its going waits for none.
    const auto settled = [&]() {
        const bool owed = journal.bytesOwed || (change == JournalChange::Replace && journal.missingOwed.count(key) != 0);
        const bool unprotected = change == JournalChange::Remove && journal.missing.count(key) != 0;
        return change == JournalChange::Make || unprotected || !owed || MakeDurable(operation, journal);
    };
    if (journal.whole.count(key) != 0) {
        // A file kept ahead is the journal's copy of itself until it loses
        // its name: no byte of it may change before.
        if (journal.ahead.count(key) != 0) {
            if (change == JournalChange::InPlace) {
                return Fail(Z_ERROR_BAD_ARGUMENT, "%s: cannot change %s in place: the file journal keeps it whole",
                            operation, path);
            }
            if (change != JournalChange::Ahead) journal.ahead.erase(key);
        }
        return settled();
    }
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path, last, facts, problem)) return Failed(operation, path, problem);
    // A change of the name itself counts a link there as no file: the undo
    // removes what is then there and puts no link back.
    if (facts.kind == FileKind::Link) facts = FileFacts{};
    const bool inPlace = journal.inPlace.count(key) != 0;
    if (inPlace && change == JournalChange::InPlace) return true;
    // One file under two names (case, short names, hard links) is recorded
    // once, as it was first.
    if (!inPlace && facts.kind != FileKind::Missing && journal.whole.count(IdentityKey(facts)) != 0) return settled();
    if (facts.kind == FileKind::Directory || facts.kind == FileKind::Other) return true;  // not put back
    if (Z_FaultPoint("Z_JournalFile")) return false;
    if (facts.kind == FileKind::Missing) {
        if (!RecordMissing(operation, journal, relative)) return false;
        journal.whole.insert(key);
        journal.missing.insert(key);
        journal.missingOwed.insert(key);
        return change != JournalChange::Replace || settled();
    }
    if (change == JournalChange::InPlace) {
        InPlaceFile file;
        file.path = path;
        file.relative = relative;
        file.length = facts.size;
        journal.inPlace[key] = std::move(file);
        journal.whole.insert(IdentityKey(facts));
        return true;
    }
    // Changed in place and about to lose its name: its changes reach the
    // disk before the journal keeps it as it is now, or a crash could leave
    // the kept file unlike its checksum.
    if (inPlace && journal.inPlace[key].written) {
        if (!PlatformFlushFile(path, problem)) return FailProblem(operation, "flush", path, problem);
    }
    const InPlaceFile* read = inPlace ? &journal.inPlace[key] : nullptr;
    if (!KeepWhole(operation, journal, path, relative, read, facts)) return false;
    CloseInPlace(journal, key);
    journal.whole.insert(key);
    journal.whole.insert(IdentityKey(facts));
    if (change != JournalChange::Ahead) return MakeDurable(operation, journal);
    journal.ahead.insert(key);
    return true;
}

std::string FileJournal::PagesKey(const char* path) const {
    if (open_ == nullptr) return "";
    const OpenJournal& journal = *open_;
    std::string relative;
    if (path == nullptr || !RelativeTo(journal.base, path, relative)) return "";
    const std::string key = FoldedKey(relative);
    return journal.inPlace.count(key) != 0 && journal.whole.count(key) == 0 ? key : "";
}

bool FileJournal::BeforeWrite(const char* operation, const std::string& key, int64_t offset, int64_t count) {
    if (open_ == nullptr || key.empty() || count <= 0) return true;
    return SavePages(operation, *open_, key, static_cast<uint64_t>(offset), static_cast<uint64_t>(offset + count),
                     true);
}

bool FileJournal::BeforeTruncate(const char* operation, const std::string& key, int64_t size) {
    if (open_ == nullptr || key.empty()) return true;
    return SavePages(operation, *open_, key, static_cast<uint64_t>(size), UINT64_MAX, true);
}

void FileJournal::AfterRead(const std::string& key, int64_t offset, const void* bytes, size_t count) {
    if (key.empty() || count == 0 || open_ == nullptr) return;
    OpenJournal& journal = *open_;
    auto found = journal.inPlace.find(key);
    if (found == journal.inPlace.end()) return;
    InPlaceFile& file = found->second;
    if (!file.readInOrder || static_cast<uint64_t>(offset) != file.readTo) {
        file.readInOrder = false;
        return;
    }
    file.readCrc = Crc32c(file.readCrc, bytes, count);
    file.readTo += count;
}

bool FileJournal::Records(const char* path) const {
    if (open_ == nullptr || path == nullptr || path[0] == '\0') return false;
    std::string relative;
    return RelativeTo(open_->base, path, relative) && Covers(*open_, relative);
}

bool FileJournal::Range(const char* operation, const char* path, int64_t offset, int64_t size) {
    if (open_ == nullptr || size == 0) return true;
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path, LastName::Follow, facts, problem)) return FailProblem(operation, "record", path, problem);
    if (facts.kind != FileKind::Regular) return true;  // no bytes to keep
    if (!BeforeChange(operation, path, JournalChange::InPlace, LastName::Follow)) return false;
    const std::string key = PagesKey(path);
    if (key.empty()) return true;
    return SavePages(operation, *open_, key, static_cast<uint64_t>(offset), static_cast<uint64_t>(offset + size),
                     false);
}

const std::set<std::string>* FileJournal::WrittenIn(const std::string& directory) const {
    return recorded_ && !directory.empty() && directory == directory_ ? &written_ : nullptr;
}

void FileJournal::Take(const std::string& directory) {
    Close();
    directory_ = directory;
    recorded_ = false;
    written_.clear();
    flushed_.clear();
}

void FileJournal::Forget() {
    recorded_ = false;
    written_.clear();
    flushed_.clear();
}

bool FileJournal::Open(const char* journalDir, const char* baseDir, const char* unrecordedDir) {
    if (RejectEmptyPath("Z_OpenFileJournal", journalDir)) return false;
    // One journal records at a time: the stack has one slot for it.
    if (open_ != nullptr || RecordingJournal() != nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_OpenFileJournal: a journal is open already");
    }
    auto recording = std::make_unique<OpenJournal>();
    OpenJournal& opened = *recording;
    opened.directory = journalDir;
    if (!MakeLexical(journalDir, opened.folder)) {
        return Fail(Z_ERROR_IO, "Z_OpenFileJournal: the current directory cannot be read");
    }
    if (!JournalBase("Z_OpenFileJournal", baseDir, opened.base)) return false;
    FileFacts base;
    Problem problem;
    if (!PlatformFacts(baseDir, LastName::Follow, base, problem)) {
        return FailProblem("Z_OpenFileJournal", "open", baseDir, problem);
    }
    // A journal kept outside baseDir is out of the recorded files' way.
    const std::string own = unrecordedDir != nullptr && unrecordedDir[0] != '\0' ? unrecordedDir : journalDir;
    if (!RelativeTo(opened.base, own, opened.unrecorded)) opened.unrecorded.clear();
    if (!RelativeTo(opened.base, journalDir, opened.own)) opened.own.clear();
    // The journal's folder is the program's own: nobody else may add or
    // change what it obeys. Its own name reaches the disk with the next
    // flush of the folder that holds it (the caller's record beside it, made
    // once the journal's name is on the disk), at the latest with the
    // journal's first flush: until then a cut takes the folder back with
    // everything in it, before anything it protects has changed.
    if (Status made = MakeFolders(Files(), journalDir, true, &opened.folderOwedIn); !made.ok()) {
        return FailStatus("Z_OpenFileJournal", "create", journalDir, made);
    }
    if (!opened.folderOwedIn.empty()) Env::Get().Durable().Owe(opened.folderOwedIn);
    const std::string path = JournalFilePath(journalDir);
    FileFacts existing;
    if (!PlatformFacts(path.c_str(), LastName::Itself, existing, problem)) {
        return FailProblem("Z_OpenFileJournal", "create", path.c_str(), problem);
    }
    if (existing.kind != FileKind::Missing) {
        return Fail(Z_ERROR_EXISTS, "Z_OpenFileJournal: %s holds a journal already", journalDir);
    }
    // Left-overs of a journal that was being discarded are not this one's;
    // the name an ended one was set aside under stays until this one is
    // there, so that a crash before leaves the proof that it ended. (Its
    // removal, or a later set-aside, takes it away.)
    if (!RemoveLeftOvers("Z_OpenFileJournal", journalDir, true)) return false;
    // The journal takes its name with its header whole, so that a JOURNAL
    // without one is damage, never a crash.
    const std::string workPath = path + kJournalWorkSuffix;
    // Its pages are bytes of the home's files, some of which may be
    // readable by their owner alone.
    const std::string header = JournalHeaderLine(base.volume, base.index, opened.unrecorded, &opened.chain);
    Result<std::unique_ptr<File>> work = CreateNew(Files(), workPath, true);
    if (!work.ok()) return FailStatus("Z_OpenFileJournal", "create", workPath, work.status());
    Status made = (*work)->WriteAt(0, header.data(), header.size());
    if (Status closed = (*work)->Close(); made.ok()) made = closed;
    // The rename flushes the header first; the name reaches the disk before
    // the first change it prepares. The lines are appended under the name
    // JOURNAL from then on.
    if (made.ok()) made = RenameDurably(Files(), workPath, path, ChangedHere);
    if (!made.ok()) {
        (void)Files().Remove(workPath);
        return FailStatus("Z_OpenFileJournal", "make", path, made);
    }
    Result<std::unique_ptr<File>> lines = Files().Open(path, OpenOptions{OpenMode::Update, Last::Itself});
    if (!lines.ok()) {
        // Nothing is recorded yet: the journal goes again.
        (void)RemoveDurably(Files(), path);
        return FailStatus("Z_OpenFileJournal", "open", path, lines.status());
    }
    opened.lines = lines.TakeValue();
    opened.end = header.size();
    // Not knowing it costs no safety: each volume's first kept file then
    // learns, as the journal's own volume's does.
    if (Result<Facts> facts = opened.lines->Look(); facts.ok()) {
        opened.volumeKnown = true;
        opened.volume = facts->volume;
    }
    // The folders of the files it records owe their flushes until the
    // journal's flush: a crash before it is undone from the journal anyway.
    std::vector<LexicalPath> unrecorded(1);
    if (!MakeLexical(own, unrecorded[0])) unrecorded.clear();
    LexicalPath journalFolder;
    if (MakeLexical(journalDir, journalFolder)) unrecorded.push_back(journalFolder);
    Env::Get().Durable().DeferBeneath(opened.base, unrecorded);
    directory_ = journalDir;
    recorded_ = true;
    written_.clear();
    flushed_.clear();
    open_ = std::move(recording);
    layer_ = std::make_unique<JournalLayer>(*this);
    Env::Get().Install(Env::Slot::Journal, layer_.get());
    return true;
}

void FileJournal::Close() {
    if (open_ == nullptr) return;
    OpenJournal& journal = *open_;
    CloseReaders(journal);
    // What the system holds of the journal stays there; the flush that ends
    // the journal sends it to the disk.
    (void)journal.lines->Close();
    linesOnDisk_ = !journal.linesOwed;
    written_ = journal.made;
    for (const auto& [key, file] : journal.inPlace) {
        if (file.written && !file.closed) written_.insert(file.path);
    }
    open_.reset();
    Env::Get().Remove(Env::Slot::Journal);
    layer_.reset();
    Env::Get().Durable().StopDeferring();
}

}  // namespace zel::toolkit

using namespace zel::toolkit;

HZJOURNAL Z_OpenFileJournal(const char* journalDir, const char* baseDir, const char* unrecordedDir) {
    const EntryPoint call("Z_OpenFileJournal");
    if (call.Failed()) return nullptr;
    std::unique_ptr<ZJournalObject> journal(new (std::nothrow) ZJournalObject);
    if (journal == nullptr) {
        Fail(Z_ERROR_NO_MEMORY, "Z_OpenFileJournal: no memory");
        return nullptr;
    }
    if (!journal->Open(journalDir, baseDir, unrecordedDir)) return nullptr;
    return journal.release();
}

int Z_CloseFileJournal(HZJOURNAL journal) {
    if (journal != nullptr) journal->Close();
    return 1;
}

HZJOURNAL Z_FileJournalAt(const char* journalDir) {
    if (journalDir == nullptr || journalDir[0] == '\0') return nullptr;
    ZJournalObject* journal = new (std::nothrow) ZJournalObject;
    if (journal == nullptr) {
        Fail(Z_ERROR_NO_MEMORY, "Z_FileJournalAt: no memory");
        return nullptr;
    }
    journal->Take(journalDir);
    return journal;
}

void Z_FreeFileJournal(HZJOURNAL journal) { delete journal; }

HZJOURNAL Z_RecordingJournal() { return static_cast<ZJournalObject*>(RecordingJournal()); }

int Z_JournalRange(HZJOURNAL journal, const char* path, int64_t offset, int64_t size) {
    const EntryPoint call("Z_JournalRange", false);
    if (RejectEmptyPath("Z_JournalRange", path)) return 0;
    if (offset < 0 || size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_JournalRange: bad range");
    if (journal == nullptr) return 1;
    return journal->Range("Z_JournalRange", path, offset, size) ? 1 : 0;
}

int Z_JournalWhole(HZJOURNAL journal, const char* path) {
    const EntryPoint call("Z_JournalWhole", false);
    if (RejectEmptyPath("Z_JournalWhole", path)) return 0;
    if (journal == nullptr) return 1;
    return journal->BeforeChange("Z_JournalWhole", path, JournalChange::Ahead, LastName::Follow) ? 1 : 0;
}

int Z_IsFileJournalled(HZJOURNAL journal, const char* path) {
    return journal != nullptr && journal->Records(path) ? 1 : 0;
}
