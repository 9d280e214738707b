// The nine system lexicons that the lexicon step creates or refills, in the
// order it handles them, and what the scan of the installed lexicons found.
#pragma once

#include <cstdint>

#include "run_context.h"

enum SystemLexicon {
    SEGMENT_GB,
    STOP_GB,
    IDEO_ALL_GB,
    SEGMENT_BIG5,
    STOP_BIG5,
    IDEO_ALL_BIG5,
    SEGMENT_UTF8,
    STOP_UTF8,
    IDEO_ALL_UTF8,
    SYSTEM_LEXICON_COUNT
};

struct SystemLexiconDefinition {
    const char* name;
    uint32_t kind;
    const char* file;      // null: the kernel builds it (all ideographs)
    uint16_t charsetCode;  // the character set its name's suffix gives
};

const SystemLexiconDefinition& SystemLexiconAt(int lexicon);
// The id recorded for the lexicon in this run.
uint32_t* SystemLexiconId(LexiconIds& ids, int lexicon);

struct LexiconScan {
    bool needed[SYSTEM_LEXICON_COUNT];
    bool presentGb;
    bool presentBig5;
    bool presentUtf8;
    uint32_t entityId;
};

// Walks the "SYSTEM" lexicons and relation databases: gives old names their
// new ones, notes which lexicons exist (add mode) or records their ids
// (modify mode), and refreshes empty record counts. Returns 1, or 0 on the
// first shell or kernel failure.
bool ScanSystemLexicons(RunContext& run, LexiconScan* scan);
