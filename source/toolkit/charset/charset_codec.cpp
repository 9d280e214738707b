#include "charset_codec.h"

#include "charset_sets.h"

namespace zel::charset {

int DecodeChar(int charset, const unsigned char* text, size_t length, char32_t* codePoint) {
    if (text == nullptr || length == 0) return 0;
    char32_t decoded = 0;
    int consumed = 0;
    switch (charset) {
        case kGb18030: consumed = DecodeGb18030(text, length, &decoded); break;
        case kBig5: consumed = DecodeBig5(text, length, &decoded); break;
        case kUtf8: consumed = DecodeUtf8(text, length, &decoded); break;
        default: return 0;
    }
    // A caller may pass no code point just to measure a character.
    if (consumed > 0 && codePoint != nullptr) *codePoint = decoded;
    return consumed;
}

int EncodeChar(int charset, char32_t codePoint, unsigned char* out) {
    if (out == nullptr) return 0;
    switch (charset) {
        case kGb18030: return EncodeGb18030(codePoint, out);
        case kBig5: return EncodeBig5(codePoint, out);
        case kUtf8: return EncodeUtf8(codePoint, out);
        default: return 0;
    }
}

}  // namespace zel::charset
