// BIG5: ASCII in one byte and one two-byte table. A few characters have two
// codes; both decode, and the later one is written.
#include <cstdint>

#include "charset_sets.h"
#include "charset_tables.h"
#include "reverse_table.h"

namespace zel::charset {

namespace {

using namespace tables;

constexpr int kTrailsPerLead = 157;  // 0x40-0x7E and 0xA1-0xFE

int TrailIndex(unsigned char trail) {
    if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
    if (trail >= 0xA1 && trail <= 0xFE) return trail - 0xA1 + 0x3F;
    return -1;
}

uint16_t CodeAt(size_t index) {
    const int lead = 0xA1 + static_cast<int>(index / kTrailsPerLead);
    const int trailIndex = static_cast<int>(index % kTrailsPerLead);
    const int trail = trailIndex < 0x3F ? 0x40 + trailIndex : 0xA1 + trailIndex - 0x3F;
    return static_cast<uint16_t>(lead << 8 | trail);
}

const ReverseTable& Codes() {
    static const ReverseTable codes(kBig5TwoByte, kBig5TwoByteCount, CodeAt);
    return codes;
}

}  // namespace

int DecodeBig5(const unsigned char* text, size_t length, char32_t* codePoint) {
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    if (lead < 0xA1 || lead > 0xF9 || length < 2) return 0;
    const int trailIndex = TrailIndex(text[1]);
    if (trailIndex < 0) return 0;
    const uint16_t value = kBig5TwoByte[(lead - 0xA1) * kTrailsPerLead + trailIndex];
    if (value == 0) return 0;
    *codePoint = value;
    return 2;
}

int EncodeBig5(char32_t codePoint, unsigned char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint > 0xFFFF) return 0;
    const uint16_t code = Codes().Find(codePoint);
    if (code == 0) return 0;
    out[0] = static_cast<unsigned char>(code >> 8);
    out[1] = static_cast<unsigned char>(code & 0xFF);
    return 2;
}

}  // namespace zel::charset
