// The sections of a PROFILE.INI text, read as the file readers read them.
#pragma once

#include <string>
#include <vector>

#include "profile_key_tables.h"
#include "profile_text.h"
#include "zelkit.h"

// The items of the first section named section (without regard to case) of
// the text of the file at path: false, with found set, when a line of the
// section or the header that ends it is longer than the readers take
// (Z_ERROR_TOO_LONG, naming path), so that a damaged file is never rewritten
// without part of it. True with nothing found when there is no such section.
bool ProfileSectionItems(const std::string& text, const char* path, const char* section,
                         std::vector<zel::toolkit::ProfileLine>* items, bool* found);

// Loads the section of the text into the table. Every row whose key matches
// an item (without regard to case) takes its value and becomes present; the
// row keeps the key as the table writes it, and a later item of the same
// key wins. True also when the text has no such section.
bool LoadProfileSection(const std::string& text, const char* path, const char* section, ProfileKeyRow* table);

// Whether a line (without its line end) is longer than the profile readers
// take; then the last error says so, naming path.
bool LineTooLong(const std::string& line, const char* path);
