#include <gtest/gtest.h>

#include "charset/codec_test_helpers.h"

namespace zel::charset {
namespace {

struct IdeographCounts {
    int unified = 0;        // U+4E00-9FFF
    int extensionA = 0;     // U+3400-4DBF
    int compatibility = 0;  // U+F900-FAFF
    int beyondBmp = 0;      // Extension B and later, with the supplementary compatibility ideographs
    int Total() const { return unified + extensionA + compatibility + beyondBmp; }
};

void Count(IdeographCounts& counts, char32_t cp) {
    if (cp >= 0x4E00 && cp <= 0x9FFF) {
        ++counts.unified;
    } else if (cp >= 0x3400 && cp <= 0x4DBF) {
        ++counts.extensionA;
    } else if (cp >= 0xF900 && cp <= 0xFAFF) {
        ++counts.compatibility;
    } else {
        ++counts.beyondBmp;
    }
}

IdeographCounts EncodableIdeographs(int charset) {
    IdeographCounts counts;
    ForEachCjkIdeograph([&](char32_t cp) {
        unsigned char out[4];
        if (EncodeChar(charset, cp, out) > 0) Count(counts, cp);
    });
    return counts;
}

TEST(CjkIdeographs, VisitsEveryIdeographOnceInAscendingOrder) {
    IdeographCounts counts;
    char32_t previous = 0;
    bool ascending = true;
    ForEachCjkIdeograph([&](char32_t cp) {
        if (cp <= previous) ascending = false;
        previous = cp;
        Count(counts, cp);
    });
    EXPECT_TRUE(ascending);
    EXPECT_EQ(counts.unified, 20992);
    EXPECT_EQ(counts.extensionA, 6592);
    EXPECT_EQ(counts.compatibility, 472);
    EXPECT_EQ(counts.beyondBmp, 65811);
}

TEST(CjkIdeographs, TestAgreesWithTheVisitedSet) {
    std::vector<char32_t> visited;
    ForEachCjkIdeograph([&](char32_t cp) { visited.push_back(cp); });
    size_t next = 0;
    for (char32_t cp = 0; cp <= 0x10FFFF + 1; ++cp) {
        const bool expected = next < visited.size() && visited[next] == cp;
        if (expected) ++next;
        ASSERT_EQ(IsCjkIdeograph(cp), expected) << std::hex << static_cast<uint32_t>(cp);
    }
}

TEST(CjkIdeographs, UnassignedAndNonIdeographCodePointsAreExcluded) {
    EXPECT_TRUE(IsCjkIdeograph(0x4E00));
    EXPECT_TRUE(IsCjkIdeograph(0x9FFF));
    EXPECT_TRUE(IsCjkIdeograph(0xFA0C));
    EXPECT_TRUE(IsCjkIdeograph(0x3134A));
    EXPECT_FALSE(IsCjkIdeograph(0x3000));  // ideographic space
    EXPECT_FALSE(IsCjkIdeograph(0x4DC0));  // hexagram symbols after Extension A
    EXPECT_FALSE(IsCjkIdeograph(0xFA6E));  // unassigned inside the compatibility block
    EXPECT_FALSE(IsCjkIdeograph(0xFADA));
    EXPECT_FALSE(IsCjkIdeograph(0x2A6E0));  // after Extension B
    EXPECT_FALSE(IsCjkIdeograph(0x2B739));  // assigned only after Unicode 14
    EXPECT_FALSE(IsCjkIdeograph(0x3134B));
}

TEST(CjkIdeographs, Gb18030EncodesEveryIdeograph) {
    const IdeographCounts counts = EncodableIdeographs(kGb18030);
    EXPECT_EQ(counts.unified, 20992);
    EXPECT_EQ(counts.extensionA, 6592);
    EXPECT_EQ(counts.compatibility, 472);
    EXPECT_EQ(counts.beyondBmp, 65811);
}

TEST(CjkIdeographs, Big5EncodesItsTraditionalSet) {
    const IdeographCounts counts = EncodableIdeographs(kBig5);
    EXPECT_EQ(counts.unified, 13061);
    EXPECT_EQ(counts.extensionA, 0);
    EXPECT_EQ(counts.compatibility, 2);
    EXPECT_EQ(counts.beyondBmp, 0);
    EXPECT_EQ(counts.Total(), 13063);
}

TEST(CjkIdeographs, Utf8EncodesEveryIdeograph) {
    EXPECT_EQ(EncodableIdeographs(kUtf8).Total(), 20992 + 6592 + 472 + 65811);
}

}  // namespace
}  // namespace zel::charset
