#include <gtest/gtest.h>

#include <string>

#include "config/config_fixture.h"
#include "profile_merge.h"

using config_test::Crlf;
using config_test::Exists;
using config_test::HomeLayout;
using config_test::Read;
using config_test::Write;

namespace {

class ProfileMerge : public ::testing::Test {
protected:
    void Installed(const std::string& text) { Write(home.System("PROFILE.INI"), text); }
    void Template(const std::string& text) { Write(home.Package("PROFILE.INI"), text); }
    int Merge() { return MergeProfile(home.SystemDir().c_str(), home.PackageDir().c_str()); }
    std::string Result() { return Read(home.System("PROFILE.INI")); }
    std::string Backup() { return Read(home.System("PROFILE.INI.BAK")); }
    bool BackupExists() { return Exists(home.System("PROFILE.INI.BAK")); }
    bool WorkFileLeft() { return Exists(home.System("PROFILE.INI.NEW")); }

    HomeLayout home;
};

TEST_F(ProfileMerge, CarriedKeyKeepsInstalledValueWithTheTablesSpelling) {
    const std::string installed = Crlf({"[IndexCache]", "lowlimit=100"});
    Installed(installed);
    Template(Crlf({"[IndexCache]", "LowLimit=0", "MediumLimit=5"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[IndexCache]", "LowLimit=100", "MediumLimit=5"}));
    EXPECT_EQ(Backup(), installed);
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(ProfileMerge, LowerCaseTemplateHeaderSelectsTheTableAndStaysLowerCase) {
    Installed(Crlf({"[Retrieval]", "ParallelLimit=8"}));
    Template(Crlf({"[retrieval]", "ParallelLimit=4", "HighlightLimit=256"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[retrieval]", "ParallelLimit=8", "HighlightLimit=256"}));
}

TEST_F(ProfileMerge, EmptyInstalledValueIsCarried) {
    Installed(Crlf({"[IndexCache]", "LowLimit="}));
    Template(Crlf({"[IndexCache]", "LowLimit=64", "DiskSize=1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[IndexCache]", "LowLimit=", "DiskSize=1"}));
}

TEST_F(ProfileMerge, IgnoreSenPunctMovesToIgnorePunct) {
    Installed(Crlf({"[Retrieval]", "IgnoreSenPunct=1"}));
    Template(Crlf({"[Retrieval]", "IgnoreSenPunct=FALSE", "IgnorePunct=TRUE"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[Retrieval]", "IgnoreSenPunct=FALSE", "IgnorePunct=1"}));
    EXPECT_TRUE(BackupExists());
}

TEST_F(ProfileMerge, InstalledIgnorePunctWinsOverTheMovedValue) {
    Installed(Crlf({"[Retrieval]", "IgnoreSenPunct=1", "IgnorePunct=0"}));
    Template(Crlf({"[Retrieval]", "IgnoreSenPunct=FALSE", "IgnorePunct=TRUE"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[Retrieval]", "IgnoreSenPunct=FALSE", "IgnorePunct=0"}));
}

TEST_F(ProfileMerge, MovedKeyAloneForcesTheReplacement) {
    // Even with no IgnoreSenPunct in the template the old key must go.
    Installed(Crlf({"[Retrieval]", "IgnoreSenPunct=1", "ParallelLimit=2"}));
    Template(Crlf({"[Retrieval]", "ParallelLimit=4", "IgnorePunct=TRUE"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[Retrieval]", "ParallelLimit=2", "IgnorePunct=1"}));
}

TEST_F(ProfileMerge, FileStaysByteForByteWhenEveryTemplateItemIsCarried) {
    // Other order, blanks, an unknown key and an unknown section: all kept.
    const std::string installed =
        "; mine\n[Network]\nConnectCache = TRUE\nOwnKey=7\n"
        "[IndexCache]\r\nLowLimit=1\r\nMediumLimit=2\r\n[Private]\r\nX=1";
    Installed(installed);
    Template(
        Crlf({"; template", "[IndexCache]", "MediumLimit=20", "LowLimit=10", "", "[Network]", "ConnectCache=FALSE"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), installed);
    EXPECT_FALSE(BackupExists());
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(ProfileMerge, TemplateSectionOutsideTheNineIsCopiedAndForcesReplacement) {
    Installed(Crlf({"[IndexCache]", "LowLimit=1"}));
    Template(Crlf({"[IndexCache]", "LowLimit=10", "", "[Security]", "; attempts", "LoginAttempts=5"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[IndexCache]", "LowLimit=1", "", "[Security]", "; attempts", "LoginAttempts=5"}));
}

TEST_F(ProfileMerge, UncarriedTemplateKeyForcesReplacementAndDropsUncarriedInstalledKeys) {
    const std::string installed = Crlf({"[Maintain]", "NiceSleepTime=3", "OwnKey=7", "[Private]", "X=1"});
    Installed(installed);
    Template(Crlf({"[Maintain]", "NiceSleepTime=10", "MergeSegments=8"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[Maintain]", "NiceSleepTime=3", "MergeSegments=8"}));
    EXPECT_EQ(Backup(), installed);
}

TEST_F(ProfileMerge, KeyOfAnotherSectionIsNotCarried) {
    Installed(Crlf({"[Network]", "LowLimit=1"}));
    Template(Crlf({"[IndexCache]", "LowLimit=10"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[IndexCache]", "LowLimit=10"}));
}

TEST_F(ProfileMerge, LastOccurrenceOfAKeyWins) {
    Installed(Crlf({"[Concurrent]", "RoutineLimit=5", "RoutineLimit=9"}));
    Template(Crlf({"[Concurrent]", "RoutineLimit=32", "QueueLimit=1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[Concurrent]", "RoutineLimit=9", "QueueLimit=1"}));
}

TEST_F(ProfileMerge, EarlierBackupIsKeptUnderTheNextFreeNumber) {
    Write(home.System("PROFILE.INI.BAK"), "old backup");
    Write(home.System("PROFILE.INI.1.BAK"), "older backup");
    const std::string installed = Crlf({"[AutoView]", "SplitLimit=3"});
    Installed(installed);
    Template(Crlf({"[AutoView]", "SplitLimit=0", "InheritPath=TRUE"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Backup(), installed);
    EXPECT_EQ(Read(home.System("PROFILE.INI.1.BAK")), "older backup");
    EXPECT_EQ(Read(home.System("PROFILE.INI.2.BAK")), "old backup");
}

TEST_F(ProfileMerge, SecondMergeOfAMergedFileKeepsTheFirstBackup) {
    // A template key that is not carried marks every merge changed; the
    // second upgrade of a home must still not overwrite the backup of the
    // first, the only copy of the configuration before the upgrade.
    const std::string installed = Crlf({"[AutoView]", "SplitLimit=3", "OldKey=only here"});
    Installed(installed);
    Template(Crlf({"[AutoView]", "SplitLimit=0", "InheritPath=TRUE"}));
    ASSERT_EQ(Merge(), 1);
    const std::string merged = Result();
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), merged);
    EXPECT_EQ(Backup(), installed);
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(ProfileMerge, InstalledAutoBatchIsCarriedWholeWhenTheTemplateHasNone) {
    Installed(Crlf({"[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK",
                    "ProgramStart=zelsearcher.exe &PORT &BLOCK", "ProgramStart=zelsearcher.exe &PORT &BLOCK",
                    "ProgramClose=zemshutdown.exe &PORT &BLOCK", "[AutoView]", "SplitLimit=3"}));
    Template(Crlf({"[AutoView]", "SplitLimit=0", "InheritPath=TRUE"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(),
              Crlf({"[AutoView]", "SplitLimit=3", "InheritPath=TRUE", "", "[AutoBatch]",
                    "ProgramStart=zelserver.exe &PORT &BLOCK", "ProgramStart=zelsearcher.exe &PORT &BLOCK",
                    "ProgramStart=zelsearcher.exe &PORT &BLOCK", "ProgramClose=zemshutdown.exe &PORT &BLOCK"}));
    // Merging the merged file again changes nothing, and the backup stays.
    const std::string first = Result();
    const std::string backup = Backup();
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), first);
    EXPECT_EQ(Backup(), backup);
}

TEST_F(ProfileMerge, LineTooLongForTheBufferLeavesTheFileAsItWas) {
    const std::string installed = Crlf({"[IndexCache]", ("LowLimit=" + std::string(1100, '7')).c_str()});
    Installed(installed);
    Template(Crlf({"[IndexCache]", "LowLimit=10", "DiskSize=1"}));
    EXPECT_EQ(Merge(), 0);
    EXPECT_EQ(Result(), installed);
    EXPECT_FALSE(BackupExists());
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(ProfileMerge, LongTemplateLineFailsWithoutCuttingIt) {
    const std::string installed = Crlf({"[IndexCache]", "LowLimit=1"});
    Installed(installed);
    Template(Crlf({"[IndexCache]", ("Expression=" + std::string(1100, 'x')).c_str()}));
    EXPECT_EQ(Merge(), 0);
    EXPECT_EQ(Result(), installed);
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(ProfileMerge, MissingInstalledFileOrTemplateFailsWithoutWriting) {
    Template(Crlf({"[IndexCache]", "LowLimit=10"}));
    EXPECT_EQ(Merge(), 0);
    EXPECT_EQ(home.SystemListing(), "");

    Installed(Crlf({"[IndexCache]", "LowLimit=1"}));
    std::filesystem::remove(home.Package("PROFILE.INI"));
    EXPECT_EQ(Merge(), 0);
    EXPECT_EQ(home.SystemListing(), "PROFILE.INI ");
}

TEST_F(ProfileMerge, SecondMergeCarriesNothingFromTheFirst) {
    Installed(Crlf({"[IndexCache]", "LowLimit=1"}));
    Template(Crlf({"[IndexCache]", "LowLimit=10"}));
    ASSERT_EQ(Merge(), 1);
    Installed(Crlf({"[Other]"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"[IndexCache]", "LowLimit=10"}));
}

TEST_F(ProfileMerge, ShippedTemplateCarriesAnInstalledValueOfEveryCarriedSection) {
    // A value of each carried section of the shipped template and both
    // punctuation keys survive. The shipped template has no [AutoBatch] (the
    // start-up section step builds one from the old release's batch files),
    // so an installed one is carried whole, at the end.
    Write(home.Package("PROFILE.INI"), Read(ZEL_TEMPLATE_DIR "/PROFILE.INI"));
    Installed(Crlf({"[IndexCache]", "Preload=BOOKS", "[Maintain]", "ParallelIndex=7", "[Retrieval]", "IgnoreSenPunct=7",
                    "FocusWeighted=7", "[Network]", "WideAreaLogin=7", "[Concurrent]", "RoutineLimit=7", "[AutoView]",
                    "InheritDict=7", "[AutoBatch]", "ProgramClose=7", "[AutoReboot]", "ShutdownCall=7", "[Background]",
                    "DiskWeight=7"}));
    ASSERT_EQ(Merge(), 1);
    const std::string result = Result();
    for (const char* line :
         {"Preload=BOOKS\r\n", "ParallelIndex=7\r\n", "IgnorePunct=7\r\n", "FocusWeighted=7\r\n", "WideAreaLogin=7\r\n",
          "RoutineLimit=7\r\n", "InheritDict=7\r\n", "ShutdownCall=7\r\n", "DiskWeight=7\r\n"}) {
        EXPECT_NE(result.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(result.find("IgnoreSenPunct=7"), std::string::npos);
    EXPECT_NE(result.find("\r\n\r\n[AutoBatch]\r\nProgramClose=7\r\n"), std::string::npos);
}

}  // namespace
