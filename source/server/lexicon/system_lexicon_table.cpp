#include "server/lexicon/system_lexicon_table.h"

#include "server/update/upgrade_state.h"

namespace {

constexpr const char* kSegmentFile = "segment.dic";
constexpr const char* kStopFile = "stop.dic";

constexpr SystemLexiconDefinition kLexicons[SYSTEM_LEXICON_COUNT] = {
    {"SEGMENT_GB", DB_KIND_SEGMENT_LEXICON, kSegmentFile, CHARSET_CODE_GB18030},
    {"STOP_GB", DB_KIND_STOP_LEXICON, kStopFile, CHARSET_CODE_GB18030},
    {"IDEO_ALL_GB", DB_KIND_SEGMENT_LEXICON, nullptr, CHARSET_CODE_GB18030},
    {"SEGMENT_BIG5", DB_KIND_SEGMENT_LEXICON, kSegmentFile, CHARSET_CODE_BIG5},
    {"STOP_BIG5", DB_KIND_STOP_LEXICON, kStopFile, CHARSET_CODE_BIG5},
    {"IDEO_ALL_BIG5", DB_KIND_SEGMENT_LEXICON, nullptr, CHARSET_CODE_BIG5},
    {"SEGMENT_UTF8", DB_KIND_SEGMENT_LEXICON, kSegmentFile, CHARSET_CODE_UTF8},
    {"STOP_UTF8", DB_KIND_STOP_LEXICON, kStopFile, CHARSET_CODE_UTF8},
    {"IDEO_ALL_UTF8", DB_KIND_SEGMENT_LEXICON, nullptr, CHARSET_CODE_UTF8},
};

}  // namespace

const SystemLexiconDefinition& SystemLexiconAt(int lexicon) {
    return kLexicons[lexicon];
}

uint32_t* SystemLexiconId(int lexicon) {
    uint32_t* ids[SYSTEM_LEXICON_COUNT] = {
        &g_lexiconIds.segmentGb,   &g_lexiconIds.stopGb,   &g_lexiconIds.ideoAllGb,
        &g_lexiconIds.segmentBig5, &g_lexiconIds.stopBig5, &g_lexiconIds.ideoAllBig5,
        &g_lexiconIds.segmentUtf8, &g_lexiconIds.stopUtf8, &g_lexiconIds.ideoAllUtf8,
    };
    return ids[lexicon];
}
