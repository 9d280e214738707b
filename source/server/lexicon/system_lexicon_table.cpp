#include "system_lexicon_table.h"

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

const SystemLexiconDefinition& SystemLexiconAt(int lexicon) { return kLexicons[lexicon]; }
