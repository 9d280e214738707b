// The settings of LOG.INI that the merge knows: the general log settings and
// one switch per server command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zelkit.h"

// The value of every row starts here, after the name filled with blanks.
constexpr int LOG_VALUE_COLUMN = 16;
constexpr int LOG_COMMAND_COUNT = 76;

// One setting: line is the name, blanks up to LOG_VALUE_COLUMN, then the value
// in decimal.
struct LogCommandRow {
    int32_t present;  // 1 once the installed file had a setting line for it
    char line[Z_MAX_LINE];
};

// The table for one merge, at its initial contents: nothing present, every
// value "0".
class LogCommandTable {
public:
    LogCommandTable();
    // The row whose name equals name without regard to case, or null.
    LogCommandRow* Find(const char* name, size_t nameLength);

private:
    std::vector<LogCommandRow> rows_;
};
