#include <algorithm>

#include "charset_codec.h"
#include "kernel_test_support.h"

namespace kernel_test {
namespace {

using CreateLexicon = KernelTest;

TEST_F(CreateLexicon, KeepsFirstFieldOnceEachSortedByEncodedBytes) {
    Z_AssignCharset(Z_CHARSET_GB18030, 1);
    CreateDatabase(40);
    std::string source = PackageFile("segment.dic", "中国 100 ns\n人民 50\n# a comment\n\n中国 3\n  abc\n图书馆 7 n\n");
    EXPECT_EQ(ZKF_CreateLexicon(40, source.c_str(), 0, nullptr, 1), 4) << LastError();
    std::vector<std::string> expected = {"abc", "\xC8\xCB\xC3\xF1", "\xCD\xBC\xCA\xE9\xB9\xDD", "\xD6\xD0\xB9\xFA"};
    EXPECT_EQ(RecordLines(40), expected);
    EXPECT_EQ(ZKF_CountDBRecords(40, nullptr), 4);
}

TEST_F(CreateLexicon, EntriesTheCharsetCannotEncodeAreCountedNotFailed) {
    Z_AssignCharset(Z_CHARSET_BIG5, 1);
    CreateDatabase(41);
    std::string source = PackageFile("stop.dic", "中國\n图书\n");
    EXPECT_EQ(ZKF_CreateLexicon(41, source.c_str(), 0, nullptr, 1), 1) << LastError();
    EXPECT_EQ(RecordLines(41), std::vector<std::string>{"\xA4\xA4\xB0\xEA"});
    EXPECT_NE(Read(DataPath(41)).find("\nunencodable 1\n"), std::string::npos);
}

TEST_F(CreateLexicon, RebuildReplacesTheEntries) {
    CreateDatabase(42);
    std::string first = PackageFile("a.dic", "one\ntwo\n");
    std::string second = PackageFile("b.dic", "three\n");
    ASSERT_EQ(ZKF_CreateLexicon(42, first.c_str(), 0, nullptr, 1), 2);
    EXPECT_EQ(ZKF_CreateLexicon(42, second.c_str(), 0, nullptr, 1), 1);
    EXPECT_EQ(RecordLines(42), std::vector<std::string>{"three"});
}

TEST_F(CreateLexicon, WithoutFileAndFlagZeroEmptiesAndKeepsTheCharset) {
    Z_AssignCharset(Z_CHARSET_BIG5, 1);
    CreateDatabase(43);
    std::string source = PackageFile("entity.dic", "中國\n");
    ASSERT_EQ(ZKF_CreateLexicon(43, source.c_str(), 0, nullptr, 1), 1);
    Z_AssignCharset(Z_CHARSET_GB18030, 1);
    EXPECT_EQ(ZKF_CreateLexicon(43, nullptr, 0, nullptr, 1), 0) << LastError();
    EXPECT_EQ(ZKF_CountDBRecords(43, nullptr), 0);
    EXPECT_NE(Read(DataPath(43)).find("\ncharset 2\n"), std::string::npos);
}

TEST_F(CreateLexicon, MissingSourceFailsAndKeepsTheLexicon) {
    CreateDatabase(44);
    std::string source = PackageFile("a.dic", "one\n");
    ASSERT_EQ(ZKF_CreateLexicon(44, source.c_str(), 0, nullptr, 1), 1);
    std::string missing = scratch_.Path("package/none.dic");
    EXPECT_LT(ZKF_CreateLexicon(44, missing.c_str(), 0, nullptr, 1), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_NE(LastError().find("ZKF_CreateLexicon"), std::string::npos);
    EXPECT_EQ(RecordLines(44), std::vector<std::string>{"one"});
}

TEST_F(CreateLexicon, SourceThatIsNotUtf8FailsNamingTheLine) {
    CreateDatabase(45);
    std::string source = PackageFile("gbk.dic", "ok\nfine\n\xD6\xD0\n");
    EXPECT_LT(ZKF_CreateLexicon(45, source.c_str(), 0, nullptr, 1), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_CHARSET);
    EXPECT_NE(LastError().find("line 3"), std::string::npos) << LastError();
    EXPECT_TRUE(RecordLines(45).empty());
}

struct IdeographCase {
    int charset;
    size_t count;
};

class AllIdeographLexicon : public KernelTest, public ::testing::WithParamInterface<IdeographCase> {};

TEST_P(AllIdeographLexicon, HoldsEveryIdeographTheCharsetEncodes) {
    Z_AssignCharset(GetParam().charset, 1);
    CreateDatabase(50);
    EXPECT_EQ(ZKF_CreateLexicon(50, nullptr, 1, nullptr, 1), static_cast<int64_t>(GetParam().count)) << LastError();
    std::vector<std::string> lines = RecordLines(50);
    ASSERT_EQ(lines.size(), GetParam().count);
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
    // Every entry is one ideograph of the set, encoded in it.
    size_t checked = 0;
    for (size_t i = 0; i < lines.size(); i += 997) {
        char32_t codePoint = 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(lines[i].data());
        int used = zel::charset::DecodeChar(GetParam().charset, bytes, lines[i].size(), &codePoint);
        EXPECT_EQ(used, static_cast<int>(lines[i].size()));
        EXPECT_TRUE(zel::charset::IsCjkIdeograph(codePoint));
        ++checked;
    }
    EXPECT_GT(checked, 10u);
}

INSTANTIATE_TEST_SUITE_P(KernelCharsets, AllIdeographLexicon,
                         ::testing::Values(IdeographCase{Z_CHARSET_GB18030, 93867},
                                           IdeographCase{Z_CHARSET_BIG5, 13063}, IdeographCase{Z_CHARSET_UTF8, 93867}));

TEST_F(CreateLexicon, AllIdeographLexiconOfBig5LacksSimplifiedForms) {
    Z_AssignCharset(Z_CHARSET_BIG5, 1);
    CreateDatabase(51);
    ASSERT_GT(ZKF_CreateLexicon(51, nullptr, 1, nullptr, 1), 0);
    std::vector<std::string> lines = RecordLines(51);
    EXPECT_TRUE(std::binary_search(lines.begin(), lines.end(), std::string("\xA4\xA4")));  // 中
    EXPECT_TRUE(std::binary_search(lines.begin(), lines.end(), std::string("\xB9\xCF")));  // 圖
}

using AppendLexicon = KernelTest;

TEST_F(AppendLexicon, AddsOnlyNewEntriesAndReportsProgressToHundred) {
    CreateDatabase(60);
    std::string first = PackageFile("entity.dic", "中国 nt\n人民\n");
    ASSERT_EQ(ZKF_CreateLexicon(60, first.c_str(), 0, nullptr, 1), 2);
    std::string more = PackageFile("more.dic", "人民\n大家 5\n");
    EXPECT_EQ(ZKF_AppendLexicon(60, more.c_str(), 1, RecordLexicon), 1) << LastError();
    std::vector<ProgressCall> expected = {{-1, 0, ""}, {0, 40, ""}, {0, 90, ""}, {0, 100, ""}};
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(ZKF_CountDBRecords(60, nullptr), 3);
    std::vector<std::string> lines = RecordLines(60);
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
}

TEST_F(AppendLexicon, EncodesInTheCharsetTheLexiconIsKeptIn) {
    Z_AssignCharset(Z_CHARSET_BIG5, 1);
    CreateDatabase(61);
    std::string first = PackageFile("entity.dic", "中國\n");
    ASSERT_EQ(ZKF_CreateLexicon(61, first.c_str(), 0, nullptr, 1), 1);
    Z_AssignCharset(Z_CHARSET_GB18030, 1);
    std::string more = PackageFile("more.dic", "大\n");
    EXPECT_EQ(ZKF_AppendLexicon(61, more.c_str(), 1, nullptr), 1) << LastError();
    EXPECT_EQ(RecordLines(61), (std::vector<std::string>{"\xA4\x6A", "\xA4\xA4\xB0\xEA"}));
}

TEST_F(AppendLexicon, StartsALexiconThatHasNoDataYet) {
    AddDatabase(62);
    std::string source = PackageFile("entity.dic", "b\na\n");
    EXPECT_EQ(ZKF_AppendLexicon(62, source.c_str(), 1, nullptr), 2) << LastError();
    EXPECT_EQ(RecordLines(62), (std::vector<std::string>{"a", "b"}));
}

TEST_F(AppendLexicon, MissingSourceFailsWithoutTouchingTheLexicon) {
    CreateDatabase(63);
    std::string missing = scratch_.Path("package/none.dic");
    std::string before = Read(DataPath(63));
    EXPECT_LT(ZKF_AppendLexicon(63, missing.c_str(), 1, RecordLexicon), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_EQ(Read(DataPath(63)), before);
}

}  // namespace
}  // namespace kernel_test
