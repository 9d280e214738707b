#include "legacy_config_convert.h"

bool ReadLegacyItems(HZFILE file, const std::function<void(const LegacyItem&)>& take) {
    char item[Z_MAX_LINE];
    for (;;) {
        int valuePosition = Z_MAX_LINE;
        int32_t boolean = 0;
        uint32_t number = 0;
        const int kind = Z_ReadProfileItem(file, item, &valuePosition, &boolean, &number, nullptr);
        if (kind <= 0 || valuePosition <= 0 || valuePosition >= Z_MAX_LINE) {
            return kind == 0 && !Z_FileError(file);
        }
        const char* value = item + valuePosition;
        if (value[0] != '\0') {
            take(LegacyItem{item, value, kind, boolean, number});
        }
    }
}
