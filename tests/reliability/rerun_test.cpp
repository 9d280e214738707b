// A second upgrade over an upgraded home must find nothing left to do: no
// dictionary file, no dictionary record and no configuration value changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

// A home that already has its own PROFILE.INI and LOG.INI: the first run
// merges them and keeps the originals as .BAK; the second run must neither
// merge again nor replace those backups with the first run's output.
void GiveOwnConfiguration(const UpgradeWorld& world) {
    std::string profile = ReadFileText(world.Package() / "PROFILE.INI");
    const size_t at = profile.find("LowLimit=");
    if (at != std::string::npos) profile.insert(at + 9, "7");
    profile += "\r\n[Installed]\r\nOwnKey=kept\r\n";
    WriteFileText(world.Home() / "system" / "PROFILE.INI", profile);
    WriteFileText(world.Home() / "system" / "LOG.INI", "# installed\r\nLOGIN           1\r\nUNKNOWN_ROW     5\r\n");
}

struct RerunCase {
    std::string name;
    std::vector<std::string> arguments;
    bool ownConfiguration = false;
};

// Every file of the home after the first run is byte-equal after the second
// (the programs copied again are the same bytes too), no file appears, and
// zelhome's dump of the dictionary and kernel data is the same.
void ExpectSecondRunChangesNothing(const RerunCase& c) {
    SCOPED_TRACE(c.name);
    UpgradeWorld world;
    const ProgramResult made = world.MakeHome();
    ASSERT_EQ(made.exitCode, 0) << made.output;
    if (c.ownConfiguration) GiveOwnConfiguration(world);
    const DirectorySnapshot original = SnapshotDirectory(world.Home());

    const ProgramResult first = world.Upgrade(c.arguments);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const DirectorySnapshot afterFirst = SnapshotDirectory(world.Home());
    const ProgramResult firstDump = world.DumpHome();
    ASSERT_EQ(firstDump.exitCode, 0) << firstDump.output;

    const ProgramResult second = world.Upgrade(c.arguments);
    EXPECT_EQ(second.exitCode, 0) << second.output;
    const DirectorySnapshot afterSecond = SnapshotDirectory(world.Home());
    const ProgramResult secondDump = world.DumpHome();
    ASSERT_EQ(secondDump.exitCode, 0) << secondDump.output;

    EXPECT_EQ(secondDump.output, firstDump.output) << "a dictionary record or kernel datum changed";
    for (const auto& [path, bytes] : afterFirst) {
        auto found = afterSecond.find(path);
        if (found == afterSecond.end()) ADD_FAILURE() << path << " is gone after the second run";
        else if (found->second != bytes) ADD_FAILURE() << path << " changed on the second run";
    }
    for (const auto& [path, bytes] : afterSecond) {
        if (!afterFirst.count(path)) ADD_FAILURE() << path << " appeared on the second run";
    }
    // The installed configuration is still kept as the first run kept it.
    for (const char* name : {"system/PROFILE.INI", "system/LOG.INI"}) {
        auto installed = original.find(name);
        if (installed == original.end()) continue;
        auto backup = afterSecond.find(std::string(name) + ".BAK");
        ASSERT_NE(backup, afterSecond.end()) << name << ".BAK";
        EXPECT_EQ(backup->second, installed->second) << name << ".BAK no longer holds the installed file";
    }
}

TEST(Rerun, SecondRunOverTheDefaultHomeChangesNothing) {
    ExpectSecondRunChangesNothing({"NEW:1 CS:1 OLD:N", {"NEW:1", "CS:1", "OLD:N"}});
    ExpectSecondRunChangesNothing({"NEW:3 DIC:REW CS:3 OLD:Y", {"NEW:3", "DIC:REW", "CS:3", "OLD:Y"}});
    ExpectSecondRunChangesNothing({"NEW:0 CS:0 OLD:N", {"NEW:0", "CS:0", "OLD:N"}});
}

// The second run reloads SYS$ENTITY and stores its count as the kernel
// holds it, the same as the first run that created it.
TEST(Rerun, ReloadedEntityLexiconKeepsItsRecordCount) {
    ExpectSecondRunChangesNothing({"NEW:1 CS:1 OLD:N ENT:REW", {"NEW:1", "CS:1", "OLD:N", "ENT:REW"}});
}

TEST(Rerun, SecondRunKeepsTheBackupsOfAnInstalledConfiguration) {
    ExpectSecondRunChangesNothing({"own configuration, NEW:1 CS:1 OLD:N", {"NEW:1", "CS:1", "OLD:N"}, true});
    ExpectSecondRunChangesNothing(
        {"own configuration, NEW:3 DIC:REW CS:3 OLD:Y", {"NEW:3", "DIC:REW", "CS:3", "OLD:Y"}, true});
}

}  // namespace
}  // namespace zel::testing
