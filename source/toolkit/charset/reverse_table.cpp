#include "reverse_table.h"

namespace zel::charset {

ReverseTable::ReverseTable(const uint16_t* table, size_t count, uint16_t (*codeAt)(size_t index)) : codes_(0x10000, 0) {
    // In code order, so that of two codes for one code point the later stays.
    for (size_t i = 0; i < count; ++i) {
        if (table[i] != 0) codes_[table[i]] = codeAt(i);
    }
}

}  // namespace zel::charset
