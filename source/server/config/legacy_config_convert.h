// Conversion of the pre-profile configuration files CACHE.CFG and NET.CFG
// into sections of a new PROFILE.INI.
#pragma once

#include <functional>

#include "zelkit.h"

// Reads CACHE.CFG (when it exists) and writes the IndexCache, Maintain and
// Retrieval sections to the open profile. True when every line was
// written; false when a write failed, CACHE.CFG exists but cannot be opened,
// or the system cannot tell whether it exists.
// The file itself is left in place; *mayDelete becomes 1 when it was read
// completely and has no Preload item, whose several values a single profile
// key cannot all carry.
bool ConvertCacheConfig(HZFILE profile, const char* cachePath, int* mayDelete);

// Reads NET.CFG (when it exists) and writes the Network and Concurrent
// sections. True when every line was written; false when a write failed,
// NET.CFG exists but cannot be opened, or the system cannot tell whether it
// exists. *mayDelete becomes 1 when the file was read completely.
bool ConvertNetConfig(HZFILE profile, const char* netPath, int* mayDelete);

// Writes an empty line and then the section header: the sections of the
// converted profile are set apart by a blank line.
bool WriteSectionStart(HZFILE profile, const char* header);
// Writes a line and its line end; true when written.
bool WriteProfileLine(HZFILE profile, const char* line);

// One item of CACHE.CFG or NET.CFG, with the kind the profile reader gives
// its value (Z_ITEM_*) and the boolean or number it reads from it.
struct LegacyItem {
    const char* key;
    const char* value;  // never empty: an item without a value counts as absent
    int kind;
    int32_t boolean;
    uint32_t number;
};

// Reads the items of an old configuration file, which has no sections, from
// where the file stands up to its end or the first read error, and hands
// each one with a value to take. True when the whole file was read.
bool ReadLegacyItems(HZFILE file, const std::function<void(const LegacyItem&)>& take);
