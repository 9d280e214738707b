// The file journal (Z_OpenFileJournal): one object per journal, owned by
// the run that opened it (HZJOURNAL), holding what it records and, once
// closed, what the journal's end still needs of it. Every operation that is
// about to change a file asks it first, through its layer in the stack
// (journal_layer.h).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "toolkit_platform.h"
#include "zelkit.h"

namespace zel::toolkit {

// How a file is about to change.
enum class JournalChange {
    Make,     // a new file is made under the name; what had it goes
    InPlace,  // the file is opened to be changed where it lies
    Replace,  // another file takes the name
    Remove,   // the name goes (deleted, or moved to another name)
    Ahead,    // one of those will come: recorded now, flushed before it
};

class JournalLayer;
struct OpenJournal;

class FileJournal {
public:
    FileJournal();
    // Stops recording first when it still records.
    ~FileJournal();
    FileJournal(const FileJournal&) = delete;
    FileJournal& operator=(const FileJournal&) = delete;

    // Makes the journal in journalDir and starts recording (Z_OpenFileJournal);
    // false with the last error set.
    bool Open(const char* journalDir, const char* baseDir, const char* unrecordedDir);
    // Stops recording: the files it saw written are kept for the flush.
    void Close();
    bool IsOpen() const { return open_ != nullptr; }

    // A journal another process left in directory: this one knows nothing
    // of what it recorded, only what the journal's end did with it.
    void Take(const std::string& directory);

    // Records, when the journal is open and this is the first change of path
    // since it was opened, what the file was: that there was none, or the
    // file itself (kept whole under a second name in the journal, or copied
    // where the file system has no second names). A file opened to change in
    // place is recorded page by page as it is written (BeforeWrite). False,
    // with the last error set naming operation, when that cannot be
    // recorded; the change must then not be made. last says what the change
    // works on: the file a link there names (Follow) or the name itself
    // (Itself: a link there counts as no file, and is not put back).
    bool BeforeChange(const char* operation, const char* path, JournalChange change, LastName last);

    // The key under which writes to path opened in place are recorded, or ""
    // when the journal keeps nothing page by page for it.
    std::string PagesKey(const char* path) const;

    // Before bytes [offset, offset + count) of the file opened in place under
    // key are written, or before it is cut to size: the pages of the file as
    // it was that the change reaches are saved, and reach the disk before
    // the change does. False, with the last error set, when they cannot be.
    bool BeforeWrite(const char* operation, const std::string& key, int64_t offset, int64_t count);
    bool BeforeTruncate(const char* operation, const std::string& key, int64_t size);

    // Bytes read from the file opened in place under key, at offset: a file
    // read whole from its start and not written since, then kept whole when
    // it loses its name, needs no second reading for its checksum.
    void AfterRead(const std::string& key, int64_t offset, const void* bytes, size_t count);

    // Z_IsFileJournalled, Z_JournalRange.
    bool Records(const char* path) const;
    bool Range(const char* operation, const char* path, int64_t offset, int64_t size);

    // The files this journal saw opened to be written, once it is closed,
    // when directory is its folder and it recorded them; null for a journal
    // another process recorded, which the flush then takes file by file.
    // Every other file it recorded reached the disk as its change was made,
    // or is gone.
    const std::set<std::string>* WrittenIn(const std::string& directory) const;
    // Every line this journal appended was on the disk when it was closed:
    // its end need not flush them again.
    bool LinesOnDiskIn(const std::string& directory) const {
        return WrittenIn(directory) != nullptr && linesOnDisk_;
    }
    // Z_FlushFileJournal flushed the files of the journal in directory:
    // discarding it needs no second flush.
    void NoteFlushed(const std::string& directory) { flushed_ = directory; }
    bool FlushedIn(const std::string& directory) const { return !flushed_.empty() && flushed_ == directory; }
    // The journal is gone: nothing of it is left to flush.
    void Forget();

private:
    std::unique_ptr<OpenJournal> open_;    // while it records
    std::unique_ptr<JournalLayer> layer_;  // installed in the stack while it records
    std::string directory_;                // its folder, as given
    bool recorded_ = false;                // this object recorded it: written_ is whole
    std::set<std::string> written_;
    bool linesOnDisk_ = false;  // with recorded_: nothing of JOURNAL was owed at the close
    std::string flushed_;
};

// The journal recording now: the one whose layer is in the environment's
// journal slot, or null.
FileJournal* RecordingJournal();

}  // namespace zel::toolkit

// The handle the public calls take.
struct ZJournalObject final : zel::toolkit::FileJournal {};
