// State the steps of one run hand to one another. It lives for the run,
// starts at 0 or empty and is touched by the program's only thread.
#pragma once

#include <cstdint>

#include "server/host/zelkit.h"

// Written by the driver, read by the relation, lexicon and copy steps.
extern char g_packageDir[Z_MAX_PATH];
// 0 without "DIC:" (add), 1 "DIC:RIX", -1 "DIC:REW".
extern int g_dictionaryMode;

// The native charset number picked by the character set selection in this
// run (0 when none was picked), even when the setting was then refused.
extern int g_nativeCharsetChosen;

// Lexicon ids recorded by the system lexicon step (0 = not recorded).
struct LexiconIds {
    uint32_t segmentGb;
    uint32_t stopGb;
    uint32_t ideoAllGb;
    uint32_t segmentBig5;
    uint32_t stopBig5;
    uint32_t ideoAllBig5;
    uint32_t segmentUtf8;
    uint32_t stopUtf8;
    uint32_t ideoAllUtf8;
};
extern LexiconIds g_lexiconIds;
extern uint32_t g_stopEnglishId;
// Existing segment and stop lexicons refilled in this run.
extern uint32_t g_replacedSegmentId;
extern uint32_t g_replacedStopId;

// Relation database ids by kind and lexicon charset code.
enum RelationKindIndex { RELATION_THESAURUS = 0, RELATION_SYNONYM = 1, RELATION_ANTONYM = 2 };
enum RelationCharsetIndex { RELATION_GB = 0, RELATION_BIG5 = 1, RELATION_UTF8 = 2, RELATION_ENGLISH = 3 };
extern uint32_t g_relationIds[3][4];
// Index into g_relationIds for a lexicon charset code; -1 for other codes.
int RelationCharsetIndexOf(uint16_t charsetCode);

// Set once a system database was created in this run.
extern int g_newSystemDatabase;

// Back to the state of a fresh run (for tests that run steps repeatedly).
void ResetUpgradeState();
