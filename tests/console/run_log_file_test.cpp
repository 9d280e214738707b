#include "run_log_file.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "fault_injection.h"
#include "support/run_program.h"
#include "support/scratch_dir.h"
#include "zelkit.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

std::string DirectoryText(const fs::path& directory) { return directory.string() + Z_PATH_SEPARATOR; }

TEST(RunLogFile, NameCarriesTheLocalTimeTheRunStartedAndARandomPart) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 7;
    local.tm_min = 8;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const std::time_t started = std::mktime(&local);
    EXPECT_EQ(RunLogName(started, "0A1B2C3D"), "UPGRADE-20240305-070809-0A1B2C3D.LOG");
}

// Names planted in advance cannot take a run's log: every name a run of this
// second could have used before (the plain one, -2 to -99) is taken, and
// two logs of the same second still get names of their own, private, and
// leave the planted files as they were.
TEST(RunLogFile, PlantedNamesLeaveTheLogItsOwnName) {
    ScratchDir scratch("runlog");
    const std::time_t started = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&started));
    for (int number = 1; number <= 99; ++number) {
        // Appended piece by piece: GCC 12 at -O3 takes a literal joined to a
        // temporary for an overlapping copy.
        std::string name = "UPGRADE-";
        name += stamp;
        if (number > 1) {
            name += '-';
            name += std::to_string(number);
        }
        name += ".LOG";
        WriteFileText(scratch.Root() / name, "planted\n");
    }
    RunLogFile first;
    RunLogFile second;
    ASSERT_TRUE(first.Open(DirectoryText(scratch.Root()), started)) << Z_GetLastErrorPrompt(nullptr, 0);
    ASSERT_TRUE(second.Open(DirectoryText(scratch.Root()), started)) << Z_GetLastErrorPrompt(nullptr, 0);
    EXPECT_NE(first.Path(), second.Path());
    ASSERT_TRUE(first.Write("line one\nline two\n"));
    first.Close();
    second.Close();
    EXPECT_EQ(ReadFileText(first.Path()), "line one\r\nline two\r\n");
    EXPECT_EQ(ReadFileText(scratch.Root() / ("UPGRADE-" + std::string(stamp) + ".LOG")), "planted\n");
#ifndef _WIN32
    EXPECT_EQ(fs::status(first.Path()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

// Writing a log is no operation of the run: a fault selected for every
// making, write and close of a file, or for the first of all, does not
// reach it.
TEST(RunLogFile, IsNoFaultPoint) {
    ScratchDir scratch("runlog");
    SetEnvironment("ZEL_FAULT", "Z_CreateLogFile:1,Z_WriteFile:1,Z_CloseFile:1,*:1");
    ZelResetFaultInjection();
    RunLogFile log;
    const bool opened = log.Open(DirectoryText(scratch.Root()), std::time(nullptr));
    const bool written = opened && log.Write("kept\n");
    log.Close();
    UnsetEnvironment("ZEL_FAULT");
    ZelResetFaultInjection();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(written);
}

TEST(RunLogFile, FolderThatIsNotThereGivesNoLog) {
    ScratchDir scratch("runlog");
    RunLogFile log;
    EXPECT_FALSE(log.Open(DirectoryText(scratch.Root() / "missing"), std::time(nullptr)));
    EXPECT_FALSE(log.IsOpen());
}

}  // namespace
}  // namespace zel::testing
