// A second upgrade over an upgraded home must find nothing left to do: no
// dictionary file, no dictionary record and no configuration value changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "reliability/sweep_scenarios.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNothingChanged = "Nothing was changed: the home is already upgraded.";

// A home that already has its own PROFILE.INI and LOG.INI: the first run
// merges them and keeps the originals as .BAK; the second run must neither
// merge again nor replace those backups with the first run's output.
void GiveOwnConfiguration(const UpgradeWorld& world) {
    std::string profile = ReadFileText(world.Package() / "PROFILE.INI");
    const size_t at = profile.find("LowLimit=");
    if (at != std::string::npos) profile.insert(at + 9, 1, '7');
    profile += "\r\n[Installed]\r\nOwnKey=kept\r\n";
    WriteFileText(world.Home() / "system" / "PROFILE.INI", profile);
    WriteFileText(world.Home() / "system" / "LOG.INI", "# installed\r\nLOGIN           1\r\nUNKNOWN_ROW     5\r\n");
}

struct RerunCase {
    std::string name;
    std::vector<std::string> arguments;
    bool ownConfiguration = false;
    std::string description = "";  // zelhome's description of the home; empty: the typical one
    // What the first run's dump must show.
    std::function<void(const nlohmann::json& dump)> checkFirstRun = nullptr;
};

// Arguments that order work done again on every run: refilling the
// lexicons and relation databases (DIC:) or the entity lexicon (ENT:).
bool OrdersRefill(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(),
                       [](const std::string& a) { return a.rfind("DIC:", 0) == 0 || a.rfind("ENT:", 0) == 0; });
}

// A second run with nothing to do writes, renames and removes nothing: every
// file keeps its identity, modification time and size, and every folder
// its names (the run's log, report and lock aside); it says so, and lists
// nothing as changed. A refill the arguments order is made again, and may
// replace the files it fills.
void ExpectNothingTouched(const FileStamps& before, const FileStamps& after, const std::vector<std::string>& arguments,
                          const std::string& output) {
    if (OrdersRefill(arguments)) return;
    for (const auto& [path, stamp] : before) {
        auto found = after.find(path);
        if (found == after.end())
            ADD_FAILURE() << path << " is gone after the second run";
        else if (found->second != stamp)
            ADD_FAILURE() << path << " was touched by the second run: " << stamp << " -> " << found->second;
    }
    for (const auto& [path, stamp] : after) {
        if (!before.count(path)) ADD_FAILURE() << path << " appeared on the second run";
    }
    EXPECT_NE(output.find(kNothingChanged), std::string::npos) << output;
    EXPECT_EQ(output.find("Copying:"), std::string::npos) << output;
    EXPECT_EQ(output.find("Backups written"), std::string::npos) << output;
}

// Every file of the home after the first run is byte-equal after the second
// (the programs copied again are the same bytes too), no file appears, and
// zelhome's dump of the dictionary and kernel data is the same.
void ExpectSecondRunChangesNothing(const RerunCase& c) {
    SCOPED_TRACE(c.name);
    UpgradeWorld world;
    const ProgramResult made = world.MakeHome(c.description);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    if (c.ownConfiguration) GiveOwnConfiguration(world);
    const DirectorySnapshot original = SnapshotDirectory(world.Home());

    const ProgramResult first = world.Upgrade(c.arguments);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const DirectorySnapshot afterFirst = SnapshotDirectory(world.Home());
    const ProgramResult firstDump = world.DumpHome();
    ASSERT_EQ(firstDump.exitCode, 0) << firstDump.output;
    if (c.checkFirstRun) c.checkFirstRun(nlohmann::json::parse(firstDump.output));

    const FileStamps stampsFirst = StampDirectory(world.Home());
    const ProgramResult second = world.Upgrade(c.arguments);
    EXPECT_EQ(second.exitCode, 0) << second.output;
    ExpectNothingTouched(stampsFirst, StampDirectory(world.Home()), c.arguments, second.output);
    const DirectorySnapshot afterSecond = SnapshotDirectory(world.Home());
    const ProgramResult secondDump = world.DumpHome();
    ASSERT_EQ(secondDump.exitCode, 0) << secondDump.output;

    EXPECT_EQ(secondDump.output, firstDump.output) << "a dictionary record or kernel datum changed";
    for (const auto& [path, bytes] : afterFirst) {
        auto found = afterSecond.find(path);
        if (found == afterSecond.end())
            ADD_FAILURE() << path << " is gone after the second run";
        else if (found->second != bytes)
            ADD_FAILURE() << path << " changed on the second run";
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

// The homes the sweeps upgrade: a second run over each, with the arguments
// of the first less the refills they order, touches no file.
TEST(Rerun, SecondRunOverEachSweptHomeTouchesNoFile) {
    for (const SweepScenario& scenario : ScenariosToSweep()) {
        SCOPED_TRACE(scenario.name);
        UpgradeWorld world;
        const ProgramResult made = world.MakeHome(scenario.home);
        ASSERT_EQ(made.exitCode, 0) << made.output;
        if (scenario.prepare) scenario.prepare(world);
        const ProgramResult first = world.Upgrade(scenario.arguments);
        ASSERT_EQ(first.exitCode, 0) << first.output;
        std::vector<std::string> again;
        for (const std::string& argument : scenario.arguments) {
            if (!OrdersRefill({argument})) again.push_back(argument);
        }
        const FileStamps before = StampDirectory(world.Home());
        const ProgramResult second = world.Upgrade(again);
        EXPECT_EQ(second.exitCode, 0) << second.output;
        ExpectNothingTouched(before, StampDirectory(world.Home()), again, second.output);
    }
}

// Comparing first never keeps a file that differs: a program of the same
// size with one byte changed, one cut short as a copy cut off leaves it,
// and a copy under an old name that differs are written again, and only
// they.
TEST(Rerun, AProgramThatDiffersInAnyByteIsCopiedAgain) {
    UpgradeWorld world;
    const ProgramResult made = world.MakeHome();
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::vector<std::string> arguments = {"NEW:1", "CS:1", "OLD:Y"};
    const ProgramResult first = world.Upgrade(arguments);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const DirectorySnapshot upgraded = SnapshotDirectory(world.Home());

    const fs::path bin = world.Home() / "bin";
    std::string changed = ReadFileText(bin / "zemload.exe");
    ASSERT_FALSE(changed.empty());
    changed.back() = static_cast<char>(changed.back() ^ 1);
    WriteFileText(bin / "zemload.exe", changed);
    const std::string whole = ReadFileText(bin / "zelkit64.dll");
    WriteFileText(bin / "zelkit64.dll", whole.substr(0, whole.size() / 2));
    WriteFileText(bin / "z40mirror.exe", ReadFileText(bin / "zelsearcher.exe"));
    FileStamps before = StampDirectory(world.Home());

    const ProgramResult second = world.Upgrade(arguments);
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(SnapshotDirectory(world.Home()), upgraded) << "the home is not what the first run left";
    EXPECT_NE(second.output.find("Copying: zemload.exe"), std::string::npos) << second.output;
    EXPECT_NE(second.output.find("Copying: zelkit64.dll"), std::string::npos) << second.output;
    EXPECT_EQ(second.output.find("Copying: zelserver.exe"), std::string::npos) << second.output;
    EXPECT_EQ(second.output.find("Nothing was changed"), std::string::npos) << second.output;
    const FileStamps after = StampDirectory(world.Home());
    for (const char* written : {"bin/zemload.exe", "bin/zelkit64.dll", "bin/z40mirror.exe"}) {
        EXPECT_NE(after.at(written), before.at(written)) << written << " was not written again";
    }
    // The copies under the old names are made again together, and so are
    // their folder's names; nothing else is touched.
    for (const auto& [path, stamp] : before) {
        const bool rewritten = path.rfind("bin/z40", 0) == 0 || path == "bin/zemload.exe" || path == "bin/zelkit64.dll";
        if (!rewritten) {
            EXPECT_EQ(after.at(path), stamp) << path << " was touched";
        }
    }
}

// Formats of an installation's own at ids the release's table uses, or at
// the last id: every row of the table is added, each on its own id unless a
// user's format holds that id, and the user's formats stay as they were.
const char* const kTableNames[] = {
    "BIT",   "TEXT", "WORD", "WS",    "WP",  "XCL", "WPS",  "S2",    "DOCS", "AUDIO", "IMAGE", "VIDEO", "AVI",
    "MPEG",  "WAVE", "MIDI", "CDA",   "PS",  "GIF", "TIF",  "PCX",   "BMP",  "JPEG",  "HTML",  "PDF",   "PPT",
    "RTF",   "XML",  "MP3",  "MP4",   "ZIP", "RAR", "TAR",  "EMAIL", "MP2",  "CMP",   "GZIP",  "JFIF",  "JTF",
    "MHTML", "MIME", "PCM",  "PHTML", "PNG", "PIC", "SGML", "SHTML", "XLC",  "XLW",   "ASM",   "ASP",   "AU",
    "BAS",   "C",    "CPP",  "CS",    "DTD", "DV",  "FAX",  "FLA",   "FPX",  "GL",    "GRA",   "H",     "HPP",
    "HTT",   "HTX",  "ICO",  "JAVA",  "JS",  "JSP", "LOG",  "MAC",   "MBX",  "MCW",   "MMM",   "MOV",   "MSG",
    "NWS",   "PAS",  "PCS",  "PL",    "PNT", "PSD", "PY",   "RA",    "RAW",  "RM",    "RMI",   "VBS"};

std::string UserFormat(int id, const std::string& name) {
    return R"({"id": )" + std::to_string(id) + R"(, "flag": 1, "name": ")" + name +
           R"(", "class": "DOCS", "extensions": "u)" + std::to_string(id) + R"(", "description": "own format )" +
           std::to_string(id) + R"("})";
}

// displaced: the rows whose table id a user's format holds.
std::function<void(const nlohmann::json&)> ExpectTableAround(std::vector<std::pair<int, std::string>> users,
                                                             std::vector<std::string> displaced) {
    return [users, displaced](const nlohmann::json& dump) {
        std::map<std::string, nlohmann::json> byName;
        for (const nlohmann::json& format : dump["formats"]) byName[format["name"]] = format;
        EXPECT_EQ(byName.size(), 90 + users.size());
        for (const auto& [id, name] : users) {
            ASSERT_TRUE(byName.count(name)) << name;
            const nlohmann::json& mine = byName[name];
            EXPECT_EQ(mine["id"], id) << name;
            const std::string number = std::to_string(id);
            EXPECT_EQ(mine["extensions"], "u" + number) << name;
            EXPECT_EQ(mine["description"], "own format " + number) << name;
        }
        for (int row = 1; row <= 90; ++row) {
            const std::string name = kTableNames[row - 1];
            ASSERT_TRUE(byName.count(name)) << name << " is missing";
            const int id = byName[name]["id"];
            if (std::find(displaced.begin(), displaced.end(), name) == displaced.end()) {
                EXPECT_EQ(id, row) << name << " is off its table id";
            } else {
                EXPECT_GT(id, 90) << name << " took an id a row of the table asks for";
                for (const auto& [userId, userName] : users) EXPECT_NE(id, userId) << name;
            }
        }
    };
}

TEST(Rerun, UserFormatsOnTableIdsOrTheLastIdKeepEveryRowOnItsId) {
    ExpectSecondRunChangesNothing(
        {"user formats at 36 and 37, NEW:1 CS:1 OLD:N",
         {"NEW:1", "CS:1", "OLD:N"},
         false,
         R"({"formats": [)" + UserFormat(36, "MINE36") + ", " + UserFormat(37, "MINE37") + "]}",
         ExpectTableAround({{36, "MINE36"}, {37, "MINE37"}}, {"CMP", "GZIP"})});
    ExpectSecondRunChangesNothing(
        {"user formats at 50 and 65534, NEW:0 CS:0 OLD:N",
         {"NEW:0", "CS:0", "OLD:N"},
         false,
         R"({"formats": [)" + UserFormat(50, "MINE50") + ", " + UserFormat(65534, "LAST") + "]}",
         ExpectTableAround({{50, "MINE50"}, {65534, "LAST"}}, {"ASM"})});
}

}  // namespace
}  // namespace zel::testing
