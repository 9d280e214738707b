#include "open_dictionary.h"

#include <algorithm>

#include "record_codec.h"
#include "record_layouts.h"
#include "zelkit.h"

namespace zel::shell {

namespace {

std::unique_ptr<OpenDictionary>& Slot() {
    static std::unique_ptr<OpenDictionary> dictionary;
    return dictionary;
}

std::string NameKey(const std::string& foldedOwner, const std::string& foldedName) {
    return foldedOwner + '\0' + foldedName;
}

template <typename Map, typename Key>
void EraseIfAt(Map& map, const Key& key, uint32_t slot) {
    auto found = map.find(key);
    if (found != map.end() && found->second == slot) map.erase(found);
}

template <typename Map, typename Key>
uint32_t Lookup(const Map& map, const Key& key) {
    auto found = map.find(key);
    return found != map.end() ? found->second : NO_SLOT;
}

}  // namespace

std::string FoldName(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

// ---- databases ---------------------------------------------------------------

void DatabaseIndex::Reserve(size_t records) {
    slots_.reserve(records);
    byId_.reserve(records);
    byName_.reserve(records);
}

uint32_t DatabaseIndex::Append(DatabaseKeys keys, bool* sameName) {
    const auto slot = static_cast<uint32_t>(slots_.size());
    const auto [byId, idAdded] = byId_.try_emplace(keys.id, slot);
    if (!idAdded) {
        *sameName = false;
        return byId->second;
    }
    const auto [byName, nameAdded] = byName_.try_emplace(NameKey(keys.owner, keys.name), slot);
    if (!nameAdded) {
        byId_.erase(byId);
        *sameName = true;
        return byName->second;
    }
    highestId_ = std::max(highestId_, keys.id);
    slots_.push_back(std::move(keys));
    return NO_SLOT;
}

uint32_t DatabaseIndex::FindId(uint32_t id) const { return Lookup(byId_, id); }

uint32_t DatabaseIndex::FindName(const std::string& foldedOwner, const std::string& foldedName) const {
    return Lookup(byName_, NameKey(foldedOwner, foldedName));
}

void DatabaseIndex::Forget(uint32_t slot) {
    const DatabaseKeys& keys = slots_[slot];
    EraseIfAt(byId_, keys.id, slot);
    EraseIfAt(byName_, NameKey(keys.owner, keys.name), slot);
}

void DatabaseIndex::Remember(uint32_t slot) {
    const DatabaseKeys& keys = slots_[slot];
    byId_.emplace(keys.id, slot);
    byName_.emplace(NameKey(keys.owner, keys.name), slot);
    highestId_ = std::max(highestId_, keys.id);
}

uint32_t DatabaseIndex::LowestFreeId() const {
    std::vector<uint32_t> ids;
    ids.reserve(slots_.size());
    for (const DatabaseKeys& keys : slots_) ids.push_back(keys.id);
    std::sort(ids.begin(), ids.end());
    uint32_t candidate = 1;
    for (uint32_t id : ids) {
        if (id > candidate) break;
        if (id == candidate) ++candidate;
    }
    // All ones means "no change" in update records, so it is never an id.
    return candidate < 0xFFFFFFFFu ? candidate : 0;
}

// ---- columns -----------------------------------------------------------------

void ColumnIndex::Reserve(size_t records) { slots_.reserve(records); }

uint32_t ColumnIndex::Append(ColumnKeys keys) {
    std::vector<uint32_t>& ofDatabase = byDatabase_[keys.databaseId];
    for (uint32_t slot : ofDatabase) {
        if (slots_[slot].name == keys.name) return slot;
    }
    ofDatabase.push_back(static_cast<uint32_t>(slots_.size()));
    slots_.push_back(std::move(keys));
    return NO_SLOT;
}

const std::vector<uint32_t>& ColumnIndex::OfDatabase(uint32_t databaseId) const {
    static const std::vector<uint32_t> none;
    auto found = byDatabase_.find(databaseId);
    return found != byDatabase_.end() ? found->second : none;
}

uint32_t ColumnIndex::FindName(uint32_t databaseId, const std::string& foldedName) const {
    for (uint32_t slot : OfDatabase(databaseId)) {
        if (slots_[slot].name == foldedName) return slot;
    }
    return NO_SLOT;
}

void ColumnIndex::Forget(uint32_t slot) {
    auto found = byDatabase_.find(slots_[slot].databaseId);
    if (found == byDatabase_.end()) return;
    std::vector<uint32_t>& slots = found->second;
    auto at = std::find(slots.begin(), slots.end(), slot);
    if (at != slots.end()) {
        *at = slots.back();
        slots.pop_back();
    }
    if (slots.empty()) byDatabase_.erase(found);
}

void ColumnIndex::Remember(uint32_t slot) { byDatabase_[slots_[slot].databaseId].push_back(slot); }

// ---- data formats ------------------------------------------------------------

FormatIndex::FormatIndex() : slotOfId_(0x10000, NO_SLOT) {}

void FormatIndex::Reserve(size_t records) {
    slots_.reserve(records);
    byName_.reserve(records);
}

uint32_t FormatIndex::FindName(const std::string& foldedName) const { return Lookup(byName_, foldedName); }

void FormatIndex::Forget(uint32_t slot) {
    const FormatKeys& keys = slots_[slot];
    if (slotOfId_[keys.id] == slot) slotOfId_[keys.id] = NO_SLOT;
    EraseIfAt(byName_, keys.name, slot);
}

void FormatIndex::Remember(uint32_t slot) {
    const FormatKeys& keys = slots_[slot];
    if (slotOfId_[keys.id] == NO_SLOT) slotOfId_[keys.id] = slot;
    byName_.emplace(keys.name, slot);
    highestId_ = std::max(highestId_, keys.id);
}

uint16_t FormatIndex::LowestFreeId() const {
    for (uint32_t id = 1; id < 0xFFFF; ++id) {
        if (slotOfId_[id] == NO_SLOT) return static_cast<uint16_t>(id);
    }
    return 0;
}

// ---- the open dictionary -------------------------------------------------------

OpenDictionary* CurrentDictionary() { return Slot().get(); }

void SetCurrentDictionary(std::unique_ptr<OpenDictionary> dictionary) { Slot() = std::move(dictionary); }

int ReportFailure(const char* operation, uint32_t code, const std::string& cause) {
    Z_SetLastErrorText(code, "%s: %s", operation, cause.c_str());
    return 0;
}

int ReportFailure(const char* operation, const DictFailure& failure) {
    return ReportFailure(operation, failure.code, failure.text);
}

OpenDictionary* RequireOpen(const char* operation) {
    OpenDictionary* dictionary = CurrentDictionary();
    if (dictionary == nullptr) {
        ReportFailure(operation, SHELL_ERROR_NOT_OPEN, "no data dictionary is open");
        return nullptr;
    }
    if (!dictionary->damaged.empty()) {
        ReportFailure(operation, SHELL_ERROR_BAD_FILE,
                      dictionary->damaged +
                          " could not be put back after a failed write; the dictionary takes no "
                          "more requests until it is opened again");
        return nullptr;
    }
    return dictionary;
}

OpenDictionary* RequireOpen(const char* operation, const ObjectEnv* env) {
    OpenDictionary* dictionary = RequireOpen(operation);
    if (dictionary != nullptr && env == nullptr) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no object environment");
        return nullptr;
    }
    return dictionary;
}

bool CommitChange(const char* operation, OpenDictionary& dictionary, FileChange& change) {
    DictFailure failure;
    if (change.Commit(&failure)) return true;
    if (change.LeftDamaged()) dictionary.damaged = change.Path();
    ReportFailure(operation, failure);
    return false;
}

bool ReadRecord(const char* operation, RecordFile& file, uint32_t slot, StoredRecord* record) {
    DictFailure failure;
    if (file.Read(slot, record, &failure)) return true;
    ReportFailure(operation, failure);
    return false;
}

bool CommitConfig(const char* operation, OpenDictionary& dictionary, StoredRecord image) {
    if (image == dictionary.config && dictionary.configFile.Count() == 1) return true;
    FileChange change(dictionary.configFile);
    change.Put(0, image);
    if (!CommitChange(operation, dictionary, change)) return false;
    dictionary.config = std::move(image);
    return true;
}

bool ReserveDatabaseId(const char* operation, OpenDictionary& dictionary, uint32_t* id) {
    StoredRecord config = dictionary.config;
    const uint64_t counter = ReadStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4);
    const uint64_t next = std::max({counter, uint64_t{dictionary.databases.HighestId()} + 1, uint64_t{1}});
    uint32_t chosen = 0;
    // All ones means "no change" in update records, so it is never an id.
    if (next < 0xFFFFFFFFu) {
        chosen = static_cast<uint32_t>(next);
        WriteStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4, next + 1);
    } else {
        chosen = dictionary.databases.LowestFreeId();
        if (chosen == 0) return ReportFailure(operation, SHELL_ERROR_NO_ID, "every database id is used up");
        WriteStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4, 0xFFFFFFFFu);
    }
    if (!CommitConfig(operation, dictionary, std::move(config))) return false;
    *id = chosen;
    return true;
}

bool ReserveFormatId(const char* operation, OpenDictionary& dictionary, uint16_t wanted, uint16_t* id) {
    const FormatIndex& formats = dictionary.formats;
    StoredRecord config = dictionary.config;
    const uint64_t counter = ReadStoredInteger(config.data(), CONFIG_NEXT_FORMAT_ID, 4);
    const uint64_t next = std::max({counter, uint64_t{formats.HighestId()} + 1, uint64_t{1}});
    uint64_t chosen = 0;
    if (wanted != 0 && wanted != 0xFFFF && formats.FindId(wanted) == NO_SLOT) {
        chosen = wanted;
    } else if (next < 0xFFFF) {
        chosen = next;
    } else {
        chosen = formats.LowestFreeId();
        if (chosen == 0) return ReportFailure(operation, SHELL_ERROR_NO_ID, "every data format id is used up");
    }
    WriteStoredInteger(config.data(), CONFIG_NEXT_FORMAT_ID, 4, std::min<uint64_t>(std::max(next, chosen + 1), 0xFFFF));
    if (!CommitConfig(operation, dictionary, std::move(config))) return false;
    *id = static_cast<uint16_t>(chosen);
    return true;
}

bool IsAllPattern(const char* pattern) { return pattern == nullptr || (pattern[0] == '*' && pattern[1] == '\0'); }

std::string TextOrEmpty(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

}  // namespace zel::shell
