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

TEST(RunLogFile, NameCarriesTheLocalTimeTheRunStarted) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 7;
    local.tm_min = 8;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const std::time_t started = std::mktime(&local);
    EXPECT_EQ(RunLogName(started, 1), "UPGRADE-20240305-070809.LOG");
    EXPECT_EQ(RunLogName(started, 2), "UPGRADE-20240305-070809-2.LOG");
}

// A run of the same second finds the name taken: it takes the next one and
// leaves the other run's log as it was.
TEST(RunLogFile, RunOfTheSameSecondTakesTheNextFreeName) {
    ScratchDir scratch("runlog");
    const std::time_t started = std::time(nullptr);
    WriteFileText(scratch.Root() / RunLogName(started, 1), "the first run\n");
    RunLogFile log;
    ASSERT_TRUE(log.Open(DirectoryText(scratch.Root()), started)) << Z_GetLastErrorPrompt(nullptr, 0);
    EXPECT_EQ(fs::path(log.Path()).filename().string(), RunLogName(started, 2));
    ASSERT_TRUE(log.Write("line one\nline two\n"));
    log.Close();
    EXPECT_EQ(ReadFileText(scratch.Root() / RunLogName(started, 2)), "line one\r\nline two\r\n");
    EXPECT_EQ(ReadFileText(scratch.Root() / RunLogName(started, 1)), "the first run\n");
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
