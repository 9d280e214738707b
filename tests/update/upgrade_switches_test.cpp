// The informational switches print exactly their texts and change nothing.
#include <gtest/gtest.h>

#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

constexpr const char* kHelp =
    "\n"
    "-ver .......... show the version.\n"
    "-show ......... show the given arguments.\n"
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

TEST(UpgradeSwitches, AWordThatOnlyBeginsWithASwitchStartsTheUpgrade) {
    UpgradeWorld world;
    // No home is given and the input ends at once: the prompt is shown and
    // the run stops with an error instead of waiting or working on nothing.
    const ProgramResult result = world.UpgradeRaw({"-version"});
    EXPECT_NE(result.output.find("ZEL(R) Enterprise Database Upgrade 6.80.5290.64"), std::string::npos);
    EXPECT_NE(result.output.find("Input the target dir of ZEL Server(e.g.: d:\\zelhome): "), std::string::npos);
    EXPECT_NE(result.output.find("\nERROR: "), std::string::npos);
    EXPECT_EQ(result.exitCode, 1);
}

}  // namespace
}  // namespace zel::testing
