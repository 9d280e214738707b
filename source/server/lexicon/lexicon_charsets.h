// Between the lexicon charset codes of database records and the character
// set numbers of the kernel's lexicon work.
#pragma once

#include <cstdint>

#include "dictionary_records.h"
#include "zelkit.h"

// The set a lexicon of this code is built in; GB18030 for every code that
// names no other set.
inline int LexiconCharsetOf(uint16_t charsetCode) {
    if (charsetCode == CHARSET_CODE_BIG5) return Z_CHARSET_BIG5;
    if (charsetCode == CHARSET_CODE_UTF8) return Z_CHARSET_UTF8;
    return Z_CHARSET_GB18030;
}

// The code of a lexicon made in the server's native character set.
inline uint16_t LexiconCodeOfNative(int nativeCharset) {
    if (nativeCharset == Z_CHARSET_UTF8) return CHARSET_CODE_UTF8;
    if (nativeCharset == Z_CHARSET_BIG5) return CHARSET_CODE_BIG5;
    return CHARSET_CODE_GB18030;
}
