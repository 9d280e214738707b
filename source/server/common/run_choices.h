// What the administrator chose for one run: the command line's values and
// the answers typed at the console. Phase 1 fills and checks all of them
// before anything of the home changes.
#pragma once

#include <cstdint>

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

// "ENT:" and "OLD:" values. False for an "ENT:" value that is neither
// "REW" nor "ADD" (either case).
bool ParseEntityChoice(const char* value, EntityChoice* choice);
// "YES" or "Y" (either case) keeps the old names; any other value does not.
OldNamesChoice ParseOldNamesChoice(const char* value);
