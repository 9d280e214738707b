#include "profile_section.h"

#include <cstring>

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

bool LoadProfileSection(HZFILE file, const char* section, ProfileKeyRow* table, char* item) {
    if (!Z_SeekFile(file, 0)) {
        return false;
    }
    int found = Z_SeekProfileSect(file, section);
    if (found < 0) {
        return false;
    }
    if (found == 0) {
        return true;
    }
    for (;;) {
        int valuePosition = Z_MAX_LINE;
        int kind = Z_ReadProfileItem(file, item, &valuePosition, nullptr, nullptr, nullptr);
        if (kind < 0) {
            return false;
        }
        if (kind == 0) {
            return true;
        }
        if (valuePosition <= 0 || valuePosition >= Z_MAX_LINE) {
            return false;
        }
        CarryItem(table, item, item + valuePosition);
    }
}
