// The configuration steps one after another, as an upgrade of a home of the
// previous release runs them, with the shipped template.
#include <gtest/gtest.h>

#include <string>

#include "autobatch_section.h"
#include "config/config_fixture.h"
#include "legacy_profile.h"
#include "profile_draft_write.h"
#include "profile_merge.h"
#include "program_lines.h"
#include "program_rename.h"
#include "run_choices.h"

using config_test::Crlf;
using config_test::Exists;
using config_test::HomeLayout;
using config_test::Read;
using config_test::Write;

namespace {

// A home of the previous release, without PROFILE.INI, and the shipped
// template.
void PreviousRelease(const HomeLayout& home) {
    Write(home.Package("PROFILE.INI"), Read(ZEL_TEMPLATE_DIR "/PROFILE.INI"));
    Write(home.System("CACHE.CFG"), "LowLimit=16\r\n");
    Write(home.System("NET.CFG"), "MaxConcurNum=16\r\n");
    Write(home.Bin("z40startup.bat"), "z40server.exe 1\r\nz40searcher.exe 1\r\nz40mirror.exe 1\r\n");
    Write(home.Bin("z40cleanup.bat"), "z40mirror.exe -shutdown 1\r\nz40shutdown.exe 1\r\n");
    Write(home.Bin("z40server.exe"), "old");
    Write(home.Bin("zelserver.exe"), "new");
}

TEST(MigrationFlow, LaunchesOfTheOldBatchFilesEndUpInTheMergedProfile) {
    HomeLayout home;
    PreviousRelease(home);

    ASSERT_EQ(CreateLegacyProfile(home.SystemDir().c_str()), 1);
    ASSERT_EQ(MergeProfile(home.SystemDir().c_str(), home.PackageDir().c_str()), 1);
    ASSERT_EQ(AddAutoBatchSection(home.BinDir().c_str()), 1);
    ASSERT_EQ(RenameOldPrograms(home.BinDir().c_str(), true, true, OldNamesChoice::Drop, false), 1);

    const std::string profile = Read(home.System("PROFILE.INI"));
    EXPECT_NE(profile.find("LowLimit=16\r\n"), std::string::npos);
    EXPECT_NE(profile.find("RoutineLimit=16\r\n"), std::string::npos);
    EXPECT_NE(profile.find(Crlf({"[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK",
                                 "ProgramClose=zemshutdown.exe &PORT &BLOCK",
                                 "ProgramStart=zelsearcher.exe &PORT &BLOCK", "ProgramStart=zelmirror.exe &PORT &BLOCK",
                                 "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK"})),
              std::string::npos)
        << profile;
    EXPECT_FALSE(Exists(home.Bin("z40startup.bat")));
    EXPECT_FALSE(Exists(home.System("PROFILE.NEW")));
    EXPECT_FALSE(Exists(home.System("PROFILE.INI.NEW")));
}

// The steps on the run's draft, as the upgrade runs them: nothing reaches
// the home before the one write, and that write leaves what the steps leave
// writing the profile one after another (the made profile as its backup,
// the launches, the new names), the old files gone only with it.
TEST(MigrationFlow, TheDraftIsWrittenOnceAsTheStepsWriteItInTurn) {
    HomeLayout inTurn;
    PreviousRelease(inTurn);
    ASSERT_EQ(CreateLegacyProfile(inTurn.SystemDir().c_str()), 1);
    ASSERT_EQ(MergeProfile(inTurn.SystemDir().c_str(), inTurn.PackageDir().c_str()), 1);
    ASSERT_EQ(AddAutoBatchSection(inTurn.BinDir().c_str()), 1);
    ASSERT_EQ(RewriteProgramLines(inTurn.System("PROFILE.INI").c_str()), 1);

    HomeLayout once;
    PreviousRelease(once);
    ProfileDraft draft;
    std::string before;
    ASSERT_EQ(DraftLegacyProfile(once.SystemDir().c_str(), false, &draft), 1);
    ASSERT_EQ(DraftProfileMerge(once.SystemDir().c_str(), once.PackageDir().c_str(), &draft, &before), 1);
    ASSERT_EQ(AddAutoBatchSection(once.BinDir().c_str(), false, &draft), 1);
    ASSERT_EQ(RenamingRewritesEveryLaunch(once.BinDir().c_str(), true, true), 1);
    std::string renamed;
    ASSERT_EQ(RewriteProgramLinesInText(draft.text, "PROFILE.INI", &renamed), 1);
    draft.text = renamed;
    EXPECT_EQ(before, draft.madeText);
    EXPECT_FALSE(Exists(once.System("PROFILE.INI")));
    EXPECT_FALSE(Exists(once.System("PROFILE.INI.BAK")));
    EXPECT_TRUE(Exists(once.System("CACHE.CFG")));
    EXPECT_TRUE(Exists(once.Bin("z40startup.bat")));
    bool written = false;
    ASSERT_EQ(WriteProfileDraft(once.System("PROFILE.INI").c_str(), &draft, &written), 1);
    EXPECT_TRUE(written);
    EXPECT_FALSE(draft.held);

    EXPECT_EQ(Read(once.System("PROFILE.INI")), Read(inTurn.System("PROFILE.INI")));
    EXPECT_EQ(Read(once.System("PROFILE.INI.BAK")), Read(inTurn.System("PROFILE.INI.BAK")));
    EXPECT_EQ(once.SystemListing(), inTurn.SystemListing());
    for (const char* gone : {"z40startup.bat", "z40cleanup.bat"}) EXPECT_FALSE(Exists(once.Bin(gone))) << gone;
    // The renaming finds nothing left to write.
    EXPECT_EQ(RewriteProgramLines(once.System("PROFILE.INI").c_str()), 1);
    EXPECT_EQ(Read(once.System("PROFILE.INI")), Read(inTurn.System("PROFILE.INI")));
}

}  // namespace
