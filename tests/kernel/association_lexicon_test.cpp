#include <filesystem>

#include "association_lexicon.h"
#include "kernel_test_support.h"

namespace kernel_test {
namespace {

using SegmentationLexicon = KernelTest;

TEST_F(SegmentationLexicon, WritesKindAndSuffixFileInHomeDictConverted) {
    std::string source = PackageFile("wbigram.dic", "中国 人民 30\r\n\nabc 1\n");
    EXPECT_EQ(ZKF_CreateAssLexicon(5555, 1, source.c_str(), 1), 1) << LastError();
    EXPECT_EQ(Read(scratch_.Path("home/dict/ZEL_WBigram.GB")), "\xD6\xD0\xB9\xFA \xC8\xCB\xC3\xF1 30\n\nabc 1\n");
}

TEST_F(SegmentationLexicon, LinesTheCharsetCannotEncodeAreLeftOut) {
    std::string source = PackageFile("single.dic", "中 100\n图 5\n國 7\n");
    EXPECT_EQ(ZKF_CreateAssLexicon(7777, 2, source.c_str(), 1), 1) << LastError();
    EXPECT_EQ(Read(scratch_.Path("home/dict/ZEL_Single.BIG5")), "\xA4\xA4 100\n\xB0\xEA 7\n");
    uint64_t dropped = 0;
    ASSERT_TRUE(zel::kernel::BuildAssociationFile("test", source, Z_CHARSET_BIG5, scratch_.Path("out"), &dropped));
    EXPECT_EQ(dropped, 1u);
}

TEST_F(SegmentationLexicon, EveryKindAndCharsetHasItsFileName) {
    std::string source = PackageFile("any.dic", "x\n");
    for (int kind : {4444, 5555, 6666, 7777}) {
        for (int charset : {1, 2, 3}) ASSERT_EQ(ZKF_CreateAssLexicon(kind, charset, source.c_str(), 1), 1);
    }
    for (const char* name : {"Ambiguous", "WBigram", "CBigram", "Single"}) {
        for (const char* suffix : {"GB", "BIG5", "UTF8"}) {
            EXPECT_TRUE(std::filesystem::exists(scratch_.Root() / "home" / "dict" /
                                                (std::string("ZEL_") + name + "." + suffix)))
                << name << "." << suffix;
        }
    }
}

TEST_F(SegmentationLexicon, UnknownKindOrCharsetFails) {
    std::string source = PackageFile("any.dic", "x\n");
    EXPECT_EQ(ZKF_CreateAssLexicon(1234, 1, source.c_str(), 1), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_BAD_ARGUMENT);
    EXPECT_EQ(ZKF_CreateAssLexicon(4444, 0, source.c_str(), 1), 0);
    EXPECT_NE(LastError().find("ZKF_CreateAssLexicon"), std::string::npos);
}

TEST_F(SegmentationLexicon, SourceThatIsNotUtf8LeavesTheOldFile) {
    std::string good = PackageFile("cbigram.dic", "中国 3\n");
    ASSERT_EQ(ZKF_CreateAssLexicon(6666, 3, good.c_str(), 1), 1);
    std::string target = scratch_.Path("home/dict/ZEL_CBigram.UTF8");
    std::string before = Read(target);
    std::string bad = PackageFile("bad.dic", "\xD6\xD0 3\n");
    EXPECT_EQ(ZKF_CreateAssLexicon(6666, 3, bad.c_str(), 1), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_CHARSET);
    EXPECT_EQ(Read(target), before);
}

TEST_F(SegmentationLexicon, MissingSourceFails) {
    std::string missing = scratch_.Path("package/none.dic");
    EXPECT_EQ(ZKF_CreateAssLexicon(4444, 1, missing.c_str(), 1), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Root() / "home" / "dict" / "ZEL_Ambiguous.GB"));
}

}  // namespace
}  // namespace kernel_test
