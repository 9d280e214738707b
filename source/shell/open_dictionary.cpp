#include "open_dictionary.h"

#include <algorithm>

#include "zelkit.h"
#include "record_codec.h"
#include "record_layouts.h"

namespace zel::shell {

namespace {

std::unique_ptr<OpenDictionary>& Slot() {
    static std::unique_ptr<OpenDictionary> dictionary;
    return dictionary;
}

uint64_t HighestId(const DictFile& file, const FieldLayout& idField) {
    uint64_t highest = 0;
    for (const StoredRecord& record : file.records) highest = std::max(highest, ReadField(idField, record.data()));
    return highest;
}

}  // namespace

OpenDictionary* CurrentDictionary() { return Slot().get(); }

void SetCurrentDictionary(std::unique_ptr<OpenDictionary> dictionary) { Slot() = std::move(dictionary); }

int ReportFailure(const char* operation, uint32_t code, const std::string& cause) {
    Z_SetLastErrorText(code, "%s: %s", operation, cause.c_str());
    return 0;
}

OpenDictionary* RequireOpen(const char* operation) {
    OpenDictionary* dictionary = CurrentDictionary();
    if (dictionary == nullptr) ReportFailure(operation, SHELL_ERROR_NOT_OPEN, "no data dictionary is open");
    return dictionary;
}

bool CommitRecords(const char* operation, DictFile& file, StoredRecords records) {
    std::swap(file.records, records);
    DictFailure failure;
    if (WriteDictFile(file, &failure)) return true;
    std::swap(file.records, records);
    ReportFailure(operation, failure.code, failure.text);
    return false;
}

StoredRecord ConfigImage(const OpenDictionary& dictionary) {
    if (!dictionary.config.records.empty()) return dictionary.config.records.front();
    return StoredRecord(SystemConfigLayout().diskSize, 0);
}

bool CommitConfig(const char* operation, OpenDictionary& dictionary, StoredRecord image) {
    StoredRecords records = dictionary.config.records;
    if (records.empty()) {
        records.push_back(std::move(image));
    } else {
        records.front() = std::move(image);
    }
    return CommitRecords(operation, dictionary.config, std::move(records));
}

bool ReserveDatabaseId(const char* operation, OpenDictionary& dictionary, uint32_t* id) {
    StoredRecord config = ConfigImage(dictionary);
    uint64_t next = ReadStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4);
    next = std::max({next, HighestId(dictionary.databases, *DatabaseLayout().Find("id")) + 1, uint64_t{1}});
    // All ones means "no change" in update records, so it is never an id.
    if (next >= 0xFFFFFFFFu) return ReportFailure(operation, SHELL_ERROR_NO_ID, "every database id is used up");
    WriteStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4, next + 1);
    if (!CommitConfig(operation, dictionary, std::move(config))) return false;
    *id = static_cast<uint32_t>(next);
    return true;
}

bool ReserveFormatId(const char* operation, OpenDictionary& dictionary, uint16_t wanted, uint16_t* id) {
    const FieldLayout& idField = *DataFormatLayout().Find("id");
    bool taken = false;
    for (const StoredRecord& record : dictionary.formats.records) {
        if (ReadField(idField, record.data()) == wanted) taken = true;
    }
    StoredRecord config = ConfigImage(dictionary);
    uint64_t next = ReadStoredInteger(config.data(), CONFIG_NEXT_FORMAT_ID, 4);
    next = std::max({next, HighestId(dictionary.formats, idField) + 1, uint64_t{1}});
    uint64_t chosen = next;
    if (wanted != 0 && wanted != 0xFFFF && !taken) chosen = wanted;
    if (chosen >= 0xFFFF) return ReportFailure(operation, SHELL_ERROR_NO_ID, "every data format id is used up");
    WriteStoredInteger(config.data(), CONFIG_NEXT_FORMAT_ID, 4, std::max(next, chosen + 1));
    if (!CommitConfig(operation, dictionary, std::move(config))) return false;
    *id = static_cast<uint16_t>(chosen);
    return true;
}

bool SameName(const std::string& a, const char* b) {
    return b != nullptr && ZSTRCMPI(a.c_str(), b) == 0;
}

bool MatchesPattern(const char* pattern, const std::string& name) {
    if (pattern == nullptr || (pattern[0] == '*' && pattern[1] == '\0')) return true;
    return SameName(name, pattern);
}

std::string TextOrEmpty(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

}  // namespace zel::shell
