// The settings of LOG.INI that the merge knows: the general log settings and
// one switch per server command.
#pragma once

#include <cstdint>

#include "zelkit.h"

// The value of every row starts here, after the name filled with blanks.
constexpr int LOG_VALUE_COLUMN = 16;
constexpr int LOG_COMMAND_COUNT = 76;

// One setting: line is the name, blanks up to LOG_VALUE_COLUMN, then the value
// in decimal. A row with an empty line ends the table.
struct LogCommandRow {
    int32_t present;  // 1 once the installed file had a setting line for it
    char line[Z_MAX_LINE];
};

extern LogCommandRow g_logCommands[LOG_COMMAND_COUNT + 1];

// The row whose name equals name without regard to case, or null.
LogCommandRow* FindLogCommand(const char* name, size_t nameLength);

// Back to the initial contents: nothing present, every value "0".
void ResetLogCommandTable();
