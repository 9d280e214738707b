// The codec of each character set, reached through DecodeChar / EncodeChar.
#pragma once

#include <cstddef>

namespace zel::charset {

int DecodeGb18030(const unsigned char* text, size_t length, char32_t* codePoint);
int EncodeGb18030(char32_t codePoint, unsigned char* out);

int DecodeBig5(const unsigned char* text, size_t length, char32_t* codePoint);
int EncodeBig5(char32_t codePoint, unsigned char* out);

int DecodeUtf8(const unsigned char* text, size_t length, char32_t* codePoint);
int EncodeUtf8(char32_t codePoint, unsigned char* out);

}  // namespace zel::charset
