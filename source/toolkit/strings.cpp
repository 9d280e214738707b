// String helpers. Case folding is ASCII only, so that names compare the same
// whatever the locale and whatever character set the other bytes belong to.
#include <cstring>

#include "toolkit_internal.h"

using zel::toolkit::FoldAscii;

namespace {

int CompareExact(const char* a, const char* b) { return std::strcmp(a, b); }

int CompareFolded(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(FoldAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
        if (x == '\0') return 0;
    }
    return 0;
}

int CompareIgnoringCase(const char* a, const char* b) { return CompareFolded(a, b, static_cast<size_t>(-1)); }

bool IsOneOf(char c, const char* separators) { return c != '\0' && std::strchr(separators, c) != nullptr; }

}  // namespace

ZStrCmpFunction ZSTRCMP = CompareExact;
ZStrCmpFunction ZSTRCMPI = CompareIgnoringCase;
ZStrNCmpFunction ZSTRNCMPI = CompareFolded;

int Z_SegmentMultiStr(char* text, const char* separators, int /*flags*/) {
    if (text == nullptr) return 0;
    if (separators == nullptr) separators = "";
    // Fields only move towards the start and each gains at most the one
    // byte of the separator (or terminator) that followed it, so the packed
    // fields never pass the original terminator.
    size_t read = 0;
    size_t write = 0;
    int count = 0;
    while (IsOneOf(text[read], separators)) ++read;
    while (text[read] != '\0') {
        while (text[read] != '\0' && !IsOneOf(text[read], separators)) text[write++] = text[read++];
        // Pass the separators before terminating the field: while nothing
        // has moved yet, the terminator lands on the first of them.
        while (IsOneOf(text[read], separators)) ++read;
        text[write++] = '\0';
        ++count;
    }
    // The fields end with an empty one, so that a reader walking them knows
    // where they stop.
    if (write <= read) text[write] = '\0';
    return count;
}

int Z_GetFirstSubStrOffset(const char* text, int textLength, const char* pattern, int patternLength, int /*flags*/) {
    if (text == nullptr || pattern == nullptr) return -1;
    size_t length = textLength < 0 ? std::strlen(text) : static_cast<size_t>(textLength);
    size_t wanted = patternLength < 0 ? std::strlen(pattern) : static_cast<size_t>(patternLength);
    if (wanted > length) return -1;
    for (size_t start = 0; start + wanted <= length; ++start) {
        if (std::memcmp(text + start, pattern, wanted) == 0) return static_cast<int>(start);
    }
    return -1;
}

char* Z_ToLowerStr(char* text, int length, int /*flags*/) {
    if (text == nullptr) return nullptr;
    for (int i = 0; (length < 0 || i < length) && text[i] != '\0'; ++i) text[i] = FoldAscii(text[i]);
    return text;
}
