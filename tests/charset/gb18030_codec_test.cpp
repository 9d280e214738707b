#include <gtest/gtest.h>

#include "charset/charset_test_vectors.h"
#include "charset/codec_test_helpers.h"

namespace zel::charset {
namespace {

using testing::Bytes;
using testing::Decoded;
using testing::DecodedFrom;
using testing::Encoded;
using testing::Hex;

Bytes Expected(const testdata::EncodedBytes& e) { return Bytes(e.bytes, e.bytes + e.length); }

TEST(Gb18030Codec, SampleCodePointsEncodeAsTheReferenceCodec) {
    for (const auto& vector : testdata::kCodePointVectors) {
        EXPECT_EQ(Hex(Encoded(kGb18030, vector.codePoint)), Hex(Expected(vector.gb18030)))
            << "U+" << std::hex << static_cast<uint32_t>(vector.codePoint);
    }
}

TEST(Gb18030Codec, SampleBytesDecodeAsTheReferenceCodec) {
    for (const auto& vector : testdata::kCodePointVectors) {
        const Bytes bytes = Expected(vector.gb18030);
        const Decoded decoded = DecodedFrom(kGb18030, bytes);
        EXPECT_EQ(decoded.consumed, vector.gb18030.length) << Hex(bytes);
        EXPECT_EQ(static_cast<uint32_t>(decoded.codePoint), static_cast<uint32_t>(vector.codePoint)) << Hex(bytes);
    }
}

TEST(Gb18030Codec, EveryCodePointButSurrogatesRoundTrips) {
    int failures = 0;
    for (char32_t cp = 0; cp <= 0x10FFFF && failures < 10; ++cp) {
        const Bytes bytes = Encoded(kGb18030, cp);
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            EXPECT_TRUE(bytes.empty()) << "surrogate U+" << std::hex << static_cast<uint32_t>(cp);
            continue;
        }
        const Decoded decoded = DecodedFrom(kGb18030, bytes);
        if (bytes.empty() || decoded.consumed != static_cast<int>(bytes.size()) || decoded.codePoint != cp) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(cp) << " -> " << Hex(bytes);
            ++failures;
        }
    }
}

TEST(Gb18030Codec, EveryTwoByteCodeDecodesAndEncodesBack) {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const Bytes bytes = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            const Decoded decoded = DecodedFrom(kGb18030, bytes);
            if (trail == 0x7F) {
                EXPECT_EQ(decoded.consumed, 0) << Hex(bytes);
                continue;
            }
            ASSERT_EQ(decoded.consumed, 2) << Hex(bytes);
            ASSERT_EQ(Hex(Encoded(kGb18030, decoded.codePoint)), Hex(bytes));
        }
    }
}

TEST(Gb18030Codec, FourByteCodesFollowTheLinearIndex) {
    EXPECT_EQ(Hex(Encoded(kGb18030, 0x80)), "81308130");
    EXPECT_EQ(Hex(Encoded(kGb18030, 0xFFFF)), "8431A439");
    EXPECT_EQ(Hex(Encoded(kGb18030, 0x10000)), "90308130");
    EXPECT_EQ(Hex(Encoded(kGb18030, 0x10FFFF)), "E3329A35");
    EXPECT_EQ(DecodedFrom(kGb18030, {0x95, 0x32, 0x82, 0x36}).codePoint, U'\U00020000');
}

TEST(Gb18030Codec, FourByteCodesOutsideTheMappedIndicesAreInvalid) {
    // Just past the BMP part, the gap before U+10000, and past U+10FFFF.
    EXPECT_EQ(DecodedFrom(kGb18030, {0x84, 0x31, 0xA5, 0x30}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0x8F, 0x39, 0xFE, 0x39}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xE3, 0x32, 0x9A, 0x36}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xFE, 0x39, 0xFE, 0x39}).consumed, 0);
}

TEST(Gb18030Codec, MalformedAndTruncatedSequencesAreRejected) {
    EXPECT_EQ(DecodedFrom(kGb18030, {0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xFF, 0x41}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xB0}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xB0, 0x7F}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xB0, 0xFF}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0xB0, 0x20}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0x81, 0x30}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0x81, 0x30, 0x81}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0x81, 0x30, 0x20, 0x30}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kGb18030, {0x81, 0x30, 0x81, 0x41}).consumed, 0);
}

TEST(Gb18030Codec, DecodingReadsOneCharacterOfALongerText) {
    const Bytes text = {0xD6, 0xD0, 0xCE, 0xC4, 0x41};  // 中文A
    const Decoded first = DecodedFrom(kGb18030, text);
    EXPECT_EQ(first.consumed, 2);
    EXPECT_EQ(first.codePoint, U'\u4E2D');
}

TEST(Gb18030Codec, SurrogatesAndValuesBeyondUnicodeHaveNoCode) {
    EXPECT_TRUE(Encoded(kGb18030, 0xD800).empty());
    EXPECT_TRUE(Encoded(kGb18030, 0xDFFF).empty());
    EXPECT_TRUE(Encoded(kGb18030, 0x110000).empty());
    EXPECT_TRUE(Encoded(kGb18030, 0xFFFFFFFF).empty());
}

}  // namespace
}  // namespace zel::charset
