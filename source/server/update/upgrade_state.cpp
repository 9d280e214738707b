#include "server/update/upgrade_state.h"

#include <cstring>

#include "server/host/dictionary_records.h"

char g_packageDir[Z_MAX_PATH];
int g_dictionaryMode;
int g_nativeCharsetChosen;
LexiconIds g_lexiconIds;
uint32_t g_stopEnglishId;
uint32_t g_replacedSegmentId;
uint32_t g_replacedStopId;
uint32_t g_relationIds[3][4];
int g_newSystemDatabase;

int RelationCharsetIndexOf(uint16_t charsetCode) {
    switch (charsetCode) {
        case CHARSET_CODE_GB18030: return RELATION_GB;
        case CHARSET_CODE_BIG5: return RELATION_BIG5;
        case CHARSET_CODE_UTF8: return RELATION_UTF8;
        case CHARSET_CODE_NONE: return RELATION_ENGLISH;
        default: return -1;
    }
}

void ResetUpgradeState() {
    std::memset(g_packageDir, 0, sizeof g_packageDir);
    g_dictionaryMode = 0;
    g_nativeCharsetChosen = 0;
    g_lexiconIds = LexiconIds{};
    g_stopEnglishId = 0;
    g_replacedSegmentId = 0;
    g_replacedStopId = 0;
    std::memset(g_relationIds, 0, sizeof g_relationIds);
    g_newSystemDatabase = 0;
}
