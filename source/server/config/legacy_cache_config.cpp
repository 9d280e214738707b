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

void AddLimit(std::string* profile, const char* key, int32_t value) {
    std::string line = std::string(key) + "=";
    if (value >= 0) {
        line += std::to_string(value);
    }
    AddProfileLine(profile, line);
}

// Every Preload item in file order, an empty one too. False when the file
// could not be read again to its end.
bool AddPreloadLines(std::string* profile, HZFILE cache) {
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
            AddProfileLine(profile, std::string("Preload=") + (item + valuePosition));
        }
    }
}

const char* BooleanText(int32_t value, const char* absentText) {
    if (value == ABSENT) {
        return absentText;
    }
    return value ? "TRUE" : "FALSE";
}

bool AddCacheSections(std::string* profile, HZFILE cache, const CacheSettings& settings) {
    AddProfileLine(profile, "[IndexCache]");
    AddLimit(profile, "LowLimit", settings.lowLimit);
    AddLimit(profile, "MediumLimit", settings.mediumLimit);
    AddLimit(profile, "HighLimit", settings.highLimit);
    AddLimit(profile, "MemorySize", settings.memorySize);
    AddLimit(profile, "DiskSize", settings.diskSize);
    if (settings.preload) {
        if (!AddPreloadLines(profile, cache)) return false;
    } else {
        AddProfileLine(profile, "Preload=");
    }
    std::string parallel = "ParallelLimit=";
    if (settings.parallel != 0) {
        parallel += std::to_string(settings.parallel);
    }
    const char* relevanceModes[] = {"RelevanceMode=", "RelevanceMode=WORD_V1", "RelevanceMode=WORD_V2"};
    AddSectionStart(profile, "[Maintain]");
    AddProfileLine(profile, std::string("BTCacheEnable=") + BooleanText(settings.btreeIndex, "WRITE"));
    AddProfileLine(profile, std::string("IdleTaskAbort=") + BooleanText(settings.idleTaskAbort, ""));
    AddSectionStart(profile, "[Retrieval]");
    AddProfileLine(profile, parallel);
    AddProfileLine(profile, relevanceModes[settings.relevanceMode]);
    return true;
}

}  // namespace

void AddSectionStart(std::string* profile, const char* header) {
    AddProfileLine(profile, "");
    AddProfileLine(profile, header);
}

void AddProfileLine(std::string* profile, const std::string& line) { *profile += line + Z_LINE_END; }

bool ConvertCacheConfig(std::string* profile, const char* cachePath, int* mayDelete) {
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
    const bool written = usable && AddCacheSections(profile, cache, settings);
    if (cache != nullptr) {
        CloseReadFile(cache);
        *mayDelete = written && readCompletely && !settings.preload;
    }
    return written;
}
