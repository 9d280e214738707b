// Phase 3 as an administrator sees it: the copy list, the console program of
// the native character set, and the run that finds the release in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Written to a pipe, each file's progress line is a line of its own.
std::string ProgressLine(const std::string& name) { return "\nCopying: " + name + "\n"; }

class UpgradeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const ProgramResult made = world.MakeHome();
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    UpgradeWorld world;
};

TEST_F(UpgradeFiles, CopiesTheProgramsAndLibrariesInListOrder) {
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:1", "OLD:N"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> order = {
        "zelserver.exe",   "zelsearcher.exe", "zelmirror.exe",  "zelidenter.exe", "zemshutdown.exe", "zemdict.exe",
        "zemmaster.exe",   "zemload.exe",     "zemservice.exe", "zelkit64.dll",   "zemkernel64.dll", "zemsearch64.dll",
        "zemdaemon64.dll", "zemshell64.dll",  "zelrpc64.dll",   "zelapi64.dll",   "readme.txt"};
    size_t position = result.output.find("\nNow, Copying the system files...\n");
    ASSERT_NE(position, std::string::npos) << result.output;
    for (const std::string& name : order) {
        const size_t found = result.output.find(ProgressLine(name), position);
        ASSERT_NE(found, std::string::npos) << name << " missing or out of order";
        position = found;
        EXPECT_EQ(ReadFileText(world.Home() / "bin" / name), ReadFileText(world.Package() / name)) << name;
    }
    // Nothing is left of the line the last progress call blanks, and
    // nothing in a pipe overwrites or rings.
    EXPECT_NE(result.output.find("Copying: readme.txt\n\nUpgrade is finished!\n\n", position), std::string::npos)
        << result.output;
    EXPECT_EQ(result.output.find_first_of("\r\a"), std::string::npos) << result.output;
    EXPECT_TRUE(Contains(result.output, "\n    copied from the package: zelserver.exe, zelsearcher.exe, zelmirror.exe,"))
        << result.output;
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n"));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A home upgraded before, whose configuration the administrator tuned since:
// a later run (here to add lexicons) keeps every value and section, adds
// only what the new template adds, and keeps the first backup.
TEST_F(UpgradeFiles, SecondRunKeepsTheAdministratorsSettings) {
    ASSERT_EQ(world.Upgrade({"NEW:0", "CS:1", "OLD:N"}).exitCode, 0);
    const fs::path system = world.Home() / "system";
    const std::string firstBackup = ReadFileText(system / "PROFILE.INI.BAK");
    std::string profile = ReadFileText(system / "PROFILE.INI");
    profile = Replaced(profile, "BTreePages=8192", "BTreePages=65536");
    profile = Replaced(profile, "KeepAliveSeconds=60", "KeepAliveSeconds=600");
    profile += "[MySite]\r\nOwner=ops\r\n";
    WriteFileText(system / "PROFILE.INI", profile);
    std::string log = ReadFileText(system / "LOG.INI");
    log += "MAX_FILENUM     7\r\nMY_SETTING      5\r\n";
    WriteFileText(system / "LOG.INI", log);
    // The release that follows adds a section and a setting.
    WriteFileText(world.Package() / "PROFILE.INI", ReadFileText(world.Package() / "PROFILE.INI") + "[Audit]\r\nTrailDays=30\r\n");
    WriteFileText(world.Package() / "LOG.INI", ReadFileText(world.Package() / "LOG.INI") + "AUDIT_TRAIL     1\r\n");
    world.StampPackage();

    const ProgramResult second = world.Upgrade({"NEW:2", "CS:0", "OLD:N"});
    ASSERT_EQ(second.exitCode, 0) << second.output;
    const std::string merged = ReadFileText(system / "PROFILE.INI");
    for (const char* kept : {"BTreePages=65536", "KeepAliveSeconds=600", "[MySite]", "Owner=ops", "[Audit]", "TrailDays=30"}) {
        EXPECT_TRUE(Contains(merged, kept)) << kept << "\n" << merged;
    }
    EXPECT_EQ(ReadFileText(system / "PROFILE.INI.1.BAK"), firstBackup);
    EXPECT_EQ(ReadFileText(system / "PROFILE.INI.BAK"), profile);
    const std::string mergedLog = ReadFileText(system / "LOG.INI");
    for (const char* kept : {"MAX_FILENUM     7", "MY_SETTING      5", "AUDIT_TRAIL     1"}) {
        EXPECT_TRUE(Contains(mergedLog, kept)) << kept << "\n" << mergedLog;
    }

    // Nothing new in the template: the files stay as they are, backups too.
    ASSERT_EQ(world.Upgrade({"NEW:0", "CS:0", "OLD:N"}).exitCode, 0);
    EXPECT_EQ(ReadFileText(system / "PROFILE.INI"), merged);
    EXPECT_EQ(ReadFileText(system / "LOG.INI"), mergedLog);
    EXPECT_FALSE(fs::exists(system / "PROFILE.INI.2.BAK"));
    EXPECT_FALSE(fs::exists(system / "LOG.INI.2.BAK"));
}

TEST_F(UpgradeFiles, AFailingCopyDoesNotStopTheRun) {
    // A directory where the program should go: its copy fails.
    fs::create_directories(world.Home() / "bin" / "zemload.exe");
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:1", "OLD:N"});
    const size_t failed = result.output.find(ProgressLine("zemload.exe"));
    ASSERT_NE(failed, std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\nERROR: ", failed), std::string::npos);
    EXPECT_NE(result.output.find(ProgressLine("zemservice.exe"), failed), std::string::npos);
    EXPECT_TRUE(fs::exists(world.Home() / "bin" / "readme.txt"));
    EXPECT_TRUE(fs::exists(world.Home() / "system" / "PROFILE.INI"));
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n"));
    EXPECT_EQ(result.exitCode, 2);
}

TEST_F(UpgradeFiles, AFailedCopyOfThePloModulesLibraryFinishesWithErrors) {
    WriteFileText(world.Package() / "zemckmplo64.dll", "plo");
    WriteFileText(world.Package() / "plo" / "a.dat", "a");
    // A directory where the library should go: its copy fails, the data's not.
    fs::create_directories(world.Home() / "bin" / "zemckmplo64.dll");
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:1", "OLD:N"});
    const size_t failed = result.output.find(ProgressLine("zemckmplo64.dll"));
    ASSERT_NE(failed, std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\nERROR: ", failed), std::string::npos) << result.output;
    EXPECT_EQ(ReadFileText(world.Home() / "dict" / "plo" / "a.dat"), "a");
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n"));
    EXPECT_EQ(result.exitCode, 2);
}

TEST_F(UpgradeFiles, AFailedConfigurationStepIsShownAndTheInstalledFileStays) {
    // A template line longer than the profile reader takes fails the merge.
    WriteFileText(world.Package() / "PROFILE.INI",
                  ReadFileText(world.Package() / "PROFILE.INI") + "[Long]\r\nName=" + std::string(4000, 'L') + "\r\n");
    world.StampPackage();
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:1", "OLD:N"});
    const size_t copied = result.output.find("\nNow, Copying the system files...\n");
    ASSERT_NE(copied, std::string::npos) << result.output;
    EXPECT_NE(result.output.find("PROFILE.INI", result.output.find("\nERROR: ", copied)), std::string::npos)
        << result.output;
    EXPECT_TRUE(fs::exists(world.Home() / "system" / "PROFILE.INI"));
    EXPECT_FALSE(fs::exists(world.Home() / "system" / "PROFILE.INI.NEW"));
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n"));
    EXPECT_EQ(result.exitCode, 2);
}

void SetWritable(const fs::path& root, bool writable) {
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        fs::permissions(entry.path(), writable ? fs::perms::owner_write : write,
                        writable ? fs::perm_options::add : fs::perm_options::remove);
    }
}

bool HasPermission(const fs::path& path, fs::perms permission) {
    return (fs::status(path).permissions() & permission) != fs::perms::none;
}

// A package on read-only media (a DVD, a read-only share): no copy in the
// home may be read-only, or the next upgrade could not replace it (Windows
// refuses to replace a file with the read-only attribute). A program keeps
// its execute bit.
TEST_F(UpgradeFiles, ReadOnlyPackageGivesWritableCopies) {
    fs::permissions(world.Package() / "zelserver.exe", fs::perms::owner_exec | fs::perms::group_exec,
                    fs::perm_options::add);
    SetWritable(world.Package(), false);
    ASSERT_FALSE(HasPermission(world.Package() / "LOG.INI", fs::perms::owner_write));
    const ProgramResult first = world.Upgrade({"NEW:0", "CS:1", "OLD:N"});
    EXPECT_EQ(first.exitCode, 0) << first.output;
    for (const auto& entry : fs::recursive_directory_iterator(world.Home())) {
        if (entry.is_regular_file()) {
            EXPECT_TRUE(HasPermission(entry.path(), fs::perms::owner_write)) << entry.path() << " is read-only";
        }
    }
    for (const char* name : {"zelserver.exe", "readme.txt"}) {
        EXPECT_EQ(HasPermission(world.Home() / "bin" / name, fs::perms::owner_exec),
                  HasPermission(world.Package() / name, fs::perms::owner_exec))
            << name;
    }
    EXPECT_TRUE(HasPermission(world.Home() / "bin" / "zelserver.exe", fs::perms::owner_exec));
    // A rerun replaces every copy again.
    const ProgramResult second = world.Upgrade({"NEW:0", "CS:1", "OLD:N"});
    EXPECT_EQ(second.exitCode, 0) << second.output;
    SetWritable(world.Package(), true);
}

TEST_F(UpgradeFiles, ConsoleProgramFollowsTheNativeCharacterSet) {
    struct Case {
        const char* cs;
        const char* variant;
    };
    for (const Case& c : {Case{"CS:1", "GB"}, Case{"CS:2", "UTF8"}, Case{"CS:3", "BIG5"}, Case{"CS:0", "UTF8"}}) {
        // A home without databases, so that no language conflicts with the
        // native character set chosen.
        UpgradeWorld fresh;
        ASSERT_EQ(fresh.MakeHome(R"({"databases": []})").exitCode, 0);
        const ProgramResult result = fresh.Upgrade({"NEW:0", c.cs, "OLD:N"});
        EXPECT_EQ(result.exitCode, 0) << c.cs << "\n" << result.output;
        EXPECT_EQ(ReadFileText(fresh.Home() / "bin" / "zemconsole.exe"),
                  ReadFileText(fresh.Package() / c.variant / "zemconsole.exe"))
            << c.cs;
    }
}

TEST_F(UpgradeFiles, ReleaseAlreadyInPlaceEndsSilentlyAfterTheDictionaries) {
    // The home's bin directory is the package directory itself.
    fs::remove_all(world.Home() / "bin");
    fs::copy(world.Package(), world.Home() / "bin", fs::copy_options::recursive);
    const std::string program = (world.Home() / "bin" / fs::path(world.UpgradeProgram()).filename()).string();
    const ProgramResult result = RunProgram(program, {world.HomeArgument(), "NEW:0", "CS:1", "OLD:N"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nNow, Updating the system dictionaries...\n")) << result.output;
    EXPECT_FALSE(Contains(result.output, "Now, Copying the system files"));
    EXPECT_FALSE(Contains(result.output, "Upgrade is finished!"));
    EXPECT_TRUE(fs::is_directory(world.Home() / "oem"));
    EXPECT_TRUE(fs::is_directory(world.Home() / "system" / "etc"));
}

}  // namespace
}  // namespace zel::testing
