#include <string>

#include "config_text.h"
#include "legacy_config_convert.h"

namespace {

constexpr int32_t ABSENT = -1;

struct CacheSettings {
    int32_t lowLimit = ABSENT;
    int32_t mediumLimit = ABSENT;
    int32_t highLimit = ABSENT;
    int32_t memorySize = ABSENT;
    int32_t diskSize = ABSENT;
    int preload = 0;
    int32_t btreeIndex = ABSENT;
    int32_t parallel = 0;
    int relevanceMode = 0;
    int32_t idleTaskAbort = ABSENT;
};

void TakeCacheItem(const LegacyItem& item, CacheSettings* settings) {
    const char* key = item.key;
    struct NumberKey {
        const char* key;
        int32_t* target;
    };
    const NumberKey numberKeys[] = {
        {"LowLimit", &settings->lowLimit},   {"MediumLimit", &settings->mediumLimit},
        {"HighLimit", &settings->highLimit}, {"MemorySize", &settings->memorySize},
        {"DiskSize", &settings->diskSize},   {"Parallel", &settings->parallel},
    };
    for (const NumberKey& numberKey : numberKeys) {
        if (ZSTRCMPI(key, numberKey.key) == 0) {
            if (item.kind == Z_ITEM_NUMBER) {
                *numberKey.target = static_cast<int32_t>(item.number);
            }
            return;
        }
    }
    if (ZSTRCMPI(key, "Preload") == 0) {
        settings->preload = 1;
    } else if (ZSTRCMPI(key, "BTreeIndex") == 0) {
        if (item.kind == Z_ITEM_BOOLEAN) {
            settings->btreeIndex = item.boolean ? 1 : 0;
        }
    } else if (ZSTRCMPI(key, "IdleTaskAbort") == 0) {
        if (item.kind == Z_ITEM_BOOLEAN) {
            settings->idleTaskAbort = item.boolean ? 1 : 0;
        }
    } else if (ZSTRCMPI(key, "RelevanceMode") == 0) {
        if (ZSTRCMPI(item.value, "WORD_V1") == 0) {
            settings->relevanceMode = 1;
        } else if (ZSTRCMPI(item.value, "WORD_V2") == 0) {
            settings->relevanceMode = 2;
        }
    }
}

bool WriteLimit(HZFILE profile, const char* key, int32_t value) {
    std::string line = std::string(key) + "=";
    if (value >= 0) {
        line += std::to_string(value);
    }
    return WriteProfileLine(profile, line.c_str());
}

// Every Preload item in file order, an empty one too. False when a write
// failed or the file could not be read again to its end.
bool WritePreloadLines(HZFILE profile, HZFILE cache) {
    if (!Z_SeekFile(cache, 0)) {
        return false;
    }
    char item[Z_MAX_LINE];
    for (;;) {
        int valuePosition = Z_MAX_LINE;
        int kind = Z_ReadProfileItem(cache, item, &valuePosition, nullptr, nullptr, nullptr);
        if (kind <= 0 || valuePosition <= 0 || valuePosition >= Z_MAX_LINE) {
            return (kind == 0 && !Z_FileError(cache)) || Z_GetLastError() == Z_ERROR_TOO_LONG;
        }
        if (ZSTRCMPI(item, "Preload") == 0) {
            std::string line = std::string("Preload=") + (item + valuePosition);
            if (!WriteProfileLine(profile, line.c_str())) {
                return false;
            }
        }
    }
}

const char* BooleanText(int32_t value, const char* absentText) {
    if (value == ABSENT) {
        return absentText;
    }
    return value ? "TRUE" : "FALSE";
}

bool WriteCacheSections(HZFILE profile, HZFILE cache, const CacheSettings& settings) {
    if (!WriteProfileLine(profile, "[IndexCache]") || !WriteLimit(profile, "LowLimit", settings.lowLimit) ||
        !WriteLimit(profile, "MediumLimit", settings.mediumLimit) ||
        !WriteLimit(profile, "HighLimit", settings.highLimit) ||
        !WriteLimit(profile, "MemorySize", settings.memorySize) ||
        !WriteLimit(profile, "DiskSize", settings.diskSize)) {
        return false;
    }
    if (settings.preload ? !WritePreloadLines(profile, cache) : !WriteProfileLine(profile, "Preload=")) {
        return false;
    }
    std::string btCache = std::string("BTCacheEnable=") + BooleanText(settings.btreeIndex, "WRITE");
    std::string idleAbort = std::string("IdleTaskAbort=") + BooleanText(settings.idleTaskAbort, "");
    std::string parallel = "ParallelLimit=";
    if (settings.parallel != 0) {
        parallel += std::to_string(settings.parallel);
    }
    const char* relevanceModes[] = {"RelevanceMode=", "RelevanceMode=WORD_V1", "RelevanceMode=WORD_V2"};
    return WriteSectionStart(profile, "[Maintain]") && WriteProfileLine(profile, btCache.c_str()) &&
           WriteProfileLine(profile, idleAbort.c_str()) && WriteSectionStart(profile, "[Retrieval]") &&
           WriteProfileLine(profile, parallel.c_str()) &&
           WriteProfileLine(profile, relevanceModes[settings.relevanceMode]);
}

}  // namespace

bool WriteSectionStart(HZFILE profile, const char* header) {
    return WriteProfileLine(profile, "") && WriteProfileLine(profile, header);
}

bool WriteProfileLine(HZFILE profile, const char* line) { return Z_WriteFileLineEx(profile, line, 1); }

bool ConvertCacheConfig(HZFILE profile, const char* cachePath, int* mayDelete) {
    *mayDelete = 0;
    CacheSettings settings;
    HZFILE cache = nullptr;
    int readCompletely = 0;
    const int present = Z_FileExists(cachePath);
    if (present < 0) return false;
    if (present > 0) {
        cache = Z_OpenFile(cachePath, Z_MODE_READ, 0, nullptr, 0);
        if (cache == nullptr) {
            return false;
        }
        readCompletely = ReadLegacyItems(cache, [&](const LegacyItem& item) { TakeCacheItem(item, &settings); });
    }
    // A line too long to read marks a damaged file: the items before it are
    // used and the file stays. Any other read error may pass; a profile made
    // from part of the file would then pass for a finished conversion and
    // stop every later run from reading the rest.
    const bool usable = cache == nullptr || readCompletely || Z_GetLastError() == Z_ERROR_TOO_LONG;
    int written = usable && WriteCacheSections(profile, cache, settings);
    if (cache != nullptr) {
        CloseReadFile(cache);
        *mayDelete = written && readCompletely && !settings.preload;
    }
    return written;
}
