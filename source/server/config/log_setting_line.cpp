#include "log_setting_line.h"

#include <charconv>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsLogComment(const char* line) { return line[0] == '#'; }

bool ParseLogSettingLine(const char* line, LogSettingLine* setting) {
    size_t at = 0;
    while (IsBlank(line[at])) {
        ++at;
    }
    setting->nameStart = at;
    while (line[at] != '\0' && !IsBlank(line[at])) {
        ++at;
    }
    setting->nameLength = at - setting->nameStart;
    if (setting->nameLength == 0) {
        return false;
    }
    while (IsBlank(line[at])) {
        ++at;
    }
    setting->numberStart = at;
    if (line[at] == '+' || line[at] == '-') {
        ++at;
    }
    setting->digitsStart = at;
    while (IsDigit(line[at])) {
        ++at;
    }
    setting->numberEnd = at;
    if (setting->numberEnd == setting->digitsStart) {
        return false;
    }
    // from_chars takes a minus sign but no plus sign.
    const char* first = line + (line[setting->numberStart] == '-' ? setting->numberStart : setting->digitsStart);
    int32_t value = 0;
    auto [end, error] = std::from_chars(first, line + setting->numberEnd, value);
    if (error != std::errc() || end != line + setting->numberEnd) {
        return false;
    }
    setting->value = value;
    return true;
}
