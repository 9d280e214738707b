// Recognising the setting lines of LOG.INI: a name, blanks, a whole number.
#pragma once

#include <cstddef>
#include <cstdint>

struct LogSettingLine {
    size_t nameStart;
    size_t nameLength;
    size_t numberStart;  // at the sign, or at the first digit
    size_t digitsStart;
    size_t numberEnd;  // just after the last digit
    int32_t value;
};

// A line starting with "#" is a comment.
bool IsLogComment(const char* line);

// Fills setting when the line holds a run of non-blank characters (the name)
// and, after optional blanks, a signed decimal number that fits 32 bits.
// Only characters below 0x80 can be blanks or digits. A number out of range
// makes the line no setting line.
bool ParseLogSettingLine(const char* line, LogSettingLine* setting);
