// What an upgrade guards in the home besides its contents: one run at a
// time, and what the administrator set on the files it replaces.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "support/upgrade_fixture.h"
#include "zelkit.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class HomeGuard : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(world.MakeHome().exitCode, 0); }
    UpgradeWorld world;
};

TEST_F(HomeGuard, RunOnAHomeAnotherRunHoldsStopsAndChangesNothing) {
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    const std::string lock = (world.Home() / "system" / "UPGRADE.LCK").string();
    HZLOCK held = Z_LockPath(lock.c_str(), 1);
    ASSERT_NE(held, nullptr) << Z_GetLastErrorPrompt(nullptr, 0);
    const ProgramResult result = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    Z_UnlockPath(held);
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(Contains(result.output,
                         "\nERROR: " + SystemText(world.Home()) +
                             " is in use by another upgrade (or by zelhome reading it), please wait until it ends!\n"))
        << result.output;
    EXPECT_TRUE(SnapshotDirectory(world.Home()) == before);
}

TEST_F(HomeGuard, TwoRunsStartedTogetherLetExactlyOneProceed) {
    // With the progress pauses on, a run lasts seconds: the two overlap.
    UnsetEnvironment("ZEL_SLEEP_SCALE");
    ProgramResult first;
    ProgramResult second;
    std::thread other([&] { second = world.Upgrade({"NEW:1", "CS:1", "OLD:N"}); });
    first = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    other.join();
    SetEnvironment("ZEL_SLEEP_SCALE", "0");
    const ProgramResult& refused = first.exitCode == 1 ? first : second;
    const ProgramResult& done = first.exitCode == 1 ? second : first;
    EXPECT_EQ(done.exitCode, 0) << done.output;
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_TRUE(Contains(refused.output, "is in use by another upgrade")) << refused.output;
    EXPECT_FALSE(Contains(refused.output, "Now, Updating")) << refused.output;
    // The home is as one clean run leaves it: a rerun changes nothing.
    const DirectorySnapshot after = SnapshotDirectory(world.Home());
    EXPECT_EQ(world.Upgrade({"NEW:1", "CS:1", "OLD:N"}).exitCode, 0);
    EXPECT_TRUE(SnapshotDirectory(world.Home()) == after);
    EXPECT_FALSE(fs::exists(world.Home() / "system" / "UPGRADE.LCK"));
    EXPECT_FALSE(fs::exists(world.Home() / "system" / "UPGRADE.RUN"));
}

#ifndef _WIN32
TEST_F(HomeGuard, ReplacedFilesKeepTheirModeAndALinkKeepsPointingAtItsFile) {
    const fs::path system = world.Home() / "system";
    fs::permissions(system / "BASE.DIC", fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(system / "CONFIG.DIC", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // FORMAT.DIC kept elsewhere, the home holding a link to it.
    const fs::path elsewhere = world.Home().parent_path() / "kept" / "FORMAT.DIC";
    fs::create_directories(elsewhere.parent_path());
    fs::rename(system / "FORMAT.DIC", elsewhere);
    fs::create_symlink(elsewhere, system / "FORMAT.DIC");
    const std::string oldFormats = ReadFileText(elsewhere);

    const ProgramResult result = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(fs::status(system / "BASE.DIC").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(system / "CONFIG.DIC").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(fs::is_symlink(system / "FORMAT.DIC"));
    EXPECT_NE(ReadFileText(elsewhere), oldFormats) << "the linked file itself carries the new formats";
}
#endif

}  // namespace
}  // namespace zel::testing
