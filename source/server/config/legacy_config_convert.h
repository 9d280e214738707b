// Conversion of the pre-profile configuration files CACHE.CFG and NET.CFG
// into sections of a new PROFILE.INI.
#pragma once

#include "zelkit.h"

// Reads CACHE.CFG (when it exists) and writes the IndexCache, Maintain and
// Retrieval sections to the open profile. Returns 1 when every line was
// written; 0 when a write failed or CACHE.CFG exists but cannot be opened.
// The file itself is left in place; *mayDelete becomes 1 when it was read
// completely and has no Preload item, whose several values a single profile
// key cannot all carry.
bool ConvertCacheConfig(HZFILE profile, const char* cachePath, int* mayDelete);

// Reads NET.CFG (when it exists) and writes the Network and Concurrent
// sections. Returns 1 when every line was written; 0 when a write failed or
// NET.CFG exists but cannot be opened. *mayDelete becomes 1 when the file was
// read completely.
bool ConvertNetConfig(HZFILE profile, const char* netPath, int* mayDelete);

// Writes an empty line and then the section header: the sections of the
// converted profile are set apart by a blank line.
bool WriteSectionStart(HZFILE profile, const char* header);
// Writes a line and its line end; 1 when written.
bool WriteProfileLine(HZFILE profile, const char* line);
