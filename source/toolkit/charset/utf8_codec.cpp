#include "charset_sets.h"

namespace zel::charset {

namespace {

bool IsSurrogate(char32_t codePoint) { return codePoint >= 0xD800 && codePoint <= 0xDFFF; }

}  // namespace

int DecodeUtf8(const unsigned char* text, size_t length, char32_t* codePoint) {
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    // 0x80-0xBF only continue a character; 0xC0 and 0xC1 could only start an
    // overlong form of ASCII; 0xF5 and above would lie beyond U+10FFFF.
    int size = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2, value = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3, value = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (length < static_cast<size_t>(size)) return 0;
    for (int i = 1; i < size; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || IsSurrogate(value)) return 0;
    *codePoint = value;
    return size;
}

int EncodeUtf8(char32_t codePoint, unsigned char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (IsSurrogate(codePoint) || codePoint > 0x10FFFF) return 0;
    if (codePoint < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 4;
}

}  // namespace zel::charset
