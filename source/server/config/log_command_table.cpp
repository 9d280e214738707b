#include "log_command_table.h"

#include <cstring>

// The first five rows are general settings of the log, the others carry the
// names of the server's commands; the merge treats them all alike.
LogCommandRow g_logCommands[LOG_COMMAND_COUNT + 1] = {
    {0, "MAX_FILENUM     0"},
    {0, "MAX_FILESIZE    0"},
    {0, "ALL_ALLOW       0"},
    {0, "ALL_PROHIBIT    0"},
    {0, "DAY_DIVIDE      0"},
    {0, "COMMAND         0"},
    {0, "LOGIN           0"},
    {0, "LOGOUT          0"},
    {0, "SET_CONFIG      0"},
    {0, "GET_CONFIG      0"},
    {0, "CREATE_GROUP    0"},
    {0, "ALTER_GROUP     0"},
    {0, "GET_GROUP       0"},
    {0, "RENAME_GROUP    0"},
    {0, "DELETE_GROUP    0"},
    {0, "CREATE_USER     0"},
    {0, "ALTER_USER      0"},
    {0, "GET_USER        0"},
    {0, "RENAME_USER     0"},
    {0, "DELETE_USER     0"},
    {0, "CREATE_BASE     0"},
    {0, "ALTER_BASE      0"},
    {0, "GET_BASE        0"},
    {0, "RENAME_BASE     0"},
    {0, "DELETE_BASE     0"},
    {0, "GET_BASECOL     0"},
    {0, "RENAME_BASECOL  0"},
    {0, "CREATE_VIEW     0"},
    {0, "ALTER_VIEW      0"},
    {0, "GET_VIEW        0"},
    {0, "RENAME_VIEW     0"},
    {0, "DELETE_VIEW     0"},
    {0, "AUTOMATE_VIEW   0"},
    {0, "SHRINK_VIEW     0"},
    {0, "EXPAND_VIEW     0"},
    {0, "GET_VIEWCOL     0"},
    {0, "RENAME_VIEWCOL  0"},
    {0, "CREATE_FORMAT   0"},
    {0, "ALTER_FORMAT    0"},
    {0, "GET_FORMAT      0"},
    {0, "RENAME_FORMAT   0"},
    {0, "GRANT_RIGHT     0"},
    {0, "REVOKE_RIGHT    0"},
    {0, "GET_RIGHT       0"},
    {0, "LOCK_BASE       0"},
    {0, "COPY_BASE       0"},
    {0, "OPTIMIZE_BASE   0"},
    {0, "BACKUP_BASE     0"},
    {0, "RESTORE_BASE    0"},
    {0, "EXTEND_ATTR     0"},
    {0, "MOVE_BASE       0"},
    {0, "LOAD_RECORD     0"},
    {0, "INSERT_RECORD   0"},
    {0, "UPDATE_RECORD   0"},
    {0, "DELETE_RECORD   0"},
    {0, "COPY_RECORD     0"},
    {0, "CREATE_INDEX    0"},
    {0, "REMOVE_INDEX    0"},
    {0, "VALIDATE_INDEX  0"},
    {0, "INDEX_INFO      0"},
    {0, "EDIT_LEXICON    0"},
    {0, "SELECT_RECORD   0"},
    {0, "SORT_RESULT     0"},
    {0, "LOCKUP_RESULT   0"},
    {0, "UNLOCK_RESULT   0"},
    {0, "GET_RESULT      0"},
    {0, "GET_RECORD      0"},
    {0, "GET_RECORDID    0"},
    {0, "READ_RECORD     0"},
    {0, "PICK_RECORDID   0"},
    {0, "SELECT_WORD     0"},
    {0, "GET_WORD        0"},
    {0, "GET_SORT        0"},
    {0, "DELETE_RESULT   0"},
    {0, "RESUME_RESULT   0"},
    {0, "CLASS_RESULT    0"},
    {0, ""},
};

LogCommandRow* FindLogCommand(const char* name, size_t nameLength) {
    if (nameLength == 0 || nameLength >= static_cast<size_t>(LOG_VALUE_COLUMN)) {
        return nullptr;
    }
    for (LogCommandRow* row = g_logCommands; row->line[0] != '\0'; ++row) {
        // The blank after the row's name rules out a row that merely starts
        // with the name (GET_BASE is not GET_BASECOL). The row's name length
        // is tested first (a blank right after it, none at its end): it rules
        // out most rows without comparing names, and every line of a large
        // file is looked up here.
        if (row->line[nameLength] == ' ' && row->line[nameLength - 1] != ' ' &&
            ZSTRNCMPI(row->line, name, nameLength) == 0) {
            return row;
        }
    }
    return nullptr;
}

void ResetLogCommandTable() {
    for (LogCommandRow* row = g_logCommands; row->line[0] != '\0'; ++row) {
        row->present = 0;
        row->line[LOG_VALUE_COLUMN] = '0';
        row->line[LOG_VALUE_COLUMN + 1] = '\0';
    }
}
