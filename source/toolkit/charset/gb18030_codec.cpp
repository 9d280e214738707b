// GB18030: ASCII in one byte, a two-byte table, and four-byte codes counted
// by a linear index: the BMP characters outside the two-byte table in runs
// from a table, the planes above the BMP by formula.
#include <algorithm>
#include <cstdint>

#include "charset_sets.h"
#include "charset_tables.h"
#include "reverse_table.h"

namespace zel::charset {

namespace {

using namespace tables;

constexpr int kTrailsPerLead = 190;                // 0x40-0x7E and 0x80-0xFE
constexpr uint32_t kSupplementaryLinear = 189000;  // index of 0x90 0x30 0x81 0x30, U+10000
constexpr uint32_t kSupplementaryCount = 0x100000;

bool IsLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsDigit(unsigned char byte) { return byte >= 0x30 && byte <= 0x39; }

int TrailIndex(unsigned char trail) {
    if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
    if (trail >= 0x80 && trail <= 0xFE) return trail - 0x41;
    return -1;
}

uint16_t TwoByteCodeAt(size_t index) {
    const int lead = 0x81 + static_cast<int>(index / kTrailsPerLead);
    const int trailIndex = static_cast<int>(index % kTrailsPerLead);
    const int trail = trailIndex < 0x3F ? 0x40 + trailIndex : 0x41 + trailIndex;
    return static_cast<uint16_t>(lead << 8 | trail);
}

const ReverseTable& TwoByteCodes() {
    static const ReverseTable codes(kGb18030TwoByte, kGb18030TwoByteCount, TwoByteCodeAt);
    return codes;
}

// The run holding a linear index or a code point: the last that starts at or
// before it. Both columns of the run table ascend.
size_t RunStartingAtOrBefore(const uint16_t* starts, uint32_t value) {
    const uint16_t* end = starts + kGb18030RunCount;
    return static_cast<size_t>(std::upper_bound(starts, end, value) - starts) - 1;
}

uint32_t RunEndLinear(size_t run) {
    return run + 1 < kGb18030RunCount ? kGb18030RunLinear[run + 1] : kGb18030BmpLinearCount;
}

int WriteFourBytes(uint32_t linear, unsigned char* out) {
    out[3] = static_cast<unsigned char>(0x30 + linear % 10);
    linear /= 10;
    out[2] = static_cast<unsigned char>(0x81 + linear % 126);
    linear /= 126;
    out[1] = static_cast<unsigned char>(0x30 + linear % 10);
    out[0] = static_cast<unsigned char>(0x81 + linear / 10);
    return 4;
}

int DecodeFourBytes(const unsigned char* text, size_t length, char32_t* codePoint) {
    if (length < 4 || !IsLead(text[2]) || !IsDigit(text[3])) return 0;
    const uint32_t linear =
        ((static_cast<uint32_t>(text[0] - 0x81) * 10 + (text[1] - 0x30)) * 126 + (text[2] - 0x81)) * 10 +
        (text[3] - 0x30);
    if (linear < kGb18030BmpLinearCount) {
        const size_t run = RunStartingAtOrBefore(kGb18030RunLinear, linear);
        *codePoint = kGb18030RunCodePoint[run] + (linear - kGb18030RunLinear[run]);
        return 4;
    }
    if (linear >= kSupplementaryLinear && linear - kSupplementaryLinear < kSupplementaryCount) {
        *codePoint = 0x10000 + (linear - kSupplementaryLinear);
        return 4;
    }
    return 0;
}

}  // namespace

int DecodeGb18030(const unsigned char* text, size_t length, char32_t* codePoint) {
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    if (!IsLead(lead) || length < 2) return 0;
    if (IsDigit(text[1])) return DecodeFourBytes(text, length, codePoint);
    const int trailIndex = TrailIndex(text[1]);
    if (trailIndex < 0) return 0;
    *codePoint = kGb18030TwoByte[(lead - 0x81) * kTrailsPerLead + trailIndex];
    return 2;
}

int EncodeGb18030(char32_t codePoint, unsigned char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) return 0;
    if (codePoint >= 0x10000) return WriteFourBytes(kSupplementaryLinear + (codePoint - 0x10000), out);
    if (const uint16_t code = TwoByteCodes().Find(codePoint); code != 0) {
        out[0] = static_cast<unsigned char>(code >> 8);
        out[1] = static_cast<unsigned char>(code & 0xFF);
        return 2;
    }
    const size_t run = RunStartingAtOrBefore(kGb18030RunCodePoint, codePoint);
    const uint32_t linear = kGb18030RunLinear[run] + (codePoint - kGb18030RunCodePoint[run]);
    if (linear >= RunEndLinear(run)) return 0;  // not reached: every BMP character has a code
    return WriteFourBytes(linear, out);
}

}  // namespace zel::charset
