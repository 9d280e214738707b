// Loading the carried keys of one PROFILE.INI section.
#pragma once

#include "profile_key_tables.h"
#include "zelkit.h"

// Reads the section of the open file into the table, through the item
// buffer (Z_MAX_LINE bytes). Every row whose key matches an item (without
// regard to case) takes its value and becomes present; the row keeps the key
// as the table writes it, and a later item of the same key wins. True also
// when the file has no such section; false on a read error.
bool LoadProfileSection(HZFILE file, const char* section, ProfileKeyRow* table, char* item);
