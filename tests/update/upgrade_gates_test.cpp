// Phase 1: every choice is checked and every gate passed before anything of
// the home directory changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class UpgradeGates : public ::testing::Test {
protected:
    void SetUp() override {
        const ProgramResult made = world.MakeHome();
        ASSERT_EQ(made.exitCode, 0) << made.output;
        before = SnapshotDirectory(world.Home());
    }
    void ExpectHomeUnchanged() const { EXPECT_TRUE(SnapshotDirectory(world.Home()) == before); }

    UpgradeWorld world;
    DirectorySnapshot before;
};

TEST_F(UpgradeGates, UnsupportedDicValueStopsBeforeAnythingChanges) {
    const ProgramResult result = world.Upgrade({"DIC:XYZ", "NEW:1", "CS:1", "OLD:N"});
    EXPECT_TRUE(Contains(result.output, "\nERROR: The argument(DIC:XYZ) is not supported!\n")) << result.output;
    EXPECT_EQ(result.exitCode, 1);
    ExpectHomeUnchanged();
}

// A package that looks larger than the home's volume has room for (a sparse
// file takes no room of its own) stops the run before anything changes,
// with both figures.
TEST_F(UpgradeGates, TooLittleFreeSpaceStopsBeforeAnythingChanges) {
    std::error_code error;
    const std::uintmax_t available = std::filesystem::space(world.Home(), error).available;
    ASSERT_FALSE(error) << error.message();
    const std::filesystem::path sparse = world.Package() / "sparse.dat";
    { std::ofstream(sparse, std::ios::binary).put('\0'); }
    std::filesystem::resize_file(sparse, available + (std::uintmax_t{1} << 30), error);
    if (error) GTEST_SKIP() << "no sparse file of that size here: " << error.message();
    const ProgramResult result = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    std::filesystem::remove(sparse);
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nERROR: Not enough free space on the volume of ")) << result.output;
    EXPECT_TRUE(Contains(result.output, " bytes are free.\n")) << result.output;
    EXPECT_TRUE(Contains(result.output, "Nothing was changed, the services included.")) << result.output;
    EXPECT_TRUE(Contains(result.output, "\n    - make room on that volume\n")) << result.output;
    ExpectHomeUnchanged();
}

TEST_F(UpgradeGates, UnsupportedEntValueStopsBeforeAnythingChanges) {
    // Checked with the other values, not when the entity lexicon is reached
    // after the dictionary files and the other lexicons were changed.
    const ProgramResult result = world.Upgrade({"ENT:MERGE", "NEW:1", "CS:1", "OLD:N"});
    EXPECT_EQ(result.output.substr(result.output.find("\nERROR: ")),
              "\nERROR: The argument(ENT:MERGE) is not supported!\n")
        << result.output;
    EXPECT_EQ(result.exitCode, 1);
    ExpectHomeUnchanged();
}

TEST_F(UpgradeGates, UnsupportedNewValueStopsBeforeAnythingChanges) {
    for (const char* value : {"NEW:5", "NEW:1 "}) {
        const ProgramResult result = world.Upgrade({value, "CS:1", "OLD:N"});
        EXPECT_TRUE(Contains(result.output, "\nERROR: The charset is not supported!\n")) << value;
        EXPECT_EQ(result.exitCode, 1);
        ExpectHomeUnchanged();
    }
}

TEST_F(UpgradeGates, MenuAsksAgainAfterAnInvalidAnswer) {
    // An answer too long for the input buffer is one more wrong answer.
    const ProgramResult result = world.Upgrade({"DIC:rix", "CS:1", "OLD:N"}, "5\n" + std::string(300, '1') + "\n0\n");
    const std::string menu =
        "\nPlease select the character set for modified dictionaries:"
        "\n0: NONE\n1: GB18030\n2: UTF8\n3: BIG5\nYou select: ";
    const size_t first = result.output.find(menu);
    ASSERT_NE(first, std::string::npos) << result.output;
    EXPECT_TRUE(Contains(result.output,
                         menu + "\nThe selection is invalid!\n" + menu + "\nThe selection is invalid!\n" + menu));
    EXPECT_EQ(result.output.find("ERROR"), std::string::npos) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n")) << result.output;
}

TEST_F(UpgradeGates, EndOfInputAtTheMenuStopsBeforeAnythingChanges) {
    const ProgramResult result = world.Upgrade({"CS:1", "OLD:N"}, "");
    EXPECT_TRUE(Contains(result.output, "\nPlease select the character set for added dictionaries:"));
    EXPECT_TRUE(Contains(result.output, "\nERROR: ")) << result.output;
    EXPECT_EQ(result.exitCode, 1);
    ExpectHomeUnchanged();
}

TEST_F(UpgradeGates, EmptyHomeDirectoryIsRefused) {
    const ProgramResult result = world.UpgradeRaw({"NEW:1"}, "\n");
    EXPECT_TRUE(Contains(result.output, "\nERROR: The target dir of ZEL Server is not given!\n"));
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(UpgradeGates, HomeDirectoryTooLongForThePathBuffersIsRefused) {
    const std::string longHome = world.Home().string() + std::string(240, 'h');
    const ProgramResult result = world.UpgradeRaw({"DIR:" + longHome, "NEW:1"});
    EXPECT_TRUE(Contains(result.output, "\nERROR: The target dir is longer than ")) << result.output;
    EXPECT_EQ(result.exitCode, 1);
    ExpectHomeUnchanged();
}

TEST_F(UpgradeGates, TypedHomeDirectoryIsUsed) {
    const ProgramResult result = world.UpgradeRaw({"NEW:0", "CS:0", "OLD:N"}, world.Home().string() + "\n");
    EXPECT_TRUE(Contains(result.output, "Input the target dir of ZEL Server(e.g.: d:\\zelhome): "));
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n")) << result.output;
}

}  // namespace
}  // namespace zel::testing

namespace zel::testing {
namespace {

// A relative DIR: names the home from the folder the administrator started
// in, not from the package's, which the program makes its own folder: the
// package's own zelhome program is no home. The log names the whole path.
TEST(RelativeHome, IsTakenFromTheStartingFolder) {
    UpgradeWorld world({}, "zelhome");
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(world.Home().parent_path());
    const ProgramResult result = world.UpgradeRaw({"DIR:./zelhome", "NEW:1", "CS:1", "OLD:N"});
    std::filesystem::current_path(started);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::filesystem::path> logs = RunLogs(world.Home());
    ASSERT_EQ(logs.size(), 1u) << result.output;
    EXPECT_TRUE(Contains(ReadFileText(logs[0]), "\r\nHome folder: " + SystemText(world.Home()) + "\r\n"))
        << ReadFileText(logs[0]);
}

}  // namespace
}  // namespace zel::testing
