#include "record_chains.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "record_codec.h"
#include "record_layouts.h"

namespace zel::shell {

namespace {

// One zeroed block: `count` records of recordSize bytes, `extra` bytes, then
// room for the texts of the stored records.
void* AllocateBlock(const RecordLayout& layout, size_t recordSize, const std::vector<const uint8_t*>& stored,
                    size_t count, size_t extra) {
    size_t bytes = recordSize * count + extra;
    for (const uint8_t* record : stored) bytes += DecodedTextBytes(layout, record) + 1;
    return std::calloc(1, bytes);
}

template <typename Record>
Record* Decode(const RecordLayout& layout, const uint8_t* stored) {
    void* block = AllocateBlock(layout, sizeof(Record), {stored}, 1, 0);
    if (block == nullptr) return nullptr;
    Record* decoded = static_cast<Record*>(block);
    char* texts = static_cast<char*>(block) + sizeof(Record);
    DecodeRecord(layout, stored, decoded, &texts);
    if constexpr (std::is_same_v<Record, DatabaseRecord>) decoded->secondName = texts;  // empty text
    return decoded;
}

template <typename Record>
Record* Link(std::vector<Record*>& records) {
    std::stable_sort(records.begin(), records.end(), [](const Record* a, const Record* b) { return a->id < b->id; });
    for (size_t i = 0; i + 1 < records.size(); ++i) records[i]->next = records[i + 1];
    if (!records.empty()) records.back()->next = nullptr;
    return records.empty() ? nullptr : records.front();
}

}  // namespace

DatabaseRecord* DecodeDatabase(const uint8_t* stored) { return Decode<DatabaseRecord>(DatabaseLayout(), stored); }

DataFormatRecord* DecodeDataFormat(const uint8_t* stored) {
    return Decode<DataFormatRecord>(DataFormatLayout(), stored);
}

DatabaseRecord* LinkById(std::vector<DatabaseRecord*>& records) { return Link(records); }

DataFormatRecord* LinkById(std::vector<DataFormatRecord*>& records) { return Link(records); }

ColumnRecord* MakeColumnList(const std::vector<StoredRecord>& stored) {
    std::vector<const uint8_t*> records;
    for (const StoredRecord& record : stored) records.push_back(record.data());
    void* block = AllocateBlock(ColumnLayout(), sizeof(ColumnRecord), records, records.size() + 1, 0);
    if (block == nullptr) return nullptr;
    ColumnRecord* columns = static_cast<ColumnRecord*>(block);
    char* texts = static_cast<char*>(block) + sizeof(ColumnRecord) * (records.size() + 1);
    for (size_t i = 0; i < records.size(); ++i) DecodeRecord(ColumnLayout(), records[i], &columns[i], &texts);
    return columns;
}

SystemConfigRecord* MakeSystemConfig(const StoredRecord& stored) {
    uint16_t count = static_cast<uint16_t>(ReadStoredInteger(stored.data(), CONFIG_CHARSET_COUNT, 2));
    if (count > MAX_CHARSET_ENTRIES) count = MAX_CHARSET_ENTRIES;
    size_t entries = sizeof(CharsetEntry) * count;
    void* block = AllocateBlock(SystemConfigLayout(), sizeof(SystemConfigRecord), {stored.data()}, 1, entries);
    if (block == nullptr) return nullptr;
    SystemConfigRecord* config = static_cast<SystemConfigRecord*>(block);
    CharsetEntry* charsets = reinterpret_cast<CharsetEntry*>(static_cast<char*>(block) + sizeof(SystemConfigRecord));
    char* texts = reinterpret_cast<char*>(charsets) + entries;
    DecodeRecord(SystemConfigLayout(), stored.data(), config, &texts);
    for (uint16_t i = 0; i < count; ++i) {
        uint32_t at = CONFIG_CHARSET_ENTRIES + i * CHARSET_ENTRY_SIZE;
        charsets[i].code = static_cast<uint16_t>(ReadStoredInteger(stored.data(), at, 2));
        charsets[i].zero = static_cast<uint16_t>(ReadStoredInteger(stored.data(), at + 2, 2));
        charsets[i].segmentId = static_cast<uint32_t>(ReadStoredInteger(stored.data(), at + 4, 4));
        charsets[i].stopId = static_cast<uint32_t>(ReadStoredInteger(stored.data(), at + 8, 4));
        charsets[i].thesaurusId = static_cast<uint32_t>(ReadStoredInteger(stored.data(), at + 12, 4));
        charsets[i].synonymId = static_cast<uint32_t>(ReadStoredInteger(stored.data(), at + 16, 4));
        charsets[i].antonymId = static_cast<uint32_t>(ReadStoredInteger(stored.data(), at + 20, 4));
    }
    config->charsetCount = count;
    config->charsets = count > 0 ? charsets : nullptr;
    return config;
}

void ReleaseBlock(void* block) { std::free(block); }

}  // namespace zel::shell
