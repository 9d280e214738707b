#include "console.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/scratch_dir.h"
#include "zelkit.h"

namespace zel::testing {
namespace {

// A log that cannot be made is said once, and the run goes on printing; the
// failure being reported (the toolkit's last error) stays what it was.
TEST(Console, LogThatCannotBeMadeIsSaidOnceAndTheRunGoesOn) {
    ScratchDir scratch("console");
    const std::string missing = (scratch.Root() / "missing").string() + Z_PATH_SEPARATOR;
    Z_SetLastErrorText(4321, "the failure being reported");
    ::testing::internal::CaptureStdout();
    OpenRunLog(missing, {"head"});
    ConsolePrint("next\n");
    LogLine("for the log alone");
    const std::string shown = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(shown.rfind("\nThe log of this run cannot be made in " + missing + " (", 0), 0u) << shown;
    EXPECT_NE(shown.find("); the run goes on without it.\nnext\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("for the log alone"), std::string::npos) << shown;
    EXPECT_EQ(RunLogPath(), "");
    EXPECT_EQ(Z_GetLastError(), 4321u);
    EXPECT_STREQ(Z_GetLastErrorPrompt(nullptr, 0), "the failure being reported");
}

}  // namespace
}  // namespace zel::testing
