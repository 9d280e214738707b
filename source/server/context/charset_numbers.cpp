#include "charset_numbers.h"

#include "dictionary_records.h"
#include "zelkit.h"

namespace {

constexpr CharsetNumbers kCharsets[] = {
    {CHARSET_CODE_GB18030, Z_CHARSET_GB18030, "1", RELATION_GB, "GB"},
    {CHARSET_CODE_BIG5, Z_CHARSET_BIG5, "3", RELATION_BIG5, "BIG5"},
    {CHARSET_CODE_UTF8, Z_CHARSET_UTF8, "2", RELATION_UTF8, "UTF8"},
    {CHARSET_CODE_NONE, Z_CHARSET_NONE, "0", RELATION_ENGLISH, "ENGLISH"},
};

}  // namespace

const CharsetNumbers* CharsetOfCode(uint16_t code) {
    for (const CharsetNumbers& set : kCharsets) {
        if (set.code == code) return &set;
    }
    return nullptr;
}

const CharsetNumbers* CharsetOfNative(int native) {
    for (const CharsetNumbers& set : kCharsets) {
        if (set.native == native) return &set;
    }
    return nullptr;
}

const CharsetNumbers* CharsetOfAnswer(const char* answer) {
    for (const CharsetNumbers& set : kCharsets) {
        if (ZSTRCMP(answer, set.answer) == 0) return &set;
    }
    return nullptr;
}

int RelationCharsetIndexOf(uint16_t code) {
    const CharsetNumbers* set = CharsetOfCode(code);
    return set != nullptr ? set->relationIndex : -1;
}

int LexiconCharsetOf(uint16_t code) {
    const CharsetNumbers* set = CharsetOfCode(code);
    return set != nullptr && set->IsNative() ? set->native : Z_CHARSET_GB18030;
}

uint16_t LexiconCodeOfNative(int native) {
    const CharsetNumbers* set = CharsetOfNative(native);
    return set != nullptr && set->IsNative() ? set->code : CHARSET_CODE_GB18030;
}
