#include "console.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/scratch_dir.h"
#include "zelkit.h"

namespace zel::testing {
namespace {

// A log that cannot be made is a failure the caller reports (the run then
// stops before it changes anything): the last error names the file and
// why, and the console prints on, to no log.
TEST(Console, LogThatCannotBeMadeFailsWithItsCause) {
    ScratchDir scratch("console");
    const std::string missing = (scratch.Root() / "missing").string() + Z_PATH_SEPARATOR;
    ::testing::internal::CaptureStdout();
    const bool opened = OpenRunLog(missing, {"head"});
    const std::string why = Z_GetLastErrorPrompt(nullptr, 0);
    ConsolePrint("next\n");
    LogLine("for the log alone");
    const std::string shown = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(opened);
    EXPECT_EQ(why.rfind("Z_CreateLogFile: cannot create " + missing + "UPGRADE-", 0), 0u) << why;
    EXPECT_EQ(shown, "next\n");
    EXPECT_EQ(RunLogPath(), "");
}

}  // namespace
}  // namespace zel::testing
