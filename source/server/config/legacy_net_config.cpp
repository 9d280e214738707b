#include <string>

#include "config_text.h"
#include "legacy_config_convert.h"

namespace {

constexpr int32_t ABSENT = -1;
constexpr int32_t TIME_WAIT_REMOTE = 2;
constexpr const char* DEFAULT_ROUTINE_LIMIT = "32";

struct NetSettings {
    int32_t connectCache = ABSENT;
    int32_t timeWaitMust = ABSENT;
    int32_t maxConcurNum = ABSENT;
};

void TakeNetItem(const LegacyItem& item, NetSettings* settings) {
    const char* key = item.key;
    if (ZSTRCMPI(key, "ConnectCache") == 0) {
        if (item.kind == Z_ITEM_BOOLEAN) {
            settings->connectCache = item.boolean ? 1 : 0;
        }
    } else if (ZSTRCMPI(key, "TimeWaitMust") == 0) {
        if (item.kind == Z_ITEM_BOOLEAN) {
            settings->timeWaitMust = item.boolean ? 1 : 0;
        } else if (ZSTRCMPI(item.value, "REMOTE") == 0) {
            settings->timeWaitMust = TIME_WAIT_REMOTE;
        }
    } else if (ZSTRCMPI(key, "MaxConcurNum") == 0) {
        if (item.kind == Z_ITEM_NUMBER && item.value[0] != '-') {
            settings->maxConcurNum = static_cast<int32_t>(item.number);
        }
    }
}

const char* TimeWaitText(int32_t value) {
    switch (value) {
        case 0: return "FALSE";
        case 1: return "TRUE";
        case TIME_WAIT_REMOTE: return "REMOTE";
        default: return "";
    }
}

}  // namespace

bool ConvertNetConfig(std::string* profile, const char* netPath, int* mayDelete) {
    *mayDelete = 0;
    NetSettings settings;
    const int present = Z_FileExists(netPath);
    if (present < 0) return false;
    if (present > 0) {
        HZFILE net = Z_OpenFile(netPath, Z_MODE_READ, 0, nullptr, 0);
        if (net == nullptr) {
            return false;
        }
        *mayDelete = ReadLegacyItems(net, [&](const LegacyItem& item) { TakeNetItem(item, &settings); });
        const bool damaged = !*mayDelete && Z_GetLastError() == Z_ERROR_TOO_LONG;
        CloseReadFile(net);
        // A line too long to read marks a damaged file: the items before it
        // are used and the file stays. Any other read error may pass; a
        // profile made from part of the file would then pass for a finished
        // conversion and stop every later run from reading the rest.
        if (!*mayDelete && !damaged) return false;
    }
    std::string connectCache = "ConnectCache=";
    if (settings.connectCache != ABSENT) {
        connectCache += settings.connectCache ? "TRUE" : "FALSE";
    }
    std::string routineLimit = "RoutineLimit=";
    routineLimit += settings.maxConcurNum >= 0 ? std::to_string(settings.maxConcurNum) : DEFAULT_ROUTINE_LIMIT;
    AddSectionStart(profile, "[Network]");
    AddProfileLine(profile, connectCache);
    AddProfileLine(profile, std::string("TimeWaitMust=") + TimeWaitText(settings.timeWaitMust));
    AddSectionStart(profile, "[Concurrent]");
    AddProfileLine(profile, routineLimit);
    return true;
}
