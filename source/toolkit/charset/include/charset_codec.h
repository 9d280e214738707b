// One codec of our own for the character sets the server stores text in, so
// that conversions give the same bytes on every platform (the Windows code
// page for GB18030 is missing in some environments).
#pragma once

#include <cstddef>
#include <functional>

namespace zel::charset {

// Charset numbers, the same as Z_CHARSET_* in the toolkit.
constexpr int kGb18030 = 1;
constexpr int kBig5 = 2;
constexpr int kUtf8 = 3;

// Decodes one character at text (length bytes available). Returns the bytes consumed (>0), 0 for an invalid or
// incomplete sequence.
int DecodeChar(int charset, const unsigned char* text, size_t length, char32_t* codePoint);
// Encodes one code point into out (room for 4 bytes). Returns the bytes written (1..4), 0 when the set has no code for
// it.
int EncodeChar(int charset, char32_t codePoint, unsigned char* out);
// True for the CJK ideographs of Unicode 14: unified (U+4E00-9FFF), Extension A, the assigned compatibility ideographs
// of U+F900-FAFF, and the assigned ranges of Extensions B-G.
bool IsCjkIdeograph(char32_t codePoint);
// Calls visit(codePoint) for every CJK ideograph in ascending order (so callers can build the all-ideograph lexicon of
// a set).
void ForEachCjkIdeograph(const std::function<void(char32_t)>& visit);

}  // namespace zel::charset
