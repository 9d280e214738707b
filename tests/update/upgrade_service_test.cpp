// The gates and steps of the upgrade that concern the server as a process
// and as a service, run end to end: with our service manager off Windows and
// with the real one (Wine's in CI) on Windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "netclient/zel_test_server.h"
#include "service/test_platform.h"
#include "support/busy_service.h"
#include "support/registered_services.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOldService = OLD_SERVICE;
constexpr const char* kNewService = NEW_SERVICE;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Separator() { return fs::path::preferred_separator == '\\' ? "\\" : "/"; }

RegisteredService Query(const char* name) { return QueryRegisteredService(name); }

class UpgradeService : public ::testing::Test {
protected:
    void SetUp() override {
        // Our service manager lives in the world's directory; Wine's is shared
        // by every test program of the prefix, so clean it first and last.
        DeleteServiceIfPresent(kOldService);
        DeleteServiceIfPresent(kNewService);
        const ProgramResult made = world.MakeHome();
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    void TearDown() override {
        DeleteServiceIfPresent(kOldService);
        DeleteServiceIfPresent(kNewService);
    }
    std::string HomeBin() const { return world.Home().string() + Separator() + "bin"; }

    UpgradeWorld world;
};

TEST_F(UpgradeService, OldServiceOfThisHomeIsReplacedByTheNewOne) {
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0",
                                QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident -p:9")));
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nNow, Removing the old service...\n"));
    EXPECT_TRUE(Contains(result.output, "\nNow, Installing the new service...\n"));
    EXPECT_FALSE(Query(kOldService).exists);

    const RegisteredService fresh = Query(kNewService);
    ASSERT_TRUE(fresh.exists);
    EXPECT_EQ(fresh.binaryPath, QuotedCommandLine(HomeBin() + Separator() + "zemservice.exe", "-resident"));
    EXPECT_EQ(fresh.displayName, kNewService);
    EXPECT_EQ(fresh.startType, static_cast<DWORD>(SERVICE_AUTO_START));
    // Wine's QueryServiceConfigA leaves the dependencies out; the service
    // manager's own record has them.
    std::vector<std::string> dependencies;
    ASSERT_TRUE(RegisteredDependencies(kNewService, &dependencies));
    EXPECT_EQ(dependencies, std::vector<std::string>{"tcpip"});

    // The summary says what became of both services and how the new one is
    // started; and, the question not asked with "OLD:", the program names.
    EXPECT_TRUE(Contains(result.output, "\n  Services:\n    the old service ZEL40SERVICE removed\n    the new service "
                                        "\"ZEL Server\" registered, starting with the system; not started: start it "
                                        "with\n      "))
        << result.output;
#ifdef _WIN32
    EXPECT_TRUE(Contains(result.output, "\n      net start \"ZEL Server\"\n")) << result.output;
#endif
    EXPECT_TRUE(Contains(result.output, "copies under the old names not kept\n\nOLD NAMES               NEW NAMES\n"
                                        "z40server.exe --------> zelserver.exe\n"))
        << result.output;
}

// An unattended run that cannot answer the native character set question
// stops before anything changes: the old service stays registered.
TEST_F(UpgradeService, UnansweredQuestionStopsBeforeTheServiceGoes) {
    const std::string program = QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident");
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", program));
    const ProgramResult stopped = world.Upgrade({"NEW:0", "OLD:N"});
    EXPECT_EQ(stopped.exitCode, 1) << stopped.output;
    EXPECT_TRUE(Contains(stopped.output, "(end of input); nothing was changed")) << stopped.output;
    EXPECT_FALSE(Contains(stopped.output, "was removed")) << stopped.output;
    EXPECT_EQ(Query(kOldService).binaryPath, program);
    EXPECT_FALSE(Query(kNewService).exists);
    EXPECT_FALSE(fs::exists(world.Home() / "system" / "OLDSERVICE.INF"));
    EXPECT_FALSE(fs::exists(world.Home() / "system" / "UPGRADE.RUN"));
}

// A stop after the old service went (the dictionary phase fails, and puts
// its files back) registers the old service again: status 1 means nothing
// changed, the services included. The rerun goes through.
TEST_F(UpgradeService, StopAfterTheRemovalRegistersTheOldServiceAgain) {
    const std::string program = QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident");
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", program));
    const RegisteredService old = Query(kOldService);
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    SetEnvironment("ZEL_FAULT", "GetObjectEnv:1");
    const ProgramResult stopped = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    UnsetEnvironment("ZEL_FAULT");
    EXPECT_EQ(stopped.exitCode, 1) << stopped.output;
    EXPECT_TRUE(Contains(stopped.output, "\nNow, Removing the old service...\n")) << stopped.output;
    EXPECT_TRUE(
        Contains(stopped.output, "\nThe old service ZEL40SERVICE was registered again as it was before this run.\n"))
        << stopped.output;
    EXPECT_EQ(Query(kOldService), old);
    EXPECT_FALSE(Query(kNewService).exists);
    EXPECT_TRUE(SnapshotDirectory(world.Home()) == before);

    const ProgramResult rerun = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    EXPECT_EQ(rerun.exitCode, 0) << rerun.output;
    EXPECT_TRUE(Contains(rerun.output, "\nNow, Installing the new service...\n")) << rerun.output;
    const RegisteredService fresh = Query(kNewService);
    ASSERT_TRUE(fresh.exists);
    EXPECT_EQ(fresh.binaryPath, QuotedCommandLine(HomeBin() + Separator() + "zemservice.exe", "-resident"));
    EXPECT_FALSE(Query(kOldService).exists);
    EXPECT_FALSE(fs::exists(world.Home() / "system" / "OLDSERVICE.INF"));
}

#ifndef _WIN32
// When the old service cannot be registered again, the run says so, gives
// the command that does it, and cannot end with status 1. The command, run
// as printed, puts the service back.
TEST_F(UpgradeService, OldServiceThatCannotComeBackGetsTheCommandThatRegistersIt) {
    const std::string program = QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident");
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", program));
    const RegisteredService old = Query(kOldService);
    SetEnvironment("ZEL_FAULT", "GetObjectEnv:1,CreateServiceA:1");
    const ProgramResult stopped = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    UnsetEnvironment("ZEL_FAULT");
    EXPECT_EQ(stopped.exitCode, 2) << stopped.output;
    EXPECT_TRUE(Contains(stopped.output, "\nERROR: register the previous release's service again: ")) << stopped.output;
    EXPECT_TRUE(Contains(stopped.output, "\nThese steps failed:\n    register the previous release's service again\n"))
        << stopped.output;
    const std::string head = "Register it again with:\n    ";
    const size_t at = stopped.output.find(head);
    ASSERT_NE(at, std::string::npos) << stopped.output;
    const std::string command =
        stopped.output.substr(at + head.size(), stopped.output.find('\n', at + head.size()) - at - head.size());
    EXPECT_FALSE(Query(kOldService).exists);
    const ProgramResult typed = RunProgram("/bin/sh", {"-c", command});
    EXPECT_EQ(typed.exitCode, 0) << command << "\n" << typed.output;
    EXPECT_EQ(Query(kOldService), old) << command;
}
#endif

// A second home on the machine holds "ZEL Server": this home's run would
// remove its old service and then find no name for the new one. It is
// refused before the old service goes, the services and the home as they
// were.
TEST_F(UpgradeService, ServiceNameHeldByAnotherHomeStopsTheRunBeforeTheOldServiceGoes) {
    const std::string program = QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident");
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", program));
    const std::string other = QuotedCommandLine(
        world.Package().string() + Separator() + "other" + Separator() + "zemservice.exe", "-resident");
    ASSERT_TRUE(RegisterService(kNewService, kNewService, other));
    const RegisteredService old = Query(kOldService);
    const RegisteredService held = Query(kNewService);
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    for (const char* check : {"-CHECK", ""}) {
        std::vector<std::string> arguments = {"NEW:0", "CS:0", "OLD:N"};
        if (check[0] != '\0') arguments.push_back(check);
        const ProgramResult result = world.Upgrade(arguments);
        EXPECT_EQ(result.exitCode, 1) << result.output;
        EXPECT_TRUE(Contains(result.output,
                             "\nERROR: The service name \"ZEL Server\" is held by another installation's "
                             "service, " +
                                 other + ": "))
            << result.output;
        EXPECT_FALSE(Contains(result.output, "Removing the old service")) << result.output;
        EXPECT_EQ(Query(kOldService), old);
        EXPECT_EQ(Query(kNewService), held);
        EXPECT_TRUE(SnapshotDirectory(world.Home()) == before);
    }
}

TEST_F(UpgradeService, ReleaseAlreadyInPlaceStillInstallsTheNewService) {
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0",
                                QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident")));
    fs::remove_all(world.Home() / "bin");
    fs::copy(world.Package(), world.Home() / "bin", fs::copy_options::recursive);
    const std::string program = (world.Home() / "bin" / fs::path(world.UpgradeProgram()).filename()).string();
    const ProgramResult result = RunProgram(program, {world.HomeArgument(), "NEW:0", "CS:1", "OLD:N"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(Contains(result.output, "Upgrade is finished!"));
    EXPECT_FALSE(Query(kOldService).exists);
    EXPECT_TRUE(Query(kNewService).exists) << result.output;
}

TEST_F(UpgradeService, ServiceWithAnotherDisplayNameIsLeftAlone) {
    const std::string commandLine = QuotedCommandLine(HomeBin() + Separator() + "z40service.exe", "-resident");
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0 Server", commandLine));
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(Query(kOldService).binaryPath, commandLine);
    EXPECT_FALSE(Query(kNewService).exists);
    EXPECT_FALSE(Contains(result.output, "Installing the new service"));
}

TEST_F(UpgradeService, ServiceWhoseProgramLiesElsewhereIsLeftAlone) {
    const std::string elsewhere = world.Package().string() + Separator() + "z40service.exe";
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", QuotedCommandLine(elsewhere, "-resident")));
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Query(kOldService).exists);
    EXPECT_FALSE(Query(kNewService).exists);
}

#ifdef _WIN32
// The real service manager with a running old service that takes no stop
// control: the removal fails, its reason is printed and nothing changes.
TEST_F(UpgradeService, BusyOldServiceStopsTheRunBeforeAnythingChanges) {
    const fs::path program = world.Home() / "bin" / "z40service.exe";
    fs::copy_file(BusyServiceProgram(), program, fs::copy_options::overwrite_existing);
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", QuotedCommandLine(program.string())));
    ASSERT_TRUE(StartBusyService(kOldService));
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    const ProgramResult result = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    EndBusyService(kOldService);
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nNow, Removing the old service...\n\nERROR: ")) << result.output;
    EXPECT_FALSE(Contains(result.output, "Updating the data dictionaries")) << result.output;
    EXPECT_TRUE(SnapshotDirectory(world.Home()) == before);
    EXPECT_TRUE(Query(kOldService).exists);
}
#endif

TEST_F(UpgradeService, AnsweringServerStopsTheRunBeforeAnythingChanges) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    WriteFileText(world.Home() / "system" / "START.INF",
                  "ZEL Server\r\n" + world.Home().string() + "\r\n" + std::to_string(server.Port()) + " ZEL\r\n");
    ASSERT_TRUE(RegisterService(kOldService, "ZEL4.0", QuotedCommandLine(HomeBin() + Separator() + "z40service.exe")));
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    const ProgramResult result = world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    server.Finish();
    EXPECT_TRUE(Contains(result.output, "\nERROR: The server is running, please shutdown!\n\n")) << result.output;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(server.RequestLine(), "ZEL INFO");
    EXPECT_TRUE(SnapshotDirectory(world.Home()) == before);
    EXPECT_TRUE(Query(kOldService).exists);
}

TEST_F(UpgradeService, ServerThatAnswersWronglyCountsAsStopped) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOther);
    ASSERT_TRUE(server.IsListening());
    WriteFileText(world.Home() / "system" / "START.INF", "a\r\nb\r\n" + std::to_string(server.Port()) + "\r\n");
    const ProgramResult result = world.Upgrade({"NEW:0", "CS:0", "OLD:N"});
    server.Finish();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contains(result.output, "\nUpgrade is finished!\n\n"));
}

}  // namespace
}  // namespace zel::testing
