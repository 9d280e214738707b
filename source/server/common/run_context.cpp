#include "run_context.h"

int RelationCharsetIndexOf(uint16_t charsetCode) {
    switch (charsetCode) {
        case CHARSET_CODE_GB18030: return RELATION_GB;
        case CHARSET_CODE_BIG5: return RELATION_BIG5;
        case CHARSET_CODE_UTF8: return RELATION_UTF8;
        case CHARSET_CODE_NONE: return RELATION_ENGLISH;
        default: return -1;
    }
}

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
