#include "log_command_table.h"

#include <cstdio>

namespace {

// The first five rows are general settings of the log, the others carry the
// names of the server's commands; the merge treats them all alike.
constexpr const char* kLogCommandNames[LOG_COMMAND_COUNT] = {
    "MAX_FILENUM",    "MAX_FILESIZE",  "ALL_ALLOW",      "ALL_PROHIBIT",  "DAY_DIVIDE",     "COMMAND",
    "LOGIN",          "LOGOUT",        "SET_CONFIG",     "GET_CONFIG",    "CREATE_GROUP",   "ALTER_GROUP",
    "GET_GROUP",      "RENAME_GROUP",  "DELETE_GROUP",   "CREATE_USER",   "ALTER_USER",     "GET_USER",
    "RENAME_USER",    "DELETE_USER",   "CREATE_BASE",    "ALTER_BASE",    "GET_BASE",       "RENAME_BASE",
    "DELETE_BASE",    "GET_BASECOL",   "RENAME_BASECOL", "CREATE_VIEW",   "ALTER_VIEW",     "GET_VIEW",
    "RENAME_VIEW",    "DELETE_VIEW",   "AUTOMATE_VIEW",  "SHRINK_VIEW",   "EXPAND_VIEW",    "GET_VIEWCOL",
    "RENAME_VIEWCOL", "CREATE_FORMAT", "ALTER_FORMAT",   "GET_FORMAT",    "RENAME_FORMAT",  "GRANT_RIGHT",
    "REVOKE_RIGHT",   "GET_RIGHT",     "LOCK_BASE",      "COPY_BASE",     "OPTIMIZE_BASE",  "BACKUP_BASE",
    "RESTORE_BASE",   "EXTEND_ATTR",   "MOVE_BASE",      "LOAD_RECORD",   "INSERT_RECORD",  "UPDATE_RECORD",
    "DELETE_RECORD",  "COPY_RECORD",   "CREATE_INDEX",   "REMOVE_INDEX",  "VALIDATE_INDEX", "INDEX_INFO",
    "EDIT_LEXICON",   "SELECT_RECORD", "SORT_RESULT",    "LOCKUP_RESULT", "UNLOCK_RESULT",  "GET_RESULT",
    "GET_RECORD",     "GET_RECORDID",  "READ_RECORD",    "PICK_RECORDID", "SELECT_WORD",    "GET_WORD",
    "GET_SORT",       "DELETE_RESULT", "RESUME_RESULT",  "CLASS_RESULT",
};

}  // namespace

LogCommandTable::LogCommandTable() : rows_(LOG_COMMAND_COUNT) {
    for (size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].present = 0;
        std::snprintf(rows_[i].line, sizeof rows_[i].line, "%-*s0", LOG_VALUE_COLUMN, kLogCommandNames[i]);
    }
}

LogCommandRow* LogCommandTable::Find(const char* name, size_t nameLength) {
    if (nameLength == 0 || nameLength >= static_cast<size_t>(LOG_VALUE_COLUMN)) {
        return nullptr;
    }
    for (LogCommandRow& row : rows_) {
        // The blank after the row's name rules out a row that merely starts
        // with the name (GET_BASE is not GET_BASECOL). The row's name length
        // is tested first (a blank right after it, none at its end): it rules
        // out most rows without comparing names, and every line of a large
        // file is looked up here.
        if (row.line[nameLength] == ' ' && row.line[nameLength - 1] != ' ' &&
            ZSTRNCMPI(row.line, name, nameLength) == 0) {
            return &row;
        }
    }
    return nullptr;
}
