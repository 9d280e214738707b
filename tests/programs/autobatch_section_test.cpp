#include <gtest/gtest.h>

#include <string>

#include "config/config_fixture.h"
#include "autobatch_section.h"

using config_test::ClearHome;
using config_test::Crlf;
using config_test::Exists;
using config_test::FaultScope;
using config_test::HomeLayout;
using config_test::ListFaultPoints;
using config_test::Read;
using config_test::Write;

namespace {

const std::string FIXED_LINES =
    Crlf({"", "[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK", "ProgramClose=zemshutdown.exe &PORT &BLOCK"});
const char* const SEARCHER_START = "ProgramStart=zelsearcher.exe &PORT &BLOCK";
const char* const MIRROR_START = "ProgramStart=zelmirror.exe &PORT &BLOCK";
const char* const MIRROR_CLOSE = "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK";

class AutoBatch : public ::testing::Test {
protected:
    int Add() { return AddAutoBatchSection(home.BinDir().c_str()); }
    std::string Profile() { return Read(home.System("PROFILE.INI")); }

    HomeLayout home;
    const std::string profile = Crlf({"[IndexCache]", "LowLimit=1"});
};

TEST_F(AutoBatch, ExistingSectionIsNeverChanged) {
    const std::string withSection = Crlf({"[autobatch]", "ProgramStart=other.exe"});
    Write(home.System("PROFILE.INI"), withSection);
    Write(home.Bin("z40startup.bat"), "zelsearcher\r\n");
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), withSection);
    EXPECT_TRUE(Exists(home.Bin("z40startup.bat")));
}

TEST_F(AutoBatch, WithoutBatchFilesAppendsExactlyTheServerLines) {
    Write(home.System("PROFILE.INI"), profile);
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), profile + FIXED_LINES);
}

TEST_F(AutoBatch, StartFileLaunchesFollowInFileOrderAndTheFileGoes) {
    Write(home.System("PROFILE.INI"), profile);
    Write(home.Bin("z40startup.bat"),
          "@echo off\r\nstart ZELSEARCHER.EXE 1\r\n\r\nstart zelmirror.exe\nstart zelsearcher.exe 2\r\n"
          "start zelmirror zelsearcher\r\n");
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), profile + FIXED_LINES + Crlf({SEARCHER_START, MIRROR_START, SEARCHER_START, SEARCHER_START}));
    EXPECT_FALSE(Exists(home.Bin("z40startup.bat")));
}

TEST_F(AutoBatch, OldProgramNamesInTheBatchFilesCount) {
    Write(home.System("PROFILE.INI"), profile);
    Write(home.Bin("z40startup.bat"), "z40server.exe 1\r\nZ40SEARCHER.EXE 1\r\nz40mirror.exe 1\r\n");
    Write(home.Bin("z40cleanup.bat"), "z40mirror.exe -shutdown 1\r\nz40shutdown.exe 1\r\n");
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), profile + FIXED_LINES + Crlf({SEARCHER_START, MIRROR_START, MIRROR_CLOSE}));
}

TEST_F(AutoBatch, StopFileMirrorLinesCloseTheMirror) {
    Write(home.System("PROFILE.INI"), profile);
    Write(home.Bin("z40startup.bat"), "zelmirror\r\n");
    Write(home.Bin("z40cleanup.bat"), "ZelMirror -stop\r\nzelsearcher -stop\r\nzelmirror again");
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), profile + FIXED_LINES + Crlf({MIRROR_START, MIRROR_CLOSE, MIRROR_CLOSE}));
    EXPECT_FALSE(Exists(home.Bin("z40cleanup.bat")));
}

TEST_F(AutoBatch, BatchFileOfExactlyTheLimitIsReadAndALargerOneLeftAlone) {
    Write(home.System("PROFILE.INI"), profile);
    std::string stop = "zelmirror\r\n";
    stop += std::string(32768 - stop.size(), 'x');
    Write(home.Bin("z40cleanup.bat"), stop);
    const std::string start = "zelsearcher\r\n" + std::string(32769 - 13, 'x');
    Write(home.Bin("z40startup.bat"), start);
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), profile + FIXED_LINES + Crlf({MIRROR_CLOSE}));
    EXPECT_FALSE(Exists(home.Bin("z40cleanup.bat")));
    EXPECT_EQ(Read(home.Bin("z40startup.bat")), start);
}

TEST_F(AutoBatch, MissingProfileFails) {
    Write(home.Bin("z40startup.bat"), "zelsearcher\r\n");
    EXPECT_EQ(Add(), 0);
    EXPECT_FALSE(Exists(home.System("PROFILE.INI")));
    EXPECT_TRUE(Exists(home.Bin("z40startup.bat")));
}

TEST(AutoBatchFaults, FailedAppendNeverLosesTheProfileOrALaunch) {
    HomeLayout home;
    const std::string profile = Crlf({"[IndexCache]", "LowLimit=1", "[Network]", "ConnectCache=TRUE"});
    auto prepare = [&] {
        ClearHome(home);
        Write(home.System("PROFILE.INI"), profile);
        Write(home.Bin("z40startup.bat"), "zelsearcher\r\nzelmirror\r\n");
        Write(home.Bin("z40cleanup.bat"), "zelmirror\r\n");
    };
    prepare();
    const std::vector<std::string> points =
        ListFaultPoints(home, [&] { ASSERT_EQ(AddAutoBatchSection(home.BinDir().c_str()), 1); });
    for (size_t n = 1; n <= points.size(); ++n) {
        SCOPED_TRACE("fault at " + points[n - 1] + " #" + std::to_string(n));
        prepare();
        {
            FaultScope fault("*:" + std::to_string(n));
            AddAutoBatchSection(home.BinDir().c_str());
        }
        const std::string result = Read(home.System("PROFILE.INI"));
        EXPECT_EQ(result.substr(0, profile.size()), profile);
        // A batch file goes only once its launches are in the profile.
        if (!Exists(home.Bin("z40startup.bat"))) {
            EXPECT_NE(result.find(SEARCHER_START), std::string::npos);
            EXPECT_NE(result.find(MIRROR_START), std::string::npos);
        }
        if (!Exists(home.Bin("z40cleanup.bat"))) {
            EXPECT_NE(result.find(MIRROR_CLOSE), std::string::npos);
        }
    }
}

}  // namespace
