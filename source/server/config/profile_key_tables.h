// The keys of PROFILE.INI whose installed values survive the merge into the
// new release's template, one table per section.
#pragma once

#include <cstdint>

#include "zelkit.h"

// One carried key. line holds the key as the table writes it and "=", and
// after loading the installed value behind it. A row with an empty line ends
// a table.
struct ProfileKeyRow {
    int32_t present;  // 1 once the installed file supplied a value
    char line[Z_MAX_LINE];
};

struct ProfileKeyTable {
    const char* section;
    ProfileKeyRow* rows;
};

constexpr int PROFILE_KEY_TABLE_COUNT = 9;

// The nine tables in the order their sections are loaded: IndexCache,
// Maintain, Retrieval, Network, Concurrent, AutoView, AutoBatch, AutoReboot,
// Background.
extern const ProfileKeyTable g_profileKeyTables[PROFILE_KEY_TABLE_COUNT];

// The table of a section (name compared without regard to case), or null for
// a section that carries nothing.
ProfileKeyRow* FindProfileKeyTable(const char* section);

// Back to the initial contents: nothing present, every line only "key=".
void ResetProfileKeyTables();
