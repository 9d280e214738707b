// One of the four dictionary files the shell interprets, with its records on
// disk: the shell keeps only what it looks records up by (open_dictionary.h)
// and reads a record when it needs one.
//
// A change (FileChange) reaches the file in one of two ways:
// - while a file journal records the file (the upgrade's dictionary phase),
//   in place: the changed records, the header and, when records went, a cut
//   at the new end. The journal holds the file as it was before the phase,
//   so whatever a crash leaves of a change, the journal puts the whole file
//   back.
// - otherwise whole: a copy of the file with the change goes to NAME.TMP
//   beside it and then replaces it in one step, so a crash leaves the old or
//   the new file.
// A change that fails is taken back before the operation returns: the file
// holds what it held before, in memory as on disk.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dict_files.h"
#include "zelkit.h"

namespace zel::shell {

using StoredRecord = std::vector<uint8_t>;

class RecordFile {
public:
    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    // Reads and checks the header: a known title, a length that matches the
    // header's count and size, and records of recordSize bytes (a file
    // without records may claim another size; it gets recordSize at its
    // next change).
    bool Open(const std::string& path, uint32_t recordSize, DictFailure* failure);
    // Lets the file go; false when bytes written in place could not be
    // written out.
    bool Close(DictFailure* failure);

    const std::string& Path() const { return path_; }
    uint32_t Count() const { return count_; }
    uint32_t RecordSize() const { return recordSize_; }

    // Calls visit for every record in file order, reading large blocks; stops
    // (true) when visit returns false.
    bool ForEach(const std::function<bool(uint32_t slot, const uint8_t* record)>& visit, DictFailure* failure);
    bool Read(uint32_t slot, StoredRecord* record, DictFailure* failure);

private:
    friend class FileChange;
    bool EnsureOpen(bool writable, DictFailure* failure);
    void DropHandle();
    std::vector<uint8_t> HeaderFor(uint32_t count) const;

    std::string path_;
    std::vector<uint8_t> header_;  // as on disk
    uint32_t recordSize_ = 0;
    uint32_t count_ = 0;
    HZFILE handle_ = nullptr;
    bool writable_ = false;
};

// The records one operation changes in one file. Nothing reaches the file
// before Commit; a FileChange dropped without Commit changes nothing.
class FileChange {
public:
    explicit FileChange(RecordFile& file);

    uint32_t Count() const { return count_; }
    const std::string& Path() const { return file_.Path(); }
    // The record at slot as it will be: the changed one or the file's.
    bool Get(uint32_t slot, StoredRecord* record, DictFailure* failure);
    // Replaces the record at slot (below Count()), or appends at Count().
    void Put(uint32_t slot, StoredRecord record);
    // Removes the record at slot: the last record moves into its place
    // (records have no order the shell keeps). Returns the slot the moved
    // record came from, or slot itself when it was the last.
    bool Remove(uint32_t slot, uint32_t* movedFrom, DictFailure* failure);

    // Writes the change; on failure the file is as it was.
    bool Commit(DictFailure* failure);
    // The file could not be put back after a failed change in place: its
    // bytes are neither the old nor the new ones.
    bool LeftDamaged() const { return damaged_; }

private:
    bool WriteTo(HZFILE target, uint32_t oldCount);
    bool CommitInPlace(DictFailure* failure);
    bool CommitWhole(DictFailure* failure);

    RecordFile& file_;
    uint32_t count_;
    std::map<uint32_t, StoredRecord> changed_;
    bool damaged_ = false;
};

}  // namespace zel::shell
