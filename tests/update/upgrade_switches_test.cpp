// The informational switches print exactly their texts and change nothing.
#include <gtest/gtest.h>

#include "support/registered_services.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

constexpr const char* kHelp =
    "\n"
    "-ver .......... show the version.\n"
    "-show ......... show the given arguments.\n"
    "-check ........ check the home and the package, list what the run would do; change nothing.\n"
    "CS:0 .......... don't set system native charset.\n"
    "CS:1 .......... set system native charset with GB18030.\n"
    "CS:2 .......... set system native charset with UTF8.\n"
    "CS:3 .......... set system native charset with BIG5.\n"
    "OLD:YES ....... retain old names of programs.\n"
    "OLD:NO ........ don't retain old names of programs.\n"
    "DIR:path ...... input the directory of ZEL Server.\n"
    "NEW:0 ......... don't add new dictionaries.\n"
    "NEW:1 ......... add/modify lexicons for GB18030.\n"
    "NEW:2 ......... add/modify lexicons for UTF8.\n"
    "NEW:3 ......... add/modify lexicons for BIG5.\n"
    "DIC:RIX ....... modify lexicons and delete indices of related databases.\n"
    "DIC:REW ....... modify lexicons only.\n"
    "ENT:REW ....... replace entity lexicon.\n"
    "ENT:ADD ....... append entity lexicon.\n"
    "\n";

TEST(UpgradeSwitches, VersionInAnyCasePrintsTheVersionOnly) {
    UpgradeWorld world;
    for (const char* word : {"-VER", "-ver", "-Ver"}) {
        const ProgramResult result = world.UpgradeRaw({word});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, "6.80.5290.64\n") << word;
    }
}

TEST(UpgradeSwitches, VersionWinsOverHelp) {
    UpgradeWorld world;
    const ProgramResult result = world.UpgradeRaw({"-HELP", "-VER"});
    EXPECT_EQ(result.output, "6.80.5290.64\n");
}

TEST(UpgradeSwitches, HelpPrintsEveryLineInOrder) {
    UpgradeWorld world;
    const ProgramResult result = world.UpgradeRaw({"-help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, kHelp);
}

TEST(UpgradeSwitches, ShowListsTheArgumentsExceptItself) {
    UpgradeWorld world;
    const ProgramResult result = world.UpgradeRaw({"DIR:x", "-SHOW", "NEW:1", "", "-show"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "\nYour given arguments:\nDIR:x\nNEW:1\n\n");
}

TEST(UpgradeSwitches, AWordThatOnlyBeginsWithASwitchIsNoSwitchAndIsRefused) {
    UpgradeWorld world;
    // Not the version switch: the upgrade starts, and stops at once on a
    // word it does not know, before asking anything.
    const ProgramResult result = world.UpgradeRaw({"-version"});
    EXPECT_NE(result.output.find("ZEL(R) Enterprise Database Upgrade 6.80.5290.64"), std::string::npos);
    EXPECT_EQ(result.output.find("Input the target dir"), std::string::npos);
    EXPECT_NE(result.output.find("\nERROR: The argument(-version) is not supported!\n"), std::string::npos);
    EXPECT_EQ(result.exitCode, 1);
}

TEST(UpgradeSwitches, HabitualHelpSpellingsPrintTheHelp) {
    UpgradeWorld world;
    for (const char* word : {"/?", "-?", "--help", "-h", "-H"}) {
        const ProgramResult result = world.UpgradeRaw({word});
        EXPECT_EQ(result.exitCode, 0) << word;
        EXPECT_EQ(result.output, kHelp) << word;
    }
}

// An unattended run with a typo must not take it for "don't": every word is
// checked before anything changes, and a refused one is named with the
// help for its key.
TEST(UpgradeSwitches, EveryWordIsCheckedBeforeAnythingChanges) {
    struct Row {
        std::vector<std::string> args;
        const char* named;
        const char* helpLine;
    };
    const Row rows[] = {
        {{"NEW:1", "CS:x", "OLD:N"}, "CS:x", "CS:3 .......... set system native charset with BIG5.\n"},
        {{"NEW:1", "CS:4", "OLD:N"}, "CS:4", "CS:0 .......... don't set system native charset.\n"},
        {{"NEW:1", "CS:1", "OLD:maybe"}, "OLD:maybe", "OLD:NO ........ don't retain old names of programs.\n"},
        {{"NEW:1", "CS:1", "OLS:N"}, "OLS:N", "DIR:path ...... input the directory of ZEL Server.\n"},
        {{"NEW:1", "CS:1", "OLD:N", "DIC=RIX"}, "DIC=RIX", "DIC:RIX ....... modify lexicons and delete indices"},
        {{"NEW:1", "CS:1", "OLD:N", "extra"}, "extra", "ENT:ADD ....... append entity lexicon.\n"},
    };
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    std::string oldProgram = (world.Home() / "bin" / "z40service.exe").string();
    oldProgram.insert(0, 1, '"');
    oldProgram += "\" -resident";
    ASSERT_TRUE(RegisterService(OLD_SERVICE, "ZEL4.0", oldProgram));
    const DirectorySnapshot home = SnapshotDirectory(world.Home());
    const DirectorySnapshot services = SnapshotDirectory(world.Services());
    for (const Row& row : rows) {
        const ProgramResult result = world.Upgrade(row.args);
        EXPECT_EQ(result.exitCode, 1) << row.named;
        EXPECT_NE(result.output.find("\nERROR: The argument(" + std::string(row.named) + ") is not supported!\n"),
                  std::string::npos)
            << result.output;
        EXPECT_NE(result.output.find(row.helpLine), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("Now, "), std::string::npos) << result.output;
        EXPECT_TRUE(SnapshotDirectory(world.Home()) == home) << row.named;
        EXPECT_TRUE(SnapshotDirectory(world.Services()) == services) << row.named;
    }
    DeleteServiceIfPresent(OLD_SERVICE);
}

}  // namespace
}  // namespace zel::testing
