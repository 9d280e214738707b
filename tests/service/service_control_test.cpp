#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "service/service_test_support.h"
#include "service/test_platform.h"
#include "support/registered_services.h"

namespace {

using zel::testing::QuotedCommandLine;

// ---- error texts --------------------------------------------------------------

TEST(SystemErrorText, MessageKeepsItsLastCharacterAndShowsTheCode) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    char buffer[1024];
    const std::string text = FormatSystemError(buffer, sizeof(buffer));
    const std::string code = " (1060)";
    ASSERT_GT(text.size(), code.size() + 1);
    EXPECT_EQ(text.substr(text.size() - code.size()), code);
    // The message itself ends with its full stop, whatever line end the
    // system put after it.
    EXPECT_EQ(text[text.size() - code.size() - 1], '.');
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

TEST(SystemErrorText, KeepsTheLastError) {
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    char buffer[1024];
    FormatSystemError(buffer, sizeof(buffer));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
}

TEST(SystemErrorText, CodeWithoutMessageShowsTheLookupFailure) {
    SetLastError(0x20001234);  // an application's own code: the system has no text
    char buffer[64];
    EXPECT_STREQ(FormatSystemError(buffer, sizeof(buffer)), "(317)");
}

TEST(SystemErrorText, MessageWithInsertMarksStillHasItsText) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    char buffer[1024];
    const std::string text = FormatSystemError(buffer, sizeof(buffer));
    ASSERT_GT(text.size(), 7u);
    EXPECT_EQ(text.substr(text.size() - 6), " (317)");
}

TEST(SystemErrorText, BufferMustHoldMessageAndFourteenMore) {
    char* message = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                       nullptr, ERROR_SERVICE_EXISTS, 0, reinterpret_cast<LPSTR>(&message), 0, nullptr);
    ASSERT_GT(length, 0u);
    const int needed = lstrlenA(message) + 14;
    LocalFree(message);

    char buffer[1024];
    std::memset(buffer, 'x', sizeof(buffer));
    SetLastError(ERROR_SERVICE_EXISTS);
    EXPECT_STREQ(FormatSystemError(buffer, needed - 1), "");
    SetLastError(ERROR_SERVICE_EXISTS);
    EXPECT_STRNE(FormatSystemError(buffer, needed), "");
}

TEST(SystemErrorText, TinyBufferWithoutMessageStaysEmpty) {
    SetLastError(0x20001234);
    char buffer[13];
    EXPECT_STREQ(FormatSystemError(buffer, sizeof(buffer)), "");
}

// ---- handles ------------------------------------------------------------------

class ServiceControl : public ServiceTest {};

TEST_F(ServiceControl, ClosingAHandleKeepsTheLastError) {
    SC_HANDLE manager = nullptr;
    ASSERT_EQ(OpenServiceControl(&manager, nullptr, nullptr), 1);
    SetLastError(ERROR_SERVICE_EXISTS);
    CloseServiceHandleSafe(manager);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_EXISTS);
}

TEST_F(ServiceControl, OpeningAMissingServiceLeavesItsErrorAndNothingOpen) {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    EXPECT_EQ(OpenServiceControl(&manager, UniqueName("missing").c_str(), &service), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(manager, nullptr);
}

// ---- installation -------------------------------------------------------------

TEST_F(ServiceControl, InstallRegistersQuotedProgramResidentAndTcpip) {
    const std::string name = UniqueName("install");
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    ASSERT_EQ(InstallService(name.c_str(), nullptr, program.c_str(), SERVICE_AUTO_START), 1);

    ServiceSettings settings;
    ASSERT_TRUE(Settings(name, &settings));
    EXPECT_EQ(settings.binaryPath, QuotedCommandLine(program, "-resident"));
    EXPECT_EQ(settings.displayName, name);
    EXPECT_EQ(settings.startType, SERVICE_AUTO_START);
    ASSERT_EQ(settings.dependencies.size(), 1u);
    EXPECT_EQ(settings.dependencies[0], "tcpip");
    // A name other than the cached one is recorded.
    EXPECT_EQ(ReadWholeFile(serviceInf_), name);
}

TEST_F(ServiceControl, QuotedProgramGetsOnePairOfQuotesAndParametersFollow) {
    const std::string name = UniqueName("quoted");
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    ASSERT_EQ(InstallService(name.c_str(), "7000", QuotedCommandLine(program).c_str(), SERVICE_DEMAND_START), 1);
    ServiceSettings settings;
    ASSERT_TRUE(Settings(name, &settings));
    EXPECT_EQ(settings.binaryPath, QuotedCommandLine(program, "-resident -p:7000"));
    EXPECT_EQ(settings.startType, SERVICE_DEMAND_START);
}

TEST_F(ServiceControl, ProgramWithoutFileNameIsCalledCommand) {
    const std::string name = UniqueName("command");
    const std::string directory = (scratch_ / "bin").string() + Z_PATH_SEPARATOR_TEXT;
    ASSERT_EQ(InstallService(name.c_str(), nullptr, (directory + ".exe").c_str(), SERVICE_DEMAND_START), 1);
    ServiceSettings settings;
    ASSERT_TRUE(Settings(name, &settings));
    EXPECT_EQ(settings.binaryPath, QuotedCommandLine(directory + "Command.exe", "-resident"));
}

TEST_F(ServiceControl, InstallWithoutProgramRegistersTheRunningProgram) {
    const std::string name = UniqueName("self");
    ASSERT_EQ(InstallService(name.c_str(), nullptr, nullptr, SERVICE_DEMAND_START), 1);
    char self[Z_MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof(self)), 0u);
    ServiceSettings settings;
    ASSERT_TRUE(Settings(name, &settings));
    EXPECT_EQ(settings.binaryPath, QuotedCommandLine(std::string(self), "-resident"));
}

TEST_F(ServiceControl, InstallWithoutNameTakesTheRecordedNameAndDeletesTheRecord) {
    const std::string name = UniqueName("recorded");
    WriteWholeFile(serviceInf_, name);
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    ASSERT_EQ(InstallService(nullptr, nullptr, program.c_str(), SERVICE_AUTO_START), 1);
    EXPECT_TRUE(Exists(name));
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));
}

TEST_F(ServiceControl, InstallingATakenNameFailsWithServiceExists) {
    const std::string name = UniqueName("taken");
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    ASSERT_EQ(InstallService(name.c_str(), nullptr, program.c_str(), SERVICE_AUTO_START), 1);
    EXPECT_EQ(InstallService(name.c_str(), nullptr, program.c_str(), SERVICE_AUTO_START), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_EXISTS);
}

// Names and paths that do not fit are refused whole, never registered cut.
TEST_F(ServiceControl, NameOrProgramTooLongIsRefusedAndNothingRegistered) {
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    const std::string longName = UniqueName("long") + std::string(300, 'n');
    EXPECT_EQ(InstallService(longName.c_str(), nullptr, program.c_str(), SERVICE_AUTO_START), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(Exists(longName.substr(0, 256)));
    EXPECT_EQ(RemoveService(longName.c_str()), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));

    const std::string name = UniqueName("longpath");
    const std::string longProgram = (scratch_ / (std::string(300, 'p') + ".exe")).string();
    EXPECT_EQ(InstallService(name.c_str(), nullptr, longProgram.c_str(), SERVICE_AUTO_START), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(Exists(name));
}

// ---- stopping -----------------------------------------------------------------

class StopServiceTest : public ServiceTest {
protected:
    // Runs StopService on a registered service; the result.
    int Stop(const std::string& name) {
        SC_HANDLE manager = nullptr;
        SC_HANDLE service = nullptr;
        if (!OpenServiceControl(&manager, name.c_str(), &service)) return -1;
        const int result = StopService(service);
        const DWORD error = GetLastError();
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        SetLastError(error);
        return result;
    }
};

TEST_F(StopServiceTest, AlreadyStoppedServiceIsStoppedAtOnce) {
    const std::string name = UniqueName("stopped");
    ASSERT_TRUE(Register(name, name, "\"C:\\zel\\bin\\zemservice.exe\" -resident"));
    EXPECT_EQ(Stop(name), 1);
}

TEST_F(StopServiceTest, AlreadyStoppedServiceGetsNoStopControl) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string name = UniqueName("stopped");
    ASSERT_TRUE(Register(name, name, "zemservice -resident"));
    const std::string log = (scratch_ / "faults.log").string();
    SetTestEnvironment("ZEL_FAULT_LOG", log.c_str());
    SetFault("");
    EXPECT_EQ(Stop(name), 1);
    SetTestEnvironment("ZEL_FAULT_LOG", "");
    SetFault("");
    const std::string calls = ReadWholeFile(log);
    EXPECT_NE(calls.find("QueryServiceStatus"), std::string::npos);
    EXPECT_EQ(calls.find("ControlService"), std::string::npos);
}

TEST_F(StopServiceTest, PollsUntilTheServiceHasStopped) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string name = UniqueName("slow");
    ASSERT_TRUE(Register(name, name, "zemservice -resident"));
    AppendToServiceFile(name, "State=4\nStopPolls=3\n");
    EXPECT_EQ(Stop(name), 1);
    // Three queries saw the stop pending; only the fourth saw it stopped.
    EXPECT_EQ(ServiceFileValue(name, "State"), "1");
}

TEST_F(StopServiceTest, RefusalBecauseNotActiveCountsAsStopped) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string name = UniqueName("inactive");
    ASSERT_TRUE(Register(name, name, "zemservice -resident"));
    AppendToServiceFile(name, "State=4\nControlError=1062\n");
    EXPECT_EQ(Stop(name), 1);
}

TEST_F(StopServiceTest, OtherRefusalOfARunningServiceFails) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string name = UniqueName("refusing");
    ASSERT_TRUE(Register(name, name, "zemservice -resident"));
    AppendToServiceFile(name, "State=4\nControlError=1061\n");
    EXPECT_EQ(Stop(name), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
}

// ---- removal ------------------------------------------------------------------

TEST_F(ServiceControl, RemoveDeletesTheServiceAndItsRecord) {
    const std::string name = UniqueName("remove");
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    ASSERT_EQ(InstallService(name.c_str(), nullptr, program.c_str(), SERVICE_AUTO_START), 1);
    ASSERT_TRUE(std::filesystem::exists(serviceInf_));
    EXPECT_EQ(RemoveService(name.c_str()), 1);
    EXPECT_FALSE(Exists(name));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));
}

TEST_F(ServiceControl, RemoveStopsARunningServiceFirst) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string name = UniqueName("running");
    ASSERT_TRUE(Register(name, name, "zemservice -resident"));
    AppendToServiceFile(name, "State=4\nStopPolls=2\n");
    EXPECT_EQ(RemoveService(name.c_str()), 1);
    EXPECT_FALSE(Exists(name));
}

TEST_F(ServiceControl, RecordIsGoneEvenWhenDeletionFails) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string name = UniqueName("undeletable");
    const std::string program = (scratch_ / "bin" / "zemservice.exe").string();
    ASSERT_EQ(InstallService(name.c_str(), nullptr, program.c_str(), SERVICE_AUTO_START), 1);
    SetFault("DeleteService");
    EXPECT_EQ(RemoveService(name.c_str()), 0);
    SetFault("");
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));
    EXPECT_TRUE(Exists(name));
}

TEST_F(ServiceControl, RemovingAMissingServiceFailsWithDoesNotExist) {
    EXPECT_EQ(RemoveService(UniqueName("absent").c_str()), 0);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
}

// ---- configuration ------------------------------------------------------------

TEST_F(ServiceControl, ConfigurationComesWithTheCurrentState) {
    const std::string name = UniqueName("query");
    ASSERT_TRUE(Register(name, "Query Display", "\"C:\\zel\\bin\\zemservice.exe\" -resident"));
    uint64_t storage[4096 / sizeof(uint64_t)];
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = sizeof(storage);
    // The record's pointers are only set when the query succeeds.
    ASSERT_EQ(QueryServiceConfiguration(name.c_str(), config, &size), SERVICE_STOPPED);
    EXPECT_STREQ(config->lpDisplayName, "Query Display");
    EXPECT_STREQ(config->lpBinaryPathName, "\"C:\\zel\\bin\\zemservice.exe\" -resident");
    // The texts lie inside the caller's buffer.
    const char* begin = reinterpret_cast<const char*>(storage);
    EXPECT_GE(config->lpDisplayName, begin);
    EXPECT_LT(config->lpDisplayName, begin + sizeof(storage));
    EXPECT_EQ(QueryServiceConfiguration(name.c_str(), nullptr, nullptr), SERVICE_STOPPED);
}

TEST_F(ServiceControl, ConfigurationTooLargeForTheBufferGivesTheSizeNeeded) {
    const std::string name = UniqueName("large");
    const std::string program = "\"C:\\zel\\bin\\zemservice.exe\" -resident -p:" + std::string(300, 'x');
    ASSERT_TRUE(Register(name, name, program));
    uint64_t storage[256 / sizeof(uint64_t)];
    DWORD size = sizeof(storage);
    EXPECT_EQ(QueryServiceConfiguration(name.c_str(), reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage), &size), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_GT(size, program.size());
}

TEST_F(ServiceControl, ConfigurationOfAMissingServiceFailsWithDoesNotExist) {
    EXPECT_EQ(QueryServiceConfiguration(UniqueName("nothing").c_str(), nullptr, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
}

}  // namespace
