#include "toolkit/charset/charset_codec.h"

namespace zel::charset {

int DecodeChar(int, const unsigned char*, size_t, char32_t*) { return 0; }
int EncodeChar(int, char32_t, unsigned char*) { return 0; }
bool IsCjkIdeograph(char32_t) { return false; }
void ForEachCjkIdeograph(const std::function<void(char32_t)>&) {}

}  // namespace zel::charset
