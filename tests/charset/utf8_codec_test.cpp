#include <gtest/gtest.h>

#include "charset/codec_test_helpers.h"

namespace zel::charset {
namespace {

using testing::Bytes;
using testing::Decoded;
using testing::DecodedFrom;
using testing::Encoded;
using testing::Hex;

TEST(Utf8Codec, EncodesEachLengthAtItsBoundaries) {
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x00)), "00");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x7F)), "7F");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x80)), "C280");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x7FF)), "DFBF");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x800)), "E0A080");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x4E2D)), "E4B8AD");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0xFFFF)), "EFBFBF");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x10000)), "F0908080");
    EXPECT_EQ(Hex(Encoded(kUtf8, 0x10FFFF)), "F48FBFBF");
}

TEST(Utf8Codec, EveryCodePointButSurrogatesRoundTrips) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        const Bytes bytes = Encoded(kUtf8, cp);
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            ASSERT_TRUE(bytes.empty()) << std::hex << static_cast<uint32_t>(cp);
            continue;
        }
        const Decoded decoded = DecodedFrom(kUtf8, bytes);
        ASSERT_EQ(decoded.consumed, static_cast<int>(bytes.size())) << Hex(bytes);
        ASSERT_EQ(decoded.codePoint, cp) << Hex(bytes);
    }
}

TEST(Utf8Codec, OverlongFormsAreRejected) {
    EXPECT_EQ(DecodedFrom(kUtf8, {0xC0, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xC1, 0xBF}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xE0, 0x80, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xE0, 0x9F, 0xBF}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xF0, 0x80, 0x80, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xF0, 0x8F, 0xBF, 0xBF}).consumed, 0);
}

TEST(Utf8Codec, SurrogatesAndValuesBeyondUnicodeAreRejected) {
    EXPECT_EQ(DecodedFrom(kUtf8, {0xED, 0xA0, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xED, 0xBF, 0xBF}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xED, 0x9F, 0xBF}).consumed, 3);  // U+D7FF
    EXPECT_EQ(DecodedFrom(kUtf8, {0xF4, 0x90, 0x80, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xF5, 0x80, 0x80, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xFF}).consumed, 0);
    EXPECT_TRUE(Encoded(kUtf8, 0x110000).empty());
}

TEST(Utf8Codec, BrokenAndTruncatedSequencesAreRejected) {
    EXPECT_EQ(DecodedFrom(kUtf8, {0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xBF, 0x41}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xE4, 0xB8}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xE4, 0x41, 0xAD}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xF0, 0x90, 0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kUtf8, {0xF0, 0x90, 0x80, 0xC0}).consumed, 0);
}

}  // namespace
}  // namespace zel::charset
