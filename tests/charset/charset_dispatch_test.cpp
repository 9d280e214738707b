#include <gtest/gtest.h>

#include "charset/codec_test_helpers.h"

namespace zel::charset {
namespace {

using testing::DecodedFrom;
using testing::Encoded;

TEST(CharsetDispatch, UnknownCharsetNeitherDecodesNorEncodes) {
    for (int charset : {0, 4, -1}) {
        EXPECT_EQ(DecodedFrom(charset, {0x41}).consumed, 0) << charset;
        EXPECT_TRUE(Encoded(charset, U'A').empty()) << charset;
    }
}

TEST(CharsetDispatch, EmptyInputDecodesNothing) {
    const unsigned char text[] = {0x41};
    char32_t codePoint = 0;
    for (int charset : {kGb18030, kBig5, kUtf8}) {
        EXPECT_EQ(DecodeChar(charset, text, 0, &codePoint), 0);
        EXPECT_EQ(DecodeChar(charset, nullptr, 4, &codePoint), 0);
    }
}

TEST(CharsetDispatch, DecodingWithoutACodePointStillMeasuresTheCharacter) {
    const unsigned char text[] = {0xE4, 0xB8, 0xAD};
    EXPECT_EQ(DecodeChar(kUtf8, text, sizeof text, nullptr), 3);
}

TEST(CharsetDispatch, FailedDecodingLeavesTheCodePointAlone) {
    const unsigned char text[] = {0x80};
    char32_t codePoint = U'x';
    EXPECT_EQ(DecodeChar(kGb18030, text, sizeof text, &codePoint), 0);
    EXPECT_EQ(codePoint, U'x');
}

}  // namespace
}  // namespace zel::charset
