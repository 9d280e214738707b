// Small helpers shared by the charset codec tests.
#pragma once

#include <string>
#include <vector>

#include "charset_codec.h"

namespace zel::charset::testing {

using Bytes = std::vector<unsigned char>;

inline Bytes Encoded(int charset, char32_t codePoint) {
    unsigned char out[4] = {};
    const int written = EncodeChar(charset, codePoint, out);
    if (written <= 0) return {};
    return Bytes(out, out + written);
}

struct Decoded {
    int consumed;
    char32_t codePoint;
};

inline Decoded DecodedFrom(int charset, const Bytes& bytes) {
    char32_t codePoint = 0xFFFFFFFF;
    const int consumed = DecodeChar(charset, bytes.data(), bytes.size(), &codePoint);
    return {consumed, codePoint};
}

inline std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

}  // namespace zel::charset::testing
