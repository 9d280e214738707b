// The dictionary the shell has open. The records of the four interpreted
// files stay on disk (record_file.h); the shell keeps, per record, only the
// keys it looks records up by, so every look-up by id or name is one probe
// of a hash table and one record read, whatever the size of the dictionary,
// and the memory held grows with the number of records, not their bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dict_files.h"
#include "dictionary_records.h"
#include "record_file.h"
#include "shell_admin.h"

namespace zel::shell {

constexpr uint32_t NO_SLOT = 0xFFFFFFFFu;

// Names are compared without regard to case (ASCII letters, as ZSTRCMPI
// does), so the keys hold them folded.
std::string FoldName(std::string name);

// The keys of one file's records by slot (the record's place in the file),
// with the look-ups a derived index keeps over them: Set and Remove keep the
// two in step, calling the derived Forget and Remember.
template <class Keys, class Index>
class SlotIndex {
public:
    size_t Size() const { return slots_.size(); }
    const Keys& At(uint32_t slot) const { return slots_[slot]; }
    // Replaces the keys of slot, or appends at Size().
    void Set(uint32_t slot, Keys keys) {
        if (slot < slots_.size()) {
            Self().Forget(slot);
            slots_[slot] = std::move(keys);
        } else {
            slots_.push_back(std::move(keys));
        }
        Self().Remember(slot);
    }
    // Mirrors FileChange::Remove: the last record moves into the slot.
    void Remove(uint32_t slot, uint32_t movedFrom) {
        Self().Forget(slot);
        if (movedFrom != slot) {
            Self().Forget(movedFrom);
            slots_[slot] = std::move(slots_[movedFrom]);
            Self().Remember(slot);
        }
        slots_.pop_back();
    }

protected:
    std::vector<Keys> slots_;

private:
    Index& Self() { return static_cast<Index&>(*this); }
};

// BASE.DIC: per record its id, owner and name.
struct DatabaseKeys {
    uint32_t id = 0;
    std::string owner;  // folded
    std::string name;   // folded
};

class DatabaseIndex : public SlotIndex<DatabaseKeys, DatabaseIndex> {
public:
    void Reserve(size_t records);
    // While the file is read: adds keys as the next slot, unless a slot
    // holds the same id or name already; returns that slot then, with
    // sameName telling which, and NO_SLOT when added. One probe of each
    // table per record.
    uint32_t Append(DatabaseKeys keys, bool* sameName);
    uint32_t FindId(uint32_t id) const;
    uint32_t FindName(const std::string& foldedOwner, const std::string& foldedName) const;
    // The highest id any record carried while the dictionary was open.
    uint32_t HighestId() const { return highestId_; }
    // The lowest id from 1 up that no record carries; 0 when none is left.
    uint32_t LowestFreeId() const;

private:
    friend SlotIndex;
    void Forget(uint32_t slot);
    void Remember(uint32_t slot);

    std::unordered_map<uint32_t, uint32_t> byId_;
    std::unordered_map<std::string, uint32_t> byName_;
    uint32_t highestId_ = 0;
};

// BASECOL.DIC: per record its database, number and name.
struct ColumnKeys {
    uint32_t databaseId = 0;
    uint16_t number = 0;
    std::string name;  // folded
};

class ColumnIndex : public SlotIndex<ColumnKeys, ColumnIndex> {
public:
    void Reserve(size_t records);
    // While the file is read: adds keys as the next slot unless the database
    // has a column of that name already; returns its slot then, NO_SLOT
    // when added.
    uint32_t Append(ColumnKeys keys);
    // The slots of one database's columns, in no particular order.
    const std::vector<uint32_t>& OfDatabase(uint32_t databaseId) const;
    uint32_t FindName(uint32_t databaseId, const std::string& foldedName) const;

private:
    friend SlotIndex;
    void Forget(uint32_t slot);
    void Remember(uint32_t slot);

    std::unordered_map<uint32_t, std::vector<uint32_t>> byDatabase_;
};

// FORMAT.DIC: per record its id and name.
struct FormatKeys {
    uint16_t id = 0;
    std::string name;  // folded
};

class FormatIndex : public SlotIndex<FormatKeys, FormatIndex> {
public:
    FormatIndex();
    void Reserve(size_t records);
    uint32_t FindId(uint16_t id) const { return slotOfId_[id]; }
    uint32_t FindName(const std::string& foldedName) const;
    uint16_t HighestId() const { return highestId_; }
    // The lowest id from 1 to 0xFFFE that no format carries; 0 when none is
    // left.
    uint16_t LowestFreeId() const;

private:
    friend SlotIndex;
    void Forget(uint32_t slot);
    void Remember(uint32_t slot);

    std::vector<uint32_t> slotOfId_;  // 65,536 entries
    std::unordered_map<std::string, uint32_t> byName_;
    uint16_t highestId_ = 0;
};

struct OpenDictionary {
    std::string home;
    RecordFile configFile;
    RecordFile databaseFile;
    RecordFile columnFile;
    RecordFile formatFile;
    // CONFIG.DIC's one record; a zero record while the file has none.
    StoredRecord config;
    DatabaseIndex databases;
    ColumnIndex columns;
    FormatIndex formats;
    // Set when a failed change could not be taken back: the file named is
    // neither as it was nor as it was meant to be, so nothing more is done.
    std::string damaged;
};

// Null when no dictionary is open.
OpenDictionary* CurrentDictionary();
void SetCurrentDictionary(std::unique_ptr<OpenDictionary> dictionary);

// Sets the last error "<operation>: <cause>" and returns 0.
int ReportFailure(const char* operation, uint32_t code, const std::string& cause);
int ReportFailure(const char* operation, const DictFailure& failure);
// The open dictionary, or null with the error reported.
OpenDictionary* RequireOpen(const char* operation);
// The same for the operations that take an object environment, which must
// be given.
OpenDictionary* RequireOpen(const char* operation, const ObjectEnv* env);

// Writes a change; on failure it is reported and nothing changed. A file
// that could not be put back marks the dictionary damaged.
bool CommitChange(const char* operation, OpenDictionary& dictionary, FileChange& change);
// Reads a record, reporting a failure.
bool ReadRecord(const char* operation, RecordFile& file, uint32_t slot, StoredRecord* record);

bool CommitConfig(const char* operation, OpenDictionary& dictionary, StoredRecord image);

// Ids come from counters kept in CONFIG.DIC, which is written before the
// record that uses the id, so an id once handed out is not handed out
// again, even after a stop between the two writes or a deletion, as long as
// ids above every one handed out are left. When none is, the lowest id no
// record carries is taken: the dictionary never runs out of ids while one
// is free.
bool ReserveDatabaseId(const char* operation, OpenDictionary& dictionary, uint32_t* id);
// Keeps wanted when it is a valid id no format carries.
bool ReserveFormatId(const char* operation, OpenDictionary& dictionary, uint16_t wanted, uint16_t* id);

// "*" (or null) as pattern matches all; other patterns are names.
bool IsAllPattern(const char* pattern);
std::string TextOrEmpty(const char* text);

}  // namespace zel::shell
