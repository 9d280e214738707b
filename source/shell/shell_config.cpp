// The system configuration record (CONFIG.DIC).
#include "open_dictionary.h"
#include "record_chains.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "zelkit.h"
#include "zemshell.h"

using namespace zel::shell;

namespace {

void StoreCharsetEntries(StoredRecord& stored, const CharsetEntry* entries, uint16_t count) {
    for (uint32_t i = 0; i < MAX_CHARSET_ENTRIES; ++i) {
        uint32_t at = CONFIG_CHARSET_ENTRIES + i * CHARSET_ENTRY_SIZE;
        CharsetEntry entry{};
        if (i < count) entry = entries[i];
        WriteStoredInteger(stored.data(), at, 2, entry.code);
        WriteStoredInteger(stored.data(), at + 2, 2, entry.zero);
        WriteStoredInteger(stored.data(), at + 4, 4, entry.segmentId);
        WriteStoredInteger(stored.data(), at + 8, 4, entry.stopId);
        WriteStoredInteger(stored.data(), at + 12, 4, entry.thesaurusId);
        WriteStoredInteger(stored.data(), at + 16, 4, entry.synonymId);
        WriteStoredInteger(stored.data(), at + 20, 4, entry.antonymId);
    }
    WriteStoredInteger(stored.data(), CONFIG_CHARSET_COUNT, 2, count);
}

}  // namespace

SystemConfigRecord* GetSystemCFGInfo(ObjectEnv* env) {
    const char* operation = "GetSystemCFGInfo";
    if (Z_FaultPoint(operation)) return nullptr;
    OpenDictionary* dictionary = RequireOpen(operation);
    if (dictionary == nullptr) return nullptr;
    if (env == nullptr) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no object environment");
        return nullptr;
    }
    SystemConfigRecord* config = MakeSystemConfig(dictionary->config);
    if (config == nullptr) ReportFailure(operation, SHELL_ERROR_NO_MEMORY, "out of memory");
    return config;
}

// A charset entry pointer replaces the whole list with charsetCount entries;
// without one the list stays.
int UpdateSystemCFGInfo(ObjectEnv* env, SystemConfigRecord* update) {
    const char* operation = "UpdateSystemCFGInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation);
    if (dictionary == nullptr) return 0;
    if (env == nullptr || update == nullptr) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no object environment or no update record");
    }
    StoredRecord stored = dictionary->config;
    if (update->charsets != nullptr) {
        if (update->charsetCount > MAX_CHARSET_ENTRIES) {
            return ReportFailure(operation, SHELL_ERROR_BAD_RECORD,
                                 std::to_string(update->charsetCount) + " charset entries given; at most " +
                                     std::to_string(MAX_CHARSET_ENTRIES) + " are kept");
        }
        StoreCharsetEntries(stored, update->charsets, update->charsetCount);
    }
    std::string error;
    if (!ApplyUpdate(SystemConfigLayout(), update, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    return CommitConfig(operation, *dictionary, std::move(stored)) ? 1 : 0;
}

void FreeSystemCFGInfo(SystemConfigRecord* record) { ReleaseBlock(record); }
