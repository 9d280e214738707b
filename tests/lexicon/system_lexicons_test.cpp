// The system lexicon step, call by call against the fake host.
#include "system_lexicons.h"

#include <gtest/gtest.h>

#include "lexicon/lexicon_test_support.h"
#include "zelkit.h"

namespace lexicon_test {
namespace {

using Calls = std::vector<std::string>;

constexpr uint32_t SEGMENT = DB_KIND_SEGMENT_LEXICON;
constexpr uint32_t STOP = DB_KIND_STOP_LEXICON;

class SystemLexicons : public LexiconStepTest {
protected:
    void SetUp() override {
        WritePackageFile("segment.dic");
        WritePackageFile("stop.dic");
        WritePackageFile("entity.dic");
    }
    int Upgrade(uint16_t code) {
        CaptureOutput();
        const int result = (run_.choices.lexiconCharsetCode = code, UpgradeSystemLexicons(run_));
        output = CapturedOutput();
        return result;
    }
    std::string output;
};

TEST_F(SystemLexicons, AddModeKeepsExistingLexiconsAndBuildsTheIdeographLexicon) {
    const uint32_t segment = fake::Add(Lexicon("SEGMENT_GB", SEGMENT, CHARSET_CODE_GB18030));
    fake::Add(Lexicon("STOP_GB", STOP, CHARSET_CODE_GB18030));

    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(fake::CallsOf("CreateSystemDB"),
              (Calls{"CreateSystemDB(IDEO_ALL_GB,code 16,columns 0)", "CreateSystemDB(SYS$ENTITY,code 16,columns 0)"}));
    const uint32_t ideograph = fake::Find("IDEO_ALL_GB")->id;
    EXPECT_EQ(fake::CallsOf("ZKF_CreateLexicon"),
              (Calls{"ZKF_CreateLexicon(" + std::to_string(ideograph) + ",null,1,charset 1)"}));
    EXPECT_EQ(output.find("Creating new system SEGMENT_GB"), std::string::npos);
    EXPECT_NE(output.find("Creating new system IDEO_ALL_GB...\n"), std::string::npos) << output;
    EXPECT_EQ(outcome_.lexiconIds[SEGMENT_GB], 0u) << segment;
    EXPECT_EQ(outcome_.lexiconIds[IDEO_ALL_GB], ideograph);
    EXPECT_EQ(outcome_.replacedSegmentId, 0u);
    EXPECT_EQ(outcome_.replacedStopId, 0u);
    const fake::Database& made = *fake::Find("IDEO_ALL_GB");
    EXPECT_EQ(made.owner, "SYSTEM");
    EXPECT_EQ(made.description, "This is system all-ideograph dictionary");
    EXPECT_EQ(made.directory, (Home() / "dict").string());
}

TEST_F(SystemLexicons, ModifyModeRefillsUnderTheExistingIdsAndRecordsThemAsReplaced) {
    run_.choices.dictionaryMode = 1;
    const uint32_t segment = fake::Add(Lexicon("SEGMENT_GB", SEGMENT, CHARSET_CODE_GB18030));
    const uint32_t stop = fake::Add(Lexicon("STOP_GB", STOP, CHARSET_CODE_GB18030));
    fake::Add(Lexicon("IDEO_ALL_GB", SEGMENT, CHARSET_CODE_GB18030));

    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(fake::CallsOf("ZKF_CreateLexicon"),
              (Calls{"ZKF_CreateLexicon(" + std::to_string(segment) + ",segment.dic,0,charset 1)",
                     "ZKF_CreateLexicon(" + std::to_string(stop) + ",stop.dic,0,charset 1)"}));
    EXPECT_EQ(fake::CallsOf("CreateSystemDB"), (Calls{"CreateSystemDB(SYS$ENTITY,code 16,columns 0)"}));
    EXPECT_EQ(outcome_.replacedSegmentId, segment);
    EXPECT_EQ(outcome_.replacedStopId, stop);
    EXPECT_EQ(outcome_.lexiconIds[SEGMENT_GB], segment);
}

TEST_F(SystemLexicons, OldNameIsRenamedWithCurrentNameAndCountedRecords) {
    const uint32_t old = fake::Add(Lexicon("segment_big", SEGMENT, CHARSET_CODE_BIG5, 0));

    ASSERT_EQ(Upgrade(CHARSET_CODE_BIG5), 1);
    const fake::Host& host = fake::State();
    EXPECT_EQ(host.lastRenameName, "SEGMENT_BIG5");
    EXPECT_EQ(host.lastRenameSecondName, "segment_big");
    EXPECT_EQ(host.lastRename.recordCount, 42u);
    EXPECT_EQ(host.lastRename.kind, 0xFFFFFFFFu);
    EXPECT_EQ(host.lastRename.charsetCode, 0xFFFF);
    EXPECT_EQ(host.lastRename.value8, ~0ull);
    EXPECT_EQ(host.lastRename.bytes152[8], 0xFF);
    EXPECT_TRUE(IsUnchangedText(host.lastRename.owner));
    EXPECT_TRUE(IsUnchangedText(host.lastRename.description));
    EXPECT_EQ(host.lastRename.next, nullptr);
    // In add mode the renamed lexicon counts as existing.
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB(SEGMENT_BIG5").empty());
    EXPECT_EQ(fake::CallsOf("CreateSystemDB(STOP_BIG5").size(), 1u);
    EXPECT_EQ(fake::Find("SEGMENT_BIG5")->id, old);
}

TEST_F(SystemLexicons, ScanLeavesCountedUnknownLexiconsAloneAndRecountsEmptyOnes) {
    fake::Add(Lexicon("MY_LEXICON", SEGMENT, CHARSET_CODE_NONE, 9));
    const uint32_t empty = fake::Add(Lexicon("SEGMENT_GB", SEGMENT, CHARSET_CODE_GB18030, 0));
    const uint32_t renamed = fake::Add(Lexicon("STOP_BIG", STOP, CHARSET_CODE_BIG5, 3));

    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    const std::vector<std::string> calls = fake::State().calls;
    const auto scanEnd = std::find_if(calls.begin(), calls.end(),
                                      [](const std::string& c) { return c.rfind("CreateSystemDB", 0) == 0; });
    EXPECT_EQ(std::vector<std::string>(calls.begin(), scanEnd),
              (std::vector<std::string>{"GetDatabaseInfo(SYSTEM,*,kind 3)",
                                        "UpdateBaseRecordNum(" + std::to_string(empty) + ",0,kind 3)",
                                        "UpdateDatabaseInfo(" + std::to_string(renamed) + ",STOP_BIG5)"}));
    EXPECT_EQ(fake::State().lastRename.recordCount, 0xFFFFFFFFu);
}

TEST_F(SystemLexicons, FailedRenameStopsTheScanAndTheStep) {
    fake::Add(Lexicon("STOP_BIG", STOP, CHARSET_CODE_BIG5, 3));
    fake::Add(Lexicon("CHINESE_ALL_GB", SEGMENT, CHARSET_CODE_GB18030, 3));
    fake::State().failing = "UpdateDatabaseInfo";

    EXPECT_EQ(Upgrade(CHARSET_CODE_GB18030), 0);
    EXPECT_EQ(fake::CallsOf("UpdateDatabaseInfo").size(), 1u);
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB").empty());
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

TEST_F(SystemLexicons, FailedListingFailsBeforeAnythingIsCreated) {
    fake::State().failing = "GetDatabaseInfo";
    EXPECT_EQ(Upgrade(CHARSET_CODE_GB18030), 0);
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB").empty());
    EXPECT_EQ(output, "");
}

TEST_F(SystemLexicons, IdeographLexiconOfAnotherSetIsBuiltAndRecordedInThatSet) {
    fake::Add(Lexicon("SEGMENT_BIG5", SEGMENT, CHARSET_CODE_BIG5));

    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(fake::CallsOf("CreateSystemDB(IDEO_ALL"), (Calls{"CreateSystemDB(IDEO_ALL_GB,code 16,columns 0)",
                                                               "CreateSystemDB(IDEO_ALL_BIG5,code 32,columns 0)"}));
    const std::string big5 = std::to_string(fake::Find("IDEO_ALL_BIG5")->id);
    EXPECT_EQ(fake::CallsOf("ZKF_CreateLexicon(" + big5), (Calls{"ZKF_CreateLexicon(" + big5 + ",null,1,charset 2)"}));
}

TEST_F(SystemLexicons, Utf8WithoutNativeCharsetIsSkippedButMarksNewSystemDatabase) {
    ASSERT_EQ(Upgrade(CHARSET_CODE_UTF8), 1);
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB(SEGMENT").empty());
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB(STOP").empty());
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB(IDEO").empty());
    EXPECT_EQ(output.find("UTF8"), std::string::npos) << output;
    EXPECT_TRUE(outcome_.newSystemDatabase);
    EXPECT_EQ(fake::CallsOf("CreateRelationDBs"), (Calls{"CreateRelationDBs(code 64)"}));
}

TEST_F(SystemLexicons, FailedNativeCharsetQueryFailsInsteadOfSkippingUtf8) {
    fake::State().nativeCharset = Z_CHARSET_UTF8;
    fake::State().failing = "SetSystemCharset(0)";
    EXPECT_EQ(Upgrade(CHARSET_CODE_UTF8), 0);
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB").empty());
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

TEST_F(SystemLexicons, Utf8LexiconsAreBuiltWithANativeCharset) {
    fake::State().nativeCharset = Z_CHARSET_UTF8;
    ASSERT_EQ(Upgrade(CHARSET_CODE_UTF8), 1);
    EXPECT_EQ(
        fake::CallsOf("CreateSystemDB"),
        (Calls{"CreateSystemDB(SEGMENT_UTF8,code 64,columns 0)", "CreateSystemDB(STOP_UTF8,code 64,columns 0)",
               "CreateSystemDB(IDEO_ALL_UTF8,code 64,columns 0)", "CreateSystemDB(SYS$ENTITY,code 64,columns 0)"}));
    EXPECT_EQ(fake::CallsOf("ZKF_CreateLexicon").front().substr(fake::CallsOf("ZKF_CreateLexicon").front().size() - 10),
              "charset 3)");
}

TEST_F(SystemLexicons, MissingSourceFilesAreSkippedSilently) {
    std::filesystem::remove(Package() / "segment.dic");
    std::filesystem::remove(Package() / "entity.dic");
    ASSERT_EQ(Upgrade(CHARSET_CODE_BIG5), 1);
    EXPECT_EQ(fake::CallsOf("CreateSystemDB"), (Calls{"CreateSystemDB(STOP_BIG5,code 32,columns 0)",
                                                      "CreateSystemDB(IDEO_ALL_BIG5,code 32,columns 0)"}));
    EXPECT_EQ(output, "Creating new system STOP_BIG5...\nCreating new system IDEO_ALL_BIG5...\n");
}

TEST_F(SystemLexicons, OldStopEngRecordsTheStopEnglishIdOnlyInModifyMode) {
    const uint32_t stop = fake::Add(Lexicon("STOP_ENG", STOP, CHARSET_CODE_NONE));
    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(outcome_.stopEnglishId, 0u);
    EXPECT_EQ(fake::Find("STOP_ENGLISH")->id, stop);

    // Renamed already (by a run that stopped later), it is recorded all the same.
    run_.choices.dictionaryMode = -1;
    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(outcome_.stopEnglishId, stop);
    EXPECT_EQ(fake::CallsOf("UpdateDatabaseInfo").size(), 1u);  // no second rename

    fake::Find("STOP_ENGLISH")->name = "STOP_ENG";
    outcome_.stopEnglishId = 0;
    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(outcome_.stopEnglishId, stop);
}

TEST_F(SystemLexicons, OldSegmentationFilesTakeTheBig5SuffixUnlessTheNewNameIsTaken) {
    WriteDictFile("ZEL_Single.BIG", "old single");
    WriteDictFile("ZEL_CBigram.BIG", "old cbigram");
    WriteDictFile("ZEL_CBigram.BIG5", "new cbigram");
    ASSERT_EQ(Upgrade(CHARSET_CODE_GB18030), 1);
    EXPECT_EQ(zel::testing::ReadFileText(HomeDict() / "ZEL_Single.BIG5"), "old single");
    EXPECT_FALSE(std::filesystem::exists(HomeDict() / "ZEL_Single.BIG"));
    EXPECT_EQ(zel::testing::ReadFileText(HomeDict() / "ZEL_CBigram.BIG5"), "new cbigram");
    EXPECT_EQ(zel::testing::ReadFileText(HomeDict() / "ZEL_CBigram.BIG"), "old cbigram");
}

// ---- entity lexicon ------------------------------------------------------------

class EntityLexicon : public SystemLexicons {
protected:
    int UpgradeEntity() {
        CaptureOutput();
        const int result = UpgradeEntityLexicon(run_);
        output = CapturedOutput();
        return result;
    }
    uint32_t AddEntity() { return fake::Add(Lexicon("SYS$ENTITY", DB_KIND_ENTITY_LEXICON, CHARSET_CODE_GB18030)); }
};

TEST_F(EntityLexicon, IsCreatedInTheNativeCharset) {
    fake::State().nativeCharset = Z_CHARSET_BIG5;
    ASSERT_EQ(UpgradeEntity(), 1);
    const std::string id = std::to_string(fake::Find("SYS$ENTITY")->id);
    EXPECT_EQ(fake::CallsOf("CreateSystemDB"), (Calls{"CreateSystemDB(SYS$ENTITY,code 32,columns 0)"}));
    EXPECT_EQ(fake::CallsOf("ZKF_AppendLexicon"), (Calls{"ZKF_AppendLexicon(" + id + ",entity.dic,charset 2)"}));
    EXPECT_EQ(fake::CallsOf("UpdateBaseRecordNum"), (Calls{"UpdateBaseRecordNum(" + id + ",7,kind 3)"}));
    EXPECT_EQ(output, "Creating new system SYS$ENTITY...\n");
}

TEST_F(EntityLexicon, WithoutEntArgumentTheInstalledOneIsUntouched) {
    AddEntity();
    ASSERT_EQ(UpgradeEntity(), 1);
    EXPECT_TRUE(fake::CallsOf("ZKF_").empty());
    EXPECT_EQ(output, "");
}

TEST_F(EntityLexicon, AddAppendsAndRefreshesTheCount) {
    const std::string id = std::to_string(AddEntity());
    SetArguments({"ENT:add"});
    ASSERT_EQ(UpgradeEntity(), 1);
    EXPECT_EQ(output, "Appending dictionary SYS$ENTITY...\n");
    EXPECT_EQ(fake::CallsOf("LexiconProgress"), (Calls{"LexiconProgress(0,100)"}));
    EXPECT_EQ(fake::CallsOf("ZKF_"), (Calls{"ZKF_AppendLexicon(" + id + ",entity.dic,charset 1)"}));
    EXPECT_EQ(fake::CallsOf("UpdateBaseRecordNum"), (Calls{"UpdateBaseRecordNum(" + id + ",0,kind 3)"}));
}

TEST_F(EntityLexicon, WithoutSourceFileNothingIsCreatedOrTouched) {
    std::filesystem::remove(Package() / "entity.dic");
    SetArguments({"ENT:REW"});
    ASSERT_EQ(UpgradeEntity(), 1);
    AddEntity();
    ASSERT_EQ(UpgradeEntity(), 1);
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB").empty());
    EXPECT_TRUE(fake::CallsOf("ZKF_").empty());
    EXPECT_EQ(output, "");
}

TEST_F(EntityLexicon, FailedNativeCharsetQueryCreatesNothing) {
    // A new entity lexicon takes the native charset; unknown, it is not guessed.
    fake::State().nativeCharset = Z_CHARSET_BIG5;
    fake::State().failing = "SetSystemCharset(0)";
    EXPECT_EQ(UpgradeEntity(), 0);
    EXPECT_TRUE(fake::CallsOf("CreateSystemDB").empty());
}

TEST_F(EntityLexicon, NewLexiconThatCouldNotBeFilledGoesAgain) {
    // Left in place, an empty SYS$ENTITY would be taken as made by every rerun.
    fake::State().failing = "ZKF_AppendLexicon";
    EXPECT_EQ(UpgradeEntity(), 0);
    ASSERT_EQ(fake::CallsOf("UndoSystemDBCreation").size(), 1u);
    EXPECT_EQ(fake::Find("SYS$ENTITY"), nullptr);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);

    fake::State().calls.clear();
    ASSERT_EQ(UpgradeEntity(), 1);
    EXPECT_EQ(fake::CallsOf("CreateSystemDB"), (Calls{"CreateSystemDB(SYS$ENTITY,code 16,columns 0)"}));
}

TEST_F(EntityLexicon, KernelFailureFailsTheStep) {
    AddEntity();
    SetArguments({"ENT:ADD"});
    fake::State().failing = "ZKF_AppendLexicon";
    EXPECT_EQ(UpgradeEntity(), 0);
    EXPECT_TRUE(fake::CallsOf("UpdateBaseRecordNum").empty());
    // A lexicon this run did not make is never taken away.
    EXPECT_TRUE(fake::CallsOf("UndoSystemDBCreation").empty());
}

}  // namespace
}  // namespace lexicon_test
