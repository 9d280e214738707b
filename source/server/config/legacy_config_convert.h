// Conversion of the pre-profile configuration files CACHE.CFG and NET.CFG
// into sections of a new PROFILE.INI, held as text until it is written.
#pragma once

#include <functional>
#include <string>

#include "zelkit.h"

// Reads CACHE.CFG (when it exists) and adds the IndexCache, Maintain and
// Retrieval sections to the profile's text. False when CACHE.CFG exists but
// cannot be opened or read, or the system cannot tell whether it exists.
// The file itself is left in place; *mayDelete becomes 1 when it was read
// completely and has no Preload item, whose several values a single profile
// key cannot all carry.
bool ConvertCacheConfig(std::string* profile, const char* cachePath, int* mayDelete);

// Reads NET.CFG (when it exists) and adds the Network and Concurrent
// sections. False when NET.CFG exists but cannot be opened or read, or the
// system cannot tell whether it exists. *mayDelete becomes 1 when the file
// was read completely.
bool ConvertNetConfig(std::string* profile, const char* netPath, int* mayDelete);

// Adds an empty line and then the section header: the sections of the
// converted profile are set apart by a blank line.
void AddSectionStart(std::string* profile, const char* header);
// Adds a line and its line end.
void AddProfileLine(std::string* profile, const std::string& line);

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
