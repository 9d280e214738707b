#include "run_choices.h"

bool ParseEntityChoice(const char* value, EntityChoice* choice) {
    if (ZSTRCMPI(value, "REW") == 0) {
        *choice = EntityChoice::Replace;
    } else if (ZSTRCMPI(value, "ADD") == 0) {
        *choice = EntityChoice::Append;
    } else {
        return false;
    }
    return true;
}

OldNamesChoice ParseOldNamesChoice(const char* value) {
    return ZSTRCMPI(value, "YES") == 0 || ZSTRCMPI(value, "Y") == 0 ? OldNamesChoice::Keep : OldNamesChoice::Drop;
}
