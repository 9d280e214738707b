// The server's start-up and shutdown launches through whole upgrades, one
// table row per way they used to be lost: each row disturbs the first run,
// checks what that run leaves, mends the cause, and a rerun must bring
// PROFILE.INI and its backup to what a clean run of the same home makes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kArguments = {"NEW:0", "CS:1", "OLD:N"};
const char* const kLaunches[] = {"ProgramStart=zelsearcher.exe &PORT &BLOCK", "ProgramStart=zelmirror.exe &PORT &BLOCK",
                                 "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK"};
// Installed profiles: without [AutoBatch]; with the server's lines only;
// with every launch of the batch files already, under the old names.
const std::string kPlainProfile = "[IndexCache]\r\nLowLimit=100\r\nOldKey=kept in backup\r\n";
const std::string kServerOnlyProfile =
    kPlainProfile + "\r\n[AutoBatch]\r\nProgramStart=z40server.exe &PORT &BLOCK\r\nProgramClose=z40shutdown.exe\r\n";
const std::string kOldNamesProfile =
    kPlainProfile +
    "\r\n[AutoBatch]\r\nProgramStart=z40server.exe\r\nProgramStart=z40searcher.exe\r\nProgramStart=z40mirror.exe\r\n"
    "ProgramClose=z40shutdown.exe\r\nProgramClose=z40mirror.exe\r\n";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A launch is in the profile under its new name, or under its old one
// until the renaming rewrites it.
bool HoldsLaunch(const std::string& profile, size_t index) {
    const char* const oldNames[] = {"ProgramStart=z40searcher.exe", "ProgramStart=z40mirror.exe",
                                    "ProgramClose=z40mirror.exe"};
    return Contains(profile, kLaunches[index]) || Contains(profile, oldNames[index]);
}

std::string FileOrNothing(const fs::path& path) { return fs::exists(path) ? ReadFileText(path) : "(none)"; }

fs::path Bin(const UpgradeWorld& world, const std::string& name) { return world.Home() / "bin" / name; }
fs::path System(const UpgradeWorld& world, const std::string& name) { return world.Home() / "system" / name; }

// The names in bin that start with z40, or that a kept batch file has.
std::vector<std::string> OldNamesInBin(const UpgradeWorld& world) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(world.Home() / "bin")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("z40", 0) == 0 || Contains(name, "-z40.bat")) names.push_back(name);
    }
    return names;
}

bool NamesOldPrograms(const std::string& profile) {
    return Contains(profile, "ProgramStart=z40") || Contains(profile, "ProgramClose=z40");
}

struct LaunchRow {
    std::string name;
    // The home of both the clean and the disturbed run (may be empty).
    std::function<void(const UpgradeWorld&)> prepare;
    // Before the first run only (may be empty).
    std::function<void(const UpgradeWorld&)> disturb;
    int firstExit;
    std::string firstOutput;  // a part of the first run's output
    std::function<void(const UpgradeWorld&, const std::string& installed)> afterFirst;  // may be empty
    std::function<void(const UpgradeWorld&)> mend;                                      // may be empty
    bool oldNamesGo = false;  // the rerun leaves no program under an old name (OLD:N)
};

std::function<void(const UpgradeWorld&)> InstalledProfile(const std::string& text) {
    return [text](const UpgradeWorld& world) { WriteFileText(System(world, "PROFILE.INI"), text); };
}

std::vector<LaunchRow> Rows() {
    return {
        {"an installed [AutoBatch] with the server's lines only", InstalledProfile(kServerOnlyProfile), nullptr, 0, "",
         [](const UpgradeWorld& world, const std::string&) {
             EXPECT_TRUE(
                 Contains(ReadFileText(System(world, "PROFILE.INI")),
                          "[AutoBatch]\r\nProgramStart=zelserver.exe &PORT &BLOCK\r\n"
                          "ProgramClose=zemshutdown.exe &PORT &BLOCK\r\n"
                          "ProgramStart=zelsearcher.exe &PORT &BLOCK\r\nProgramStart=zelmirror.exe &PORT &BLOCK\r\n"
                          "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK\r\n"))
                 << ReadFileText(System(world, "PROFILE.INI"));
         },
         nullptr},
        {"a start file larger than 32,768 bytes", nullptr,
         [](const UpgradeWorld& world) {
             const std::string start = ReadFileText(Bin(world, "z40startup.bat"));
             WriteFileText(Bin(world, "z40startup.bat"), start + "rem " + std::string(40000, '-') + "\r\n");
         },
         2, "z40startup.bat was not converted and is kept as ",
         [](const UpgradeWorld& world, const std::string&) {
             EXPECT_FALSE(fs::exists(Bin(world, "z40startup.bat")));
             EXPECT_GT(FileOrNothing(Bin(world, "startup-z40.bat.BAK")).size(), 40000u);
             // The stop file waits for it, so that the rerun adds the
             // launches of both in a clean run's order.
             EXPECT_TRUE(fs::exists(Bin(world, "cleanup-z40.bat.BAK")));
             const std::string profile = ReadFileText(System(world, "PROFILE.INI"));
             EXPECT_TRUE(Contains(profile, "[AutoBatch]\r\nProgramStart=zelserver.exe &PORT &BLOCK\r\n"));
             for (const char* launch : kLaunches) EXPECT_FALSE(Contains(profile, launch)) << launch;
         },
         // The administrator trims the kept file; the rerun converts it.
         [](const UpgradeWorld& world) {
             const std::string kept = ReadFileText(Bin(world, "startup-z40.bat.BAK"));
             WriteFileText(Bin(world, "startup-z40.bat.BAK"), kept.substr(0, kept.find("rem ")));
         }},
        // A template line longer than the profile reader takes fails the merge.
        {"a failed profile merge", InstalledProfile(kPlainProfile),
         [](const UpgradeWorld& world) {
             WriteFileText(world.Package() / "PROFILE.INI", ReadFileText(world.Package() / "PROFILE.INI") +
                                                                "[Long]\r\nName=" + std::string(4000, 'L') + "\r\n");
             world.StampPackage();
         },
         2, "",
         [](const UpgradeWorld& world, const std::string& installed) {
             EXPECT_EQ(FileOrNothing(System(world, "PROFILE.INI.BAK")), installed);
             const std::string profile = ReadFileText(System(world, "PROFILE.INI"));
             for (const char* launch : kLaunches) EXPECT_TRUE(Contains(profile, launch)) << launch;
         },
         [](const UpgradeWorld& world) {
             for (const char* name : {"PROFILE.INI", "package.manifest"}) {
                 fs::copy_file(fs::path(BuiltPackageDir()) / name, world.Package() / name,
                               fs::copy_options::overwrite_existing);
             }
         }},
        // A folder at the profile's work name fails every write of it: the
        // profile, merged and renamed, is not written with the start-up
        // section, and the renaming's own rewrite fails after the deletion.
        {"a renaming stopped after the old programs went", InstalledProfile(kOldNamesProfile),
         [](const UpgradeWorld& world) { fs::create_directories(System(world, "PROFILE.INI.NEW") / "held"); }, 2,
         "",
         [](const UpgradeWorld& world, const std::string&) {
             EXPECT_TRUE(NamesOldPrograms(ReadFileText(System(world, "PROFILE.INI"))));
         },
         // What a run stopped inside the renaming leaves: the old programs
         // deleted, the profile not yet rewritten, a short PROFILE.NEW.
         [](const UpgradeWorld& world) {
             fs::remove_all(System(world, "PROFILE.INI.NEW"));
             for (const std::string& name : OldNamesInBin(world)) fs::remove(Bin(world, name));
             WriteFileText(System(world, "PROFILE.NEW"), "[IndexCache]\r\n");
         },
         true},
    };
}

TEST(Launches, EveryRowEndsWithTheLaunchesOfACleanRun) {
    for (const LaunchRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        // A clean run of the same home: what the rerun must come to.
        UpgradeWorld clean;
        ASSERT_EQ(clean.MakeHome().exitCode, 0);
        if (row.prepare) row.prepare(clean);
        const ProgramResult cleanRun = clean.Upgrade(kArguments);
        ASSERT_EQ(cleanRun.exitCode, 0) << cleanRun.output;
        const std::string cleanProfile = ReadFileText(System(clean, "PROFILE.INI"));
        for (const char* launch : kLaunches) {
            EXPECT_TRUE(Contains(cleanProfile, launch)) << launch << "\n" << cleanProfile;
        }
        EXPECT_FALSE(NamesOldPrograms(cleanProfile)) << cleanProfile;
        EXPECT_TRUE(OldNamesInBin(clean).empty());

        UpgradeWorld world;
        ASSERT_EQ(world.MakeHome().exitCode, 0);
        if (row.prepare) row.prepare(world);
        const std::string installed = FileOrNothing(System(world, "PROFILE.INI"));
        if (row.disturb) row.disturb(world);
        const ProgramResult first = world.Upgrade(kArguments);
        EXPECT_EQ(first.exitCode, row.firstExit) << first.output;
        EXPECT_TRUE(Contains(first.output, "Upgrade is finished!")) << first.output;
        EXPECT_TRUE(Contains(first.output, row.firstOutput)) << first.output;
        if (row.afterFirst) row.afterFirst(world, installed);
        // Whatever the first run did, no batch file went without its launches.
        const std::string firstProfile = FileOrNothing(System(world, "PROFILE.INI"));
        if (!fs::exists(Bin(world, "startup-z40.bat.BAK")) && !fs::exists(Bin(world, "z40startup.bat"))) {
            EXPECT_TRUE(HoldsLaunch(firstProfile, 0) && HoldsLaunch(firstProfile, 1)) << firstProfile;
        }
        if (!fs::exists(Bin(world, "cleanup-z40.bat.BAK")) && !fs::exists(Bin(world, "z40cleanup.bat"))) {
            EXPECT_TRUE(HoldsLaunch(firstProfile, 2)) << firstProfile;
        }

        if (row.mend) row.mend(world);
        const ProgramResult rerun = world.Upgrade(kArguments);
        EXPECT_EQ(rerun.exitCode, 0) << rerun.output;
        EXPECT_EQ(FileOrNothing(System(world, "PROFILE.INI")), cleanProfile);
        EXPECT_EQ(FileOrNothing(System(world, "PROFILE.INI.BAK")), FileOrNothing(System(clean, "PROFILE.INI.BAK")));
        EXPECT_FALSE(fs::exists(System(world, "PROFILE.NEW")));
        EXPECT_FALSE(fs::exists(System(world, "PROFILE.INI.NEW")));
        for (const std::string& name : OldNamesInBin(world)) {
            EXPECT_FALSE(row.oldNamesGo || Contains(name, ".bat")) << name << " is left";
        }
    }
}

}  // namespace
}  // namespace zel::testing
