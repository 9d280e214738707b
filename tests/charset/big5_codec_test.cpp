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

TEST(Big5Codec, SampleCodePointsEncodeAsTheReferenceCodec) {
    int withoutCode = 0;
    for (const auto& vector : testdata::kCodePointVectors) {
        const Bytes expected(vector.big5.bytes, vector.big5.bytes + vector.big5.length);
        EXPECT_EQ(Hex(Encoded(kBig5, vector.codePoint)), Hex(expected))
            << "U+" << std::hex << static_cast<uint32_t>(vector.codePoint);
        if (expected.empty()) ++withoutCode;
    }
    EXPECT_GT(withoutCode, 50);  // the sample covers characters BIG5 lacks too
}

TEST(Big5Codec, SampleBytesDecodeAsTheReferenceCodec) {
    for (const auto& vector : testdata::kCodePointVectors) {
        if (vector.big5.length == 0) continue;
        const Bytes bytes(vector.big5.bytes, vector.big5.bytes + vector.big5.length);
        const Decoded decoded = DecodedFrom(kBig5, bytes);
        EXPECT_EQ(decoded.consumed, vector.big5.length) << Hex(bytes);
        EXPECT_EQ(static_cast<uint32_t>(decoded.codePoint), static_cast<uint32_t>(vector.codePoint)) << Hex(bytes);
    }
}

TEST(Big5Codec, SimplifiedCharacterHasNoCode) {
    EXPECT_TRUE(Encoded(kBig5, U'\u56FE').empty());     // 图
    EXPECT_EQ(Hex(Encoded(kBig5, U'\u5716')), "B9CF");  // 圖
}

TEST(Big5Codec, CharactersWithTwoCodesDecodeFromBothAndEncodeToTheLater) {
    struct Pair {
        char32_t codePoint;
        Bytes earlier;
        Bytes later;
    };
    const Pair pairs[] = {
        {0xFF0F, {0xA1, 0xFE}, {0xA2, 0x41}},
        {0xFF3C, {0xA2, 0x40}, {0xA2, 0x42}},
        {0x5341, {0xA2, 0xCC}, {0xA4, 0x51}},
        {0x5345, {0xA2, 0xCE}, {0xA4, 0xCA}},
    };
    for (const Pair& pair : pairs) {
        EXPECT_EQ(DecodedFrom(kBig5, pair.earlier).codePoint, pair.codePoint);
        EXPECT_EQ(DecodedFrom(kBig5, pair.later).codePoint, pair.codePoint);
        EXPECT_EQ(Hex(Encoded(kBig5, pair.codePoint)), Hex(pair.later));
    }
}

TEST(Big5Codec, EveryCodeDecodesToACharacterThatEncodesBack) {
    int codes = 0;
    int sharedCodes = 0;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x00; trail <= 0xFF; ++trail) {
            const Bytes bytes = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            const Decoded decoded = DecodedFrom(kBig5, bytes);
            if (decoded.consumed == 0) continue;
            ASSERT_EQ(decoded.consumed, 2) << Hex(bytes);
            ++codes;
            const Bytes back = Encoded(kBig5, decoded.codePoint);
            ASSERT_EQ(back.size(), 2u) << Hex(bytes);
            if (back != bytes) ++sharedCodes;
        }
    }
    EXPECT_EQ(codes, 13710);
    EXPECT_EQ(sharedCodes, 4);
}

TEST(Big5Codec, EveryEncodedCodePointDecodesBack) {
    int encodable = 0;
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        const Bytes bytes = Encoded(kBig5, cp);
        if (bytes.empty()) continue;
        ++encodable;
        const Decoded decoded = DecodedFrom(kBig5, bytes);
        ASSERT_EQ(decoded.consumed, static_cast<int>(bytes.size())) << Hex(bytes);
        ASSERT_EQ(decoded.codePoint, cp) << Hex(bytes);
    }
    EXPECT_EQ(encodable, 13834);
}

TEST(Big5Codec, MalformedAndTruncatedSequencesAreRejected) {
    EXPECT_EQ(DecodedFrom(kBig5, {0x80}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xFF}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xA4}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xA4, 0x7F}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xA4, 0xA0}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xA4, 0x30}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xA0, 0x40}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xFA, 0x40}).consumed, 0);
    EXPECT_EQ(DecodedFrom(kBig5, {0xC8, 0x40}).consumed, 0);  // a lead with unassigned codes
}

}  // namespace
}  // namespace zel::charset
