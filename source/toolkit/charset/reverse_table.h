// Encoding through a two-byte decoding table: the table turned around once,
// at first use, into code points sorted with their codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zel::charset {

struct CodeOfCodePoint {
    char32_t codePoint;
    uint16_t code;  // lead byte in the high half, trail byte in the low half
};

class ReverseTable {
public:
    // table[i] is the code point of code codeAt(i), 0 where none is assigned.
    // Where two codes share a code point the later code is the one kept,
    // which is the code the reference codecs write.
    ReverseTable(const uint16_t* table, size_t count, uint16_t (*codeAt)(size_t index));

    // The code of codePoint, 0 when the table has none.
    uint16_t Find(char32_t codePoint) const;

private:
    std::vector<CodeOfCodePoint> entries_;
};

}  // namespace zel::charset
