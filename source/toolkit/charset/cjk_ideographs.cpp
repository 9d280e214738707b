#include <algorithm>

#include "charset_codec.h"
#include "charset_tables.h"

namespace zel::charset {

using tables::kCjkIdeographRangeCount;
using tables::kCjkIdeographRanges;

bool IsCjkIdeograph(char32_t codePoint) {
    const auto* end = kCjkIdeographRanges + kCjkIdeographRangeCount;
    const auto* range =
        std::lower_bound(kCjkIdeographRanges, end, codePoint,
                         [](const tables::CodePointRange& r, char32_t value) { return r.last < value; });
    return range != end && range->first <= codePoint;
}

void ForEachCjkIdeograph(const std::function<void(char32_t)>& visit) {
    for (size_t i = 0; i < kCjkIdeographRangeCount; ++i) {
        for (char32_t codePoint = kCjkIdeographRanges[i].first; codePoint <= kCjkIdeographRanges[i].last; ++codePoint) {
            visit(codePoint);
        }
    }
}

}  // namespace zel::charset
