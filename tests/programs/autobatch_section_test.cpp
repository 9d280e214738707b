#include <gtest/gtest.h>

#include <string>

#include "autobatch_section.h"
#include "config/config_fixture.h"
#include "zelkit.h"

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
    int Add(bool profileMergeFailed = false) {
        ::testing::internal::CaptureStdout();
        const int result = AddAutoBatchSection(home.BinDir().c_str(), profileMergeFailed);
        output = ::testing::internal::GetCapturedStdout();
        return result;
    }
    std::string Profile() { return Read(home.System("PROFILE.INI")); }
    std::string KeptLine(const char* name, const char* keptName) {
        const std::string file = home.Bin(name);
        const std::string kept = home.Bin(keptName);
        return "\n" + file + " was not converted and is kept as " + kept +
               ": move its launches to [AutoBatch] in PROFILE.INI by hand.\n";
    }

    std::string output;

    HomeLayout home;
    const std::string profile = Crlf({"[IndexCache]", "LowLimit=1"});
};

TEST_F(AutoBatch, ExistingSectionWithoutBatchFilesIsNeverChanged) {
    // Even without the server's lines: the administrator's section.
    const std::string withSection = Crlf({"[autobatch]", "ProgramStart=other.exe"});
    Write(home.System("PROFILE.INI"), withSection);
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), withSection);
    EXPECT_FALSE(Exists(home.System("PROFILE.INI.BAK")));
}

TEST_F(AutoBatch, ExistingSectionGainsTheBatchLaunchesItLacksAfterItsLastItem) {
    // Held: the searcher in other case and without the launch arguments, the
    // mirror's stop under its old name, which the renaming gives the new one.
    Write(home.System("PROFILE.INI"),
          Crlf({"[IndexCache]", "LowLimit=1", "[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK",
                "programstart = ZELSEARCHER.EXE", "ProgramClose=z40mirror.exe", "", "; next", "[Network]",
                "ConnectCache=TRUE"}));
    Write(home.Bin("z40startup.bat"),
          "z40server.exe 1\r\nz40searcher.exe 1\r\nz40mirror.exe 1\r\nz40searcher.exe 2\r\n");
    Write(home.Bin("z40cleanup.bat"), "z40mirror.exe -shutdown 1\r\n");
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), Crlf({"[IndexCache]", "LowLimit=1", "[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK",
                               "programstart = ZELSEARCHER.EXE", "ProgramClose=z40mirror.exe", MIRROR_START,
                               SEARCHER_START, "", "; next", "[Network]", "ConnectCache=TRUE"}));
    EXPECT_FALSE(Exists(home.Bin("z40startup.bat")));
    EXPECT_FALSE(Exists(home.Bin("z40cleanup.bat")));
    EXPECT_EQ(output, "");
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

TEST_F(AutoBatch, BatchFileOfExactlyTheLimitIsReadAndALargerOneKeptWithItsPartner) {
    Write(home.System("PROFILE.INI"), profile);
    std::string stop = "zelmirror\r\n";
    stop += std::string(32768 - stop.size(), 'x');
    Write(home.Bin("z40cleanup.bat"), stop);
    ASSERT_EQ(Add(), 1);
    EXPECT_EQ(Profile(), profile + FIXED_LINES + Crlf({MIRROR_CLOSE}));
    EXPECT_FALSE(Exists(home.Bin("z40cleanup.bat")));

    // The two files are converted together: the stop file waits too.
    Write(home.System("PROFILE.INI"), profile);
    const std::string start = "zelsearcher\r\n" + std::string(32769 - 13, 'x');
    Write(home.Bin("z40startup.bat"), start);
    Write(home.Bin("z40cleanup.bat"), "zelmirror\r\n");
    EXPECT_EQ(Add(), 0);
    EXPECT_NE(std::string(Z_GetLastErrorPrompt(nullptr, 0)).find("is larger than 32768 bytes"), std::string::npos);
    EXPECT_EQ(Profile(), profile + FIXED_LINES);
    EXPECT_EQ(Read(home.Bin("startup-z40.bat.BAK")), start);
    EXPECT_EQ(Read(home.Bin("cleanup-z40.bat.BAK")), "zelmirror\r\n");
    EXPECT_EQ(output,
              KeptLine("z40startup.bat", "startup-z40.bat.BAK") + KeptLine("z40cleanup.bat", "cleanup-z40.bat.BAK"));
}

TEST_F(AutoBatch, MissingProfileFailsAndKeepsTheBatchFile) {
    Write(home.Bin("z40startup.bat"), "zelsearcher\r\n");
    EXPECT_EQ(Add(), 0);
    EXPECT_FALSE(Exists(home.System("PROFILE.INI")));
    EXPECT_EQ(Read(home.Bin("startup-z40.bat.BAK")), "zelsearcher\r\n");
    EXPECT_EQ(output, KeptLine("z40startup.bat", "startup-z40.bat.BAK"));
}

TEST(AutoBatchFaults, EveryFaultLeavesTheProfileWholeAndNoLaunchLost) {
    HomeLayout home;
    const std::string profile = Crlf({"[IndexCache]", "LowLimit=1", "[Network]", "ConnectCache=TRUE"});
    const std::string start = "zelsearcher\r\nzelmirror\r\n";
    const std::string stop = "zelmirror\r\n";
    auto prepare = [&] {
        ClearHome(home);
        Write(home.System("PROFILE.INI"), profile);
        Write(home.Bin("z40startup.bat"), start);
        Write(home.Bin("z40cleanup.bat"), stop);
    };
    auto add = [&] {
        ::testing::internal::CaptureStdout();
        const int result = AddAutoBatchSection(home.BinDir().c_str());
        ::testing::internal::GetCapturedStdout();
        return result;
    };
    prepare();
    const std::vector<std::string> points = ListFaultPoints(home, [&] { ASSERT_EQ(add(), 1); });
    const std::string converted = Read(home.System("PROFILE.INI"));
    ASSERT_EQ(converted, profile + FIXED_LINES + Crlf({SEARCHER_START, MIRROR_START, MIRROR_CLOSE}));
    for (size_t n = 1; n <= points.size(); ++n) {
        SCOPED_TRACE("fault at " + points[n - 1] + " #" + std::to_string(n));
        prepare();
        {
            FaultScope fault("*:" + std::to_string(n));
            add();
        }
        // The old text or the whole new one, never a part of the section.
        const std::string result = Read(home.System("PROFILE.INI"));
        EXPECT_TRUE(result == profile || result == profile + FIXED_LINES || result == converted) << result;
        // A batch file goes only once its launches are in the profile;
        // otherwise it is under one of its two names.
        if (result != converted) {
            EXPECT_EQ(Exists(home.Bin("z40startup.bat")) ? Read(home.Bin("z40startup.bat"))
                                                         : Read(home.Bin("startup-z40.bat.BAK")),
                      start);
            EXPECT_EQ(Exists(home.Bin("z40cleanup.bat")) ? Read(home.Bin("z40cleanup.bat"))
                                                         : Read(home.Bin("cleanup-z40.bat.BAK")),
                      stop);
        }
        // A fault-free rerun converts what was kept.
        EXPECT_EQ(add(), 1);
        EXPECT_EQ(Read(home.System("PROFILE.INI")), converted);
        if (points[n - 1] == "Z_DeleteFile") continue;
        for (const char* name : {"z40startup.bat", "z40cleanup.bat", "startup-z40.bat.BAK", "cleanup-z40.bat.BAK"}) {
            EXPECT_FALSE(Exists(home.Bin(name))) << name;
        }
    }
}

}  // namespace
