// Encoding through a two-byte decoding table: the table turned around once,
// at first use, into a direct table of the code of every BMP code point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zel::charset {

class ReverseTable {
public:
    // table[i] is the code point of code codeAt(i), 0 where none is assigned.
    // Where two codes share a code point the later code is the one kept,
    // which is the code the reference codecs write.
    ReverseTable(const uint16_t* table, size_t count, uint16_t (*codeAt)(size_t index));

    // The code of codePoint, 0 when the table has none.
    uint16_t Find(char32_t codePoint) const { return codePoint < codes_.size() ? codes_[codePoint] : 0; }

private:
    // Indexed by code point (the decoding tables hold BMP code points only):
    // one lookup per character, where a search of the sorted pairs cost a
    // whole upgrade most of its instructions. 128 KB per table.
    std::vector<uint16_t> codes_;
};

}  // namespace zel::charset
