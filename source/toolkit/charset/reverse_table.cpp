#include "toolkit/charset/reverse_table.h"

#include <algorithm>

namespace zel::charset {

ReverseTable::ReverseTable(const uint16_t* table, size_t count, uint16_t (*codeAt)(size_t index)) {
    entries_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (table[i] != 0) entries_.push_back({table[i], codeAt(i)});
    }
    const auto byCodePoint = [](const CodeOfCodePoint& a, const CodeOfCodePoint& b) {
        return a.codePoint < b.codePoint;
    };
    // Stable, so that of two codes for one code point the later stays last.
    std::stable_sort(entries_.begin(), entries_.end(), byCodePoint);
    const auto duplicate = [](const CodeOfCodePoint& a, const CodeOfCodePoint& b) {
        return a.codePoint == b.codePoint;
    };
    // std::unique keeps the first of equal entries; run it reversed to keep the last.
    const auto kept = std::unique(entries_.rbegin(), entries_.rend(), duplicate);
    entries_.erase(entries_.begin(), kept.base());
}

uint16_t ReverseTable::Find(char32_t codePoint) const {
    const auto found = std::lower_bound(
        entries_.begin(), entries_.end(), codePoint,
        [](const CodeOfCodePoint& entry, char32_t value) { return entry.codePoint < value; });
    if (found == entries_.end() || found->codePoint != codePoint) return 0;
    return found->code;
}

}  // namespace zel::charset
