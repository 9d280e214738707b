// The nine system lexicons that the lexicon step creates or refills, in the
// order it handles them, and what the scan of the installed lexicons found.
#pragma once

#include <cstdint>

#include "run_context.h"

struct SystemLexiconDefinition {
    const char* name;
    uint32_t kind;
    const char* file;      // null: the kernel builds it (all ideographs)
    uint16_t charsetCode;  // the character set its name's suffix gives
};

// The definition of a SystemLexicon (run_context.h).
const SystemLexiconDefinition& SystemLexiconAt(int lexicon);

struct LexiconScan {
    bool needed[SYSTEM_LEXICON_COUNT];
    bool presentGb;
    bool presentBig5;
    bool presentUtf8;
    uint32_t entityId;
};

// Walks the "SYSTEM" lexicons and relation databases: gives old names their
// new ones, notes which lexicons exist (add mode) or records their ids
// (modify mode), and refreshes empty record counts. False on the first
// shell or kernel failure.
bool ScanSystemLexicons(RunContext& run, LexiconScan* scan);
