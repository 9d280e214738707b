#include "profile_section.h"

#include <cstring>

#include "config_text.h"

using zel::toolkit::ParseProfileLine;
using zel::toolkit::ProfileLine;
using zel::toolkit::ProfileLineKind;
using zel::toolkit::ProfileTextLines;

namespace {

void CarryItem(ProfileKeyRow* table, const char* key, const char* value) {
    size_t keyLength = std::strlen(key);
    size_t valueLength = std::strlen(value);
    // Every matching row takes the value, not only the first.
    for (ProfileKeyRow* row = table; row->line[0] != '\0'; ++row) {
        // The '=' test first: it rules out most rows without comparing names.
        if (row->line[keyLength] != '=' || ZSTRNCMPI(row->line, key, keyLength) != 0) {
            continue;
        }
        if (keyLength + valueLength + 1 < static_cast<size_t>(Z_MAX_LINE)) {
            std::memcpy(row->line + keyLength + 1, value, valueLength + 1);
            row->present = 1;
        }
    }
}

}  // namespace

bool LineTooLong(const std::string& line, const char* path) {
    constexpr int longest = Z_MAX_LINE - 1;
    if (line.size() <= static_cast<size_t>(longest)) return false;
    Z_SetLastErrorText(Z_ERROR_TOO_LONG, "a line of %s is longer than %d characters", path, longest);
    return true;
}

bool ProfileSectionItems(const std::string& text, const char* path, const char* section,
                         std::vector<ProfileLine>* items, bool* found) {
    items->clear();
    *found = false;
    const std::string wanted = TrimmedText(section);
    ProfileTextLines lines(text);
    while (lines.Next()) {
        if (*found && LineTooLong(lines.Line(), path)) return false;
        ProfileLine line = ParseProfileLine(lines.Line());
        if (line.kind == ProfileLineKind::Header) {
            if (*found) return true;
            *found = ZSTRCMPI(line.name.c_str(), wanted.c_str()) == 0;
        } else if (*found && line.kind == ProfileLineKind::Item) {
            items->push_back(std::move(line));
        }
    }
    return true;
}

bool LoadProfileSection(const std::string& text, const char* path, const char* section, ProfileKeyRow* table) {
    std::vector<ProfileLine> items;
    bool found = false;
    if (!ProfileSectionItems(text, path, section, &items, &found)) return false;
    for (const ProfileLine& item : items) CarryItem(table, item.name.c_str(), item.value.c_str());
    return true;
}
