// The configuration steps one after another, as an upgrade of a home of the
// previous release runs them, with the shipped template.
#include <gtest/gtest.h>

#include <string>

#include "autobatch_section.h"
#include "config/config_fixture.h"
#include "legacy_profile.h"
#include "profile_merge.h"
#include "program_rename.h"
#include "run_choices.h"

using config_test::Crlf;
using config_test::Exists;
using config_test::HomeLayout;
using config_test::Read;
using config_test::Write;

namespace {

TEST(MigrationFlow, LaunchesOfTheOldBatchFilesEndUpInTheMergedProfile) {
    HomeLayout home;
    Write(home.Package("PROFILE.INI"), Read(ZEL_TEMPLATE_DIR "/PROFILE.INI"));
    Write(home.System("CACHE.CFG"), "LowLimit=16\r\n");
    Write(home.System("NET.CFG"), "MaxConcurNum=16\r\n");
    Write(home.Bin("z40startup.bat"), "z40server.exe 1\r\nz40searcher.exe 1\r\nz40mirror.exe 1\r\n");
    Write(home.Bin("z40cleanup.bat"), "z40mirror.exe -shutdown 1\r\nz40shutdown.exe 1\r\n");
    Write(home.Bin("z40server.exe"), "old");
    Write(home.Bin("zelserver.exe"), "new");

    ASSERT_EQ(CreateLegacyProfile(home.SystemDir().c_str()), 1);
    ASSERT_EQ(MergeProfile(home.SystemDir().c_str(), home.PackageDir().c_str()), 1);
    ASSERT_EQ(AddAutoBatchSection(home.BinDir().c_str()), 1);
    ASSERT_EQ(RenameOldPrograms(home.BinDir().c_str(), true, true, OldNamesChoice::Drop), 1);

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

}  // namespace
