// The character sets of the upgrade under each number it meets them by:
// the dictionary records carry a lexicon charset code (CHARSET_CODE_*), the
// toolkit and the shell's SetSystemCharset a native charset number
// (Z_CHARSET_*), "NEW:", "CS:" and the menus an answer of their own ("2" is
// UTF8 and "3" BIG5), and the run context a column of its relation database
// ids. Every conversion between them goes through the one table behind
// these calls.
#pragma once

#include <cstdint>

#include "zelkit.h"

// Columns of DictionaryOutcome::relationIds.
enum RelationCharsetIndex { RELATION_GB = 0, RELATION_BIG5 = 1, RELATION_UTF8 = 2, RELATION_ENGLISH = 3 };
constexpr int RELATION_CHARSET_COUNT = 4;

struct CharsetNumbers {
    uint16_t code;       // lexicon charset code of the dictionary records
    int native;          // native charset number; Z_CHARSET_NONE for the set of English names
    const char* answer;  // the answer that picks it at "NEW:", "CS:" and the menus
    int relationIndex;   // RelationCharsetIndex
    // The suffix of its lexicons' and relation databases' names; the package
    // keeps the console program of each native set in a folder of that name.
    const char* suffix;

    // A set the server can hold as its native one; not the set of English
    // names.
    bool IsNative() const { return native != Z_CHARSET_NONE; }
};

// The set of a lexicon charset code, of a native charset number or of an
// answer; null when none has it.
const CharsetNumbers* CharsetOfCode(uint16_t code);
const CharsetNumbers* CharsetOfNative(int native);
const CharsetNumbers* CharsetOfAnswer(const char* answer);

// The RelationCharsetIndex of a lexicon charset code; -1 for any other code.
int RelationCharsetIndexOf(uint16_t code);

// The native set a lexicon of this code is built in: GB18030 for every code
// that names no set of its own.
int LexiconCharsetOf(uint16_t code);

// The code of a lexicon made in the server's native character set: GB18030
// when the server has none.
uint16_t LexiconCodeOfNative(int native);
