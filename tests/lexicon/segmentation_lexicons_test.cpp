// The segmentation lexicon files and the indices that depend on refilled
// lexicons, against the fake host.
#include <gtest/gtest.h>

#include "association_lexicons.h"
#include "dependent_indices.h"
#include "lexicon/lexicon_test_support.h"
#include "zelkit.h"

namespace lexicon_test {
namespace {

using Calls = std::vector<std::string>;

class AssociationLexicons : public LexiconStepTest {
protected:
    void SetUp() override {
        for (const char* name : {"ambiguous.dic", "wbigram.dic", "cbigram.dic", "single.dic"}) WritePackageFile(name);
    }
    bool Build(int kind, uint16_t code) {
        run_.choices.lexiconCharsetCode = code;
        return CreateAssociationLexicon(run_.choices, kind);
    }
    std::string BuildAll(uint16_t code) {
        CaptureOutput();
        for (int kind : {LEXICON_AMBIGUOUS, LEXICON_WBIGRAM, LEXICON_CBIGRAM, LEXICON_SINGLE}) {
            EXPECT_TRUE(Build(kind, code));
        }
        return CapturedOutput();
    }
};

TEST_F(AssociationLexicons, AddModeKeepsAnExistingFileAndBuildsTheOthers) {
    WriteDictFile("ZEL_Single.BIG5");
    const std::string output = BuildAll(CHARSET_CODE_BIG5);
    EXPECT_EQ(output,
              "Creating new system ambiguous.dic...\nCreating new system wbigram.dic...\n"
              "Creating new system cbigram.dic...\n");
    EXPECT_EQ(fake::CallsOf("ZKF_CreateAssLexicon"),
              (Calls{"ZKF_CreateAssLexicon(4444,2,ambiguous.dic)", "ZKF_CreateAssLexicon(5555,2,wbigram.dic)",
                     "ZKF_CreateAssLexicon(6666,2,cbigram.dic)"}));
}

TEST_F(AssociationLexicons, NothingIsBuiltForUtf8WithoutNativeCharsetOrWithoutSource) {
    EXPECT_EQ(BuildAll(CHARSET_CODE_UTF8), "");
    std::filesystem::remove(Package() / "wbigram.dic");
    fake::State().nativeCharset = Z_CHARSET_UTF8;
    BuildAll(CHARSET_CODE_UTF8);
    EXPECT_EQ(fake::CallsOf("ZKF_CreateAssLexicon"),
              (Calls{"ZKF_CreateAssLexicon(4444,3,ambiguous.dic)", "ZKF_CreateAssLexicon(6666,3,cbigram.dic)",
                     "ZKF_CreateAssLexicon(7777,3,single.dic)"}));
    EXPECT_TRUE(Build(1234, CHARSET_CODE_GB18030));
    EXPECT_TRUE(Build(LEXICON_SINGLE, CHARSET_CODE_NONE));
    EXPECT_EQ(fake::CallsOf("ZKF_CreateAssLexicon").size(), 3u);
}

TEST_F(AssociationLexicons, KernelFailureIsReported) {
    fake::State().failing = "ZKF_CreateAssLexicon";
    CaptureOutput();
    EXPECT_FALSE(Build(LEXICON_CBIGRAM, CHARSET_CODE_GB18030));
    CapturedOutput();
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);

    // UTF8 files depend on the native charset; a failed query is no "none".
    fake::State().nativeCharset = Z_CHARSET_UTF8;
    fake::State().failing = "SetSystemCharset(0)";
    EXPECT_FALSE(Build(LEXICON_CBIGRAM, CHARSET_CODE_UTF8));
    EXPECT_EQ(fake::CallsOf("ZKF_CreateAssLexicon"), (Calls{"ZKF_CreateAssLexicon(6666,1,cbigram.dic)"}));
}

// ---- dependent indices ---------------------------------------------------------

class DependentIndices : public LexiconStepTest {
protected:
    uint32_t AddIndexed(const std::string& name, uint32_t segment, uint32_t stop) {
        fake::Database db;
        db.owner = "ADMIN";
        db.name = name;
        db.indexSegmentId = segment;
        db.indexStopId = stop;
        return fake::Add(db);
    }
    int Remove() {
        CaptureOutput();
        const int result = RemoveDependentIndices(run_);
        output = CapturedOutput();
        return result;
    }
    std::string output;
};

TEST_F(DependentIndices, NothingRefilledMeansNoShellCall) {
    AddIndexed("BOOKS", 0, 0);
    EXPECT_EQ(Remove(), 1);
    EXPECT_TRUE(fake::State().calls.empty());
    EXPECT_EQ(output, "");
}

TEST_F(DependentIndices, RixListsAndRemovesEveryMatchUnderOneHeader) {
    run_.choices.dictionaryMode = 1;
    outcome_.replacedSegmentId = 11;
    outcome_.replacedStopId = 12;
    const uint32_t books = AddIndexed("BOOKS", 11, 3);
    AddIndexed("NEWS", 4, 5);
    const uint32_t notes = AddIndexed("NOTES", 6, 12);
    EXPECT_EQ(Remove(), 1);
    EXPECT_EQ(output,
              "\nDeleting the indices of related databases...\nPlease rebuild these indices manually!!!\n"
              "\a\a\tADMIN.BOOKS\n\tADMIN.NOTES\n");
    EXPECT_EQ(fake::CallsOf("ZKF_RemoveDBIndices"), (Calls{"ZKF_RemoveDBIndices(" + std::to_string(books) + ")",
                                                           "ZKF_RemoveDBIndices(" + std::to_string(notes) + ")"}));
}

TEST_F(DependentIndices, RewOnlyListsAndAnUnrefilledStopLexiconMatchesNothing) {
    run_.choices.dictionaryMode = -1;
    outcome_.replacedSegmentId = 11;
    AddIndexed("BOOKS", 11, 0);
    AddIndexed("NEWS", 0, 0);
    EXPECT_EQ(Remove(), 1);
    EXPECT_EQ(output, "\nPlease remove and rebuild these indices manually!!!\n\a\a\tADMIN.BOOKS\n");
    EXPECT_TRUE(fake::CallsOf("ZKF_RemoveDBIndices").empty());
}

TEST_F(DependentIndices, FailedListingIsAFailureAndAnEmptyOneIsNot) {
    outcome_.replacedSegmentId = 11;
    EXPECT_EQ(Remove(), 1);
    fake::State().failing = "GetDatabaseInfo";
    EXPECT_EQ(Remove(), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

TEST_F(DependentIndices, FailedRemovalStopsAfterItsLine) {
    run_.choices.dictionaryMode = 1;
    outcome_.replacedStopId = 12;
    AddIndexed("BOOKS", 0, 12);
    AddIndexed("NOTES", 0, 12);
    fake::State().failing = "ZKF_RemoveDBIndices";
    EXPECT_EQ(Remove(), 0);
    EXPECT_EQ(output.substr(output.size() - 13), "\tADMIN.BOOKS\n");
    EXPECT_EQ(fake::CallsOf("ZKF_RemoveDBIndices").size(), 1u);
}

}  // namespace
}  // namespace lexicon_test
