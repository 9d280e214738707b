#include "record_chains.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "record_codec.h"
#include "record_layouts.h"

namespace zel::shell {

namespace {

// One zeroed block: `count` records of recordSize bytes, `extra` bytes, then
// room for the texts.
void* AllocateBlock(const RecordLayout& layout, size_t recordSize, const std::vector<const StoredRecord*>& stored,
                    size_t count, size_t extra) {
    size_t bytes = recordSize * count + extra;
    for (const StoredRecord* record : stored) bytes += DecodedTextBytes(layout, record->data()) + 1;
    return std::calloc(1, bytes);
}

template <typename Record>
Record* MakeChain(const RecordLayout& layout, const std::vector<const StoredRecord*>& stored) {
    Record* first = nullptr;
    Record* last = nullptr;
    for (const StoredRecord* record : stored) {
        void* block = AllocateBlock(layout, sizeof(Record), {record}, 1, 0);
        if (block == nullptr) {
            while (first != nullptr) {
                Record* next = first->next;
                std::free(first);
                first = next;
            }
            return nullptr;
        }
        Record* decoded = static_cast<Record*>(block);
        char* texts = static_cast<char*>(block) + sizeof(Record);
        DecodeRecord(layout, record->data(), decoded, &texts);
        if constexpr (std::is_same_v<Record, DatabaseRecord>) decoded->secondName = texts;  // empty text
        if (last == nullptr) {
            first = decoded;
        } else {
            last->next = decoded;
        }
        last = decoded;
    }
    return first;
}

}  // namespace

DatabaseRecord* MakeDatabaseChain(const std::vector<const StoredRecord*>& stored) {
    return MakeChain<DatabaseRecord>(DatabaseLayout(), stored);
}

DataFormatRecord* MakeDataFormatChain(const std::vector<const StoredRecord*>& stored) {
    return MakeChain<DataFormatRecord>(DataFormatLayout(), stored);
}

ColumnRecord* MakeColumnList(const std::vector<const StoredRecord*>& stored) {
    void* block = AllocateBlock(ColumnLayout(), sizeof(ColumnRecord), stored, stored.size() + 1, 0);
    if (block == nullptr) return nullptr;
    ColumnRecord* columns = static_cast<ColumnRecord*>(block);
    char* texts = static_cast<char*>(block) + sizeof(ColumnRecord) * (stored.size() + 1);
    for (size_t i = 0; i < stored.size(); ++i) DecodeRecord(ColumnLayout(), stored[i]->data(), &columns[i], &texts);
    return columns;
}

SystemConfigRecord* MakeSystemConfig(const StoredRecord& stored) {
    uint16_t count = static_cast<uint16_t>(ReadStoredInteger(stored.data(), CONFIG_CHARSET_COUNT, 2));
    if (count > MAX_CHARSET_ENTRIES) count = MAX_CHARSET_ENTRIES;
    size_t entries = sizeof(CharsetEntry) * count;
    void* block = AllocateBlock(SystemConfigLayout(), sizeof(SystemConfigRecord), {&stored}, 1, entries);
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
