// zelhome preview and zelhome diff, run as the built programs on homes made
// by zelhome new and on a scratch copy of the built package.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "netclient/zel_test_server.h"
#include "support/busy_service.h"
#include "support/registered_services.h"
#include "support/upgrade_fixture.h"
#include "zelkit.h"

namespace {

namespace fs = std::filesystem;
using zel::testing::DirectorySnapshot;
using zel::testing::ProgramResult;
using zel::testing::QuotedCommandLine;
using zel::testing::RunProgram;
using zel::testing::SnapshotDirectory;
using zel::testing::UpgradeWorld;

// Answers every question of the typical home, so the upgrade runs through.
const std::vector<std::string> kAnswers = {"NEW:1", "CS:2", "OLD:NO"};

ProgramResult Zelhome(const std::vector<std::string>& args) {
    return RunProgram(zel::testing::NativePath(zel::testing::BuiltZelhome()), args);
}

ProgramResult Preview(const UpgradeWorld& world, const fs::path& home, const std::vector<std::string>& answers) {
    std::vector<std::string> args = {"preview", "--package", world.Package().string(), home.string()};
    args.insert(args.end(), answers.begin(), answers.end());
    return Zelhome(args);
}

// Whether the report has this whole line; console output on Windows ends
// its lines with CR LF.
bool Has(const std::string& report, const std::string& line) {
    std::string text;
    for (char c : report) {
        if (c != '\r') text += c;
    }
    return text.find("\n" + line + "\n") != std::string::npos;
}

// The previous release's service, registered for the home's bin directory.
void RegisterOldService(const UpgradeWorld& world) {
    zel::testing::WriteFileText(world.Services() / "zel40service.service",
                                "Name=ZEL40SERVICE\nDisplayName=ZEL4.0\nBinaryPath=\"" +
                                    (world.Home() / "bin" / "z40service.exe").string() + "\" -resident\nStartType=2\n");
}

TEST(Preview, LeavesTheHomeAndItsServicesAsTheyWere) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    RegisterOldService(world);
    const DirectorySnapshot home = SnapshotDirectory(world.Home());
    const DirectorySnapshot services = SnapshotDirectory(world.Services());

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    EXPECT_EQ(preview.exitCode, 0) << preview.output;
    EXPECT_NE(preview.output.find("the upgrade would finish cleanly"), std::string::npos);
    EXPECT_EQ(SnapshotDirectory(world.Home()), home);
    EXPECT_EQ(SnapshotDirectory(world.Services()), services);
#ifndef _WIN32
    // Off Windows the run met the mirrored old service.
    EXPECT_TRUE(Has(preview.output, "old service removed: ZEL40SERVICE")) << preview.output;
    EXPECT_TRUE(
        Has(preview.output, "new service installed: ZEL Server (ZEL Server), \"HOME/bin/zemservice.exe\" -resident"))
        << preview.output;
#endif
}

// The old service registered through the service manager, as an
// administrator's installation has it; on Windows the preview only reads its
// configuration, elsewhere the run meets a mirror of it.
TEST(Preview, RegisteredOldServiceIsReportedAndStaysAsItWas) {
    using zel::testing::NEW_SERVICE;
    using zel::testing::OLD_SERVICE;
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    struct Cleanup {
        Cleanup() { Run(); }
        ~Cleanup() { Run(); }
        static void Run() {
            zel::testing::DeleteServiceIfPresent(OLD_SERVICE);
            zel::testing::DeleteServiceIfPresent(NEW_SERVICE);
        }
    } cleanup;
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    ASSERT_TRUE(zel::testing::RegisterService(
        OLD_SERVICE, "ZEL4.0", QuotedCommandLine((world.Home() / "bin" / "z40service.exe").string(), "-resident")));
    const zel::testing::RegisteredService old = zel::testing::QueryRegisteredService(OLD_SERVICE);
    ASSERT_TRUE(old.exists);

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    EXPECT_EQ(preview.exitCode, 0) << preview.output;
    EXPECT_TRUE(Has(preview.output, "old service removed: ZEL40SERVICE")) << preview.output;
    EXPECT_TRUE(Has(preview.output, "new service installed: ZEL Server (ZEL Server), \"HOME" + separator + "bin" +
                                        separator + "zemservice.exe\" -resident"))
        << preview.output;
    EXPECT_EQ(zel::testing::QueryRegisteredService(OLD_SERVICE), old);
    EXPECT_FALSE(zel::testing::QueryRegisteredService(NEW_SERVICE).exists);
    EXPECT_EQ(preview.output.find("warning: the old service"), std::string::npos) << preview.output;
}

// Under another display name the old service is not the upgrade's to
// remove, yet the run deletes the z40 program it starts: the service would
// be left registered for a program that is gone.
TEST(Preview, OldServiceLeftInPlaceWhileItsProgramIsDeletedIsWarnedOf) {
    using zel::testing::NEW_SERVICE;
    using zel::testing::OLD_SERVICE;
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    struct Cleanup {
        Cleanup() { Run(); }
        ~Cleanup() { Run(); }
        static void Run() {
            zel::testing::DeleteServiceIfPresent(OLD_SERVICE);
            zel::testing::DeleteServiceIfPresent(NEW_SERVICE);
        }
    } cleanup;
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    ASSERT_TRUE(zel::testing::RegisterService(
        OLD_SERVICE, "ZEL4.0 Server",
        QuotedCommandLine((world.Home() / "bin" / "z40service.exe").string(), "-resident")));
    const zel::testing::RegisteredService old = zel::testing::QueryRegisteredService(OLD_SERVICE);

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    EXPECT_EQ(preview.exitCode, 0) << preview.output;
    EXPECT_TRUE(Has(preview.output,
                    "warning: the old service ZEL40SERVICE (ZEL4.0 Server) stays registered, but the "
                    "upgrade deletes its program HOME" +
                        separator + "bin" + separator + "z40service.exe"))
        << preview.output;
    EXPECT_FALSE(Has(preview.output, "old service removed: ZEL40SERVICE")) << preview.output;
    EXPECT_TRUE(Has(preview.output, "deleted: bin/z40service.exe")) << preview.output;
    EXPECT_EQ(zel::testing::QueryRegisteredService(OLD_SERVICE), old);
}

TEST(Preview, UnansweredQuestionStopsTheRunAndChangesNothing) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    const DirectorySnapshot home = SnapshotDirectory(world.Home());

    ProgramResult preview = Preview(world, world.Home(), {"NEW:1"});
    EXPECT_EQ(preview.exitCode, 1) << preview.output;
    EXPECT_TRUE(Has(preview.output, "a question was not answered on the command line")) << preview.output;
    EXPECT_EQ(SnapshotDirectory(world.Home()), home);
}

TEST(Preview, ReportNamesEachChangeOfATypicalUpgrade) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    zel::testing::WriteFileText(world.Home() / "system" / "PROFILE.INI",
                                "[IndexCache]\r\nLowLimit=16\r\n[Retrieval]\r\nIgnoreSenPunct=TRUE\r\n"
                                "ObsoleteKey=1\r\n");

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    ASSERT_EQ(preview.exitCode, 0) << preview.output;
    const std::string& r = preview.output;
    for (const char* line : {
             "CONFIG.DIC: title \"ZEL4.0 Data Dictionary\" -> \"4.02\"",
             "VIEW.DIC: 3 records converted",
             "renamed: 3 SYSTEM.SEGMENT_BIG -> SYSTEM.SEGMENT_BIG5",
             "removed: 8 SYSTEM.SDIBOOK",
             "created: 12 SYSTEM.THESAURUS_GB kind 0x700000 charset 0x10 records 800",
             "corrected: 2 TEXT (flag 1, class \"TEXT\", extensions \"txt\", description 31 bytes -> flag 1, class "
             "\"TEXT\", extensions \"txt;text\", description 51 bytes)",
             "renamed: 9 DOC -> DOCS",
             "charset 0x10 added: segment 0, stop 0, thesaurus 12, synonym 13, antonym 14",
             "renamed: dict/ZEL_Single.BIG -> dict/ZEL_Single.BIG5",
             "created: dict/ZEL_CBigram.GB",
             "copied: bin/zelserver.exe",
             "copied: bin/zemconsole.exe",
             "deleted: bin/z40server.exe",
             "changed: system/PROFILE.INI",
             "carried: [IndexCache] LowLimit=16",
             "moved: [Retrieval] IgnoreSenPunct=TRUE -> IgnorePunct=TRUE",
             "dropped: [Retrieval] ObsoleteKey=1",
             "added: [AutoBatch] ProgramStart=zelserver.exe &PORT &BLOCK",
             "backup written: system/PROFILE.INI.BAK",
             "carried: MAX_FILENUM=8",
         }) {
        EXPECT_TRUE(Has(r, line)) << "missing: " << line << "\n" << r;
    }
    // The run's own summary: what the first merge took away.
    EXPECT_NE(r.find("PROFILE.INI [Retrieval] ObsoleteKey=1 dropped (kept in PROFILE.INI.BAK)"), std::string::npos) << r;
    // The log was the copy's, which is gone.
    EXPECT_FALSE(Has(r, "The log of this run")) << r;
}

TEST(Preview, BlockersAreListedTogetherAndNothingRuns) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    zel::testing::WriteFileText(world.Home() / "system" / "START.INF",
                                "ZEL4.0 server start record\r\n127.0.0.1\r\n" + std::to_string(server.Port()) + "\r\n");
    fs::remove(world.Package() / "zemdict.exe");
    const fs::path profile = world.Home() / "system" / "PROFILE.INI";
    zel::testing::WriteFileText(profile, "[IndexCache]\r\nLowLimit=16\r\n");
    fs::permissions(profile, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    // The superuser writes a read-only file all the same; then so would the upgrade.
    std::FILE* probe = std::fopen(profile.string().c_str(), "r+b");
    const bool readOnly = probe == nullptr;
    if (probe != nullptr) std::fclose(probe);
    const DirectorySnapshot home = SnapshotDirectory(world.Home());

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    server.Finish();
    fs::permissions(profile, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(preview.exitCode, 3) << preview.output;
    EXPECT_TRUE(Has(preview.output, "The server is running, please shutdown!")) << preview.output;
    EXPECT_TRUE(
        Has(preview.output, "The package in " + world.Package().string() + " is not whole: zemdict.exe is missing."))
        << preview.output;
    EXPECT_TRUE(
        Has(preview.output, "    to do: stop the server of the home (or its service) and wait until it has ended"))
        << preview.output;
    if (readOnly) {
        EXPECT_TRUE(Has(preview.output, "read-only file: system/PROFILE.INI")) << preview.output;
    }
    EXPECT_TRUE(Has(preview.output, "The upgrade was not run.")) << preview.output;
    EXPECT_EQ(SnapshotDirectory(world.Home()), home);
}

TEST(Preview, HomeThatAnUpgradeHoldsIsABlockerAndIsNotDumped) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    const std::string lockPath = (world.Home() / "system" / "UPGRADE.LCK").string();
    HZLOCK upgrade = Z_LockPath(lockPath.c_str(), 1);
    ASSERT_NE(upgrade, nullptr);
    const ProgramResult preview = Preview(world, world.Home(), kAnswers);
    const ProgramResult dump = world.DumpHome();
    Z_UnlockPath(upgrade);
    EXPECT_EQ(preview.exitCode, 3) << preview.output;
    EXPECT_NE(preview.output.find(" is running; try again when it has ended"), std::string::npos) << preview.output;
    EXPECT_NE(dump.exitCode, 0);
    EXPECT_NE(dump.output.find(" is running; try again when it has ended"), std::string::npos) << dump.output;
    // Once the upgrade has ended, both read the home.
    EXPECT_EQ(world.DumpHome().exitCode, 0);
}

TEST(Preview, RefusedDictionaryFileAndUnstoppableOldServiceAreBlockers) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    zel::testing::WriteFileText(world.Home() / "system" / "GROUP.DIC", "not a dictionary file");
    // A header that counts 8 of BASE.DIC's 10 records.
    const fs::path base = world.Home() / "system" / "BASE.DIC";
    std::string bases = zel::testing::ReadFileText(base);
    bases[12] = 8;
    zel::testing::WriteFileText(base, bases);
#ifndef _WIN32
    RegisterOldService(world);
    std::string service = zel::testing::ReadFileText(world.Services() / "zel40service.service");
    zel::testing::WriteFileText(world.Services() / "zel40service.service", service + "State=4\nControlError=1061\n");
#endif
    const DirectorySnapshot services = SnapshotDirectory(world.Services());

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    EXPECT_EQ(preview.exitCode, 3) << preview.output;
    EXPECT_NE(preview.output.find("\nCheckDictFile: " + (world.Home() / "system" / "GROUP.DIC").string() + " is "),
              std::string::npos)
        << preview.output;
    EXPECT_NE(preview.output.find("BASE.DIC is longer than its header says: the header announces 8 records of 1653 "
                                  "bytes (13320 bytes with the header), but the file is 16626 bytes long"),
              std::string::npos)
        << preview.output;
#ifndef _WIN32
    EXPECT_TRUE(Has(preview.output, "the old service ZEL40SERVICE is running and cannot be stopped (error 1061)"))
        << preview.output;
#endif
    EXPECT_EQ(SnapshotDirectory(world.Services()), services);
}

#ifdef _WIN32
// The service manager says the old service runs and takes no stop control:
// the upgrade would stop at its removal, so preview names it as a blocker
// and runs nothing.
TEST(Preview, RunningOldServiceThatTakesNoStopIsABlocker) {
    using zel::testing::OLD_SERVICE;
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    const fs::path program = world.Home() / "bin" / "z40service.exe";
    fs::copy_file(zel::testing::BusyServiceProgram(), program, fs::copy_options::overwrite_existing);
    struct Cleanup {
        Cleanup() { zel::testing::DeleteServiceIfPresent(OLD_SERVICE); }
        ~Cleanup() {
            zel::testing::EndBusyService(OLD_SERVICE);
            zel::testing::DeleteServiceIfPresent(OLD_SERVICE);
        }
    } cleanup;
    ASSERT_TRUE(zel::testing::RegisterService(OLD_SERVICE, "ZEL4.0", QuotedCommandLine(program.string())));
    ASSERT_TRUE(zel::testing::StartBusyService(OLD_SERVICE));

    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    EXPECT_EQ(preview.exitCode, 3) << preview.output;
    EXPECT_TRUE(Has(preview.output, "the old service ZEL40SERVICE is running and does not accept a stop control"))
        << preview.output;
    EXPECT_TRUE(Has(preview.output, "The upgrade was not run.")) << preview.output;
}
#endif

TEST(Preview, ReportEndsWithTheDiffOfTheSameUpgradeRunForReal) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    ProgramResult preview = Preview(world, world.Home(), kAnswers);
    ASSERT_EQ(preview.exitCode, 0) << preview.output;

    // A second home of the same description, upgraded for real.
    const fs::path second = world.Home().parent_path() / "second";
    ASSERT_EQ(Zelhome({"new", second.string()}).exitCode, 0);
    std::vector<std::string> args = {"DIR:" + second.string()};
    args.insert(args.end(), kAnswers.begin(), kAnswers.end());
    ASSERT_EQ(world.UpgradeRaw(args).exitCode, 0);

    ProgramResult diff =
        Zelhome({"diff", "--package", world.Package().string(), world.Home().string(), second.string()});
    ASSERT_EQ(diff.exitCode, 0) << diff.output;
    ASSERT_GT(diff.output.size(), 100u);
    ASSERT_GE(preview.output.size(), diff.output.size());
    EXPECT_EQ(preview.output.substr(preview.output.size() - diff.output.size()), diff.output);
}

TEST(Diff, SameHomeShowsNoChange) {
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome().exitCode, 0);
    ProgramResult diff = Zelhome({"diff", world.Home().string(), world.Home().string()});
    ASSERT_EQ(diff.exitCode, 0) << diff.output;
    size_t changes = 0;
    for (size_t at = 0; (at = diff.output.find("(no change)", at)) != std::string::npos; ++at) ++changes;
    EXPECT_EQ(changes, 9u) << diff.output;
}

}  // namespace
