// What one upgrade run knows and hands from step to step: the choices read
// at the start, what the run found in the home before changing it, and what
// the dictionary steps record for the steps after them. The driver owns one
// run context for the run; every step receives it (or the part it needs)
// and nothing of a run lives anywhere else.
#pragma once

#include <cstdint>
#include <vector>

#include "dictionary_records.h"
#include "zelkit.h"

// "DIC:": how existing lexicons and relation databases are treated.
constexpr int DICTIONARY_MODE_ADD = 0;   // no "DIC:": existing ones stay
constexpr int DICTIONARY_MODE_RIX = 1;   // "DIC:RIX": refill, remove the indices built with them
constexpr int DICTIONARY_MODE_REW = -1;  // "DIC:REW": refill only

// "ENT:": what happens to an installed entity lexicon.
enum class EntityChoice { Keep, Replace, Append };
// "OLD:": whether copies of the new programs keep the old names.
enum class OldNamesChoice { Ask, Keep, Drop };

// Checked in full before anything of the home changes.
struct RunChoices {
    char home[Z_MAX_PATH] = {};        // as entered, with or without a trailing separator
    char packageDir[Z_MAX_PATH] = {};  // the program's own directory
    int dictionaryMode = DICTIONARY_MODE_ADD;
    uint16_t lexiconCharsetCode = 0;  // "NEW:" or the menu
    // "CS:" as given; any value but "1", "2" and "3" leaves the native
    // character set unset, so no value is wrong.
    bool nativeCharsetGiven = false;
    char nativeCharsetAnswer[256] = {};
    EntityChoice entity = EntityChoice::Keep;
    OldNamesChoice oldNames = OldNamesChoice::Ask;
    // Answers typed at the console, which a run resuming after an
    // interruption takes again instead of asking.
    bool lexiconCharsetAnswered = false;
    bool nativeCharsetAnswered = false;
};

// Lexicon ids recorded by the system lexicon step (0 = not recorded).
struct LexiconIds {
    uint32_t segmentGb = 0;
    uint32_t stopGb = 0;
    uint32_t ideoAllGb = 0;
    uint32_t segmentBig5 = 0;
    uint32_t stopBig5 = 0;
    uint32_t ideoAllBig5 = 0;
    uint32_t segmentUtf8 = 0;
    uint32_t stopUtf8 = 0;
    uint32_t ideoAllUtf8 = 0;
};

enum RelationKindIndex { RELATION_THESAURUS = 0, RELATION_SYNONYM = 1, RELATION_ANTONYM = 2 };
enum RelationCharsetIndex { RELATION_GB = 0, RELATION_BIG5 = 1, RELATION_UTF8 = 2, RELATION_ENGLISH = 3 };
// Index into DictionaryOutcome::relationIds for a lexicon charset code; -1
// for any other code.
int RelationCharsetIndexOf(uint16_t charsetCode);

// What the dictionary steps of this run made or chose, for the steps after
// them (the system configuration above all).
struct DictionaryOutcome {
    // The native charset number picked by the character set selection (0
    // when none was picked), even when a database then refused it.
    int nativeCharsetChosen = 0;
    LexiconIds lexiconIds;
    uint32_t stopEnglishId = 0;
    // Existing segment and stop lexicons refilled in this run.
    uint32_t replacedSegmentId = 0;
    uint32_t replacedStopId = 0;
    // Relation database ids by kind and charset.
    uint32_t relationIds[3][4] = {};
    bool newSystemDatabase = false;
};

struct RunContext {
    RunChoices choices;
    // Found before anything changed.
    bool serverProgramAbsent = false;  // HOME/bin/zelserver.exe was missing
    bool profileMissing = false;       // HOME/system/PROFILE.INI was missing
    bool oldProgramsFound = false;     // HOME/bin/z40server.exe was there
    bool oldServiceRemoved = false;    // the previous release's service was removed
    // The dictionary shell's object environment and the native charset it
    // reports after the selection.
    ObjectEnv env = {};
    int nativeCharset = 0;
    DictionaryOutcome outcome;
    // The lock that keeps other runs off the home, and whether this run goes
    // on from an earlier one that did not end.
    HZLOCK homeLock = nullptr;
    bool resumed = false;
    // The dictionary phase's journal is there (from when it is whole until
    // just before it goes); the run record says so.
    bool journalKept = false;
    // The profile merge failed: the installed PROFILE.INI has no backup of
    // this run, which the start-up section then keeps before changing it.
    bool profileMergeFailed = false;
    // The steps that failed while the run went on, by the names of their
    // rows, for the list that closes a run finished with errors.
    std::vector<const char*> failedSteps;
};

// "ENT:" and "OLD:" values. False for an "ENT:" value that is neither
// "REW" nor "ADD" (either case).
bool ParseEntityChoice(const char* value, EntityChoice* choice);
// "YES" or "Y" (either case) keeps the old names; any other value does not.
OldNamesChoice ParseOldNamesChoice(const char* value);
