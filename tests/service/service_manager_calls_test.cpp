// The Windows calls as the service module relies on them. The same tests
// run against our own service manager and against Windows (Wine), so that
// the two answer alike.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "service/service_test_support.h"

namespace {

class ServiceManagerCalls : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr);
    }
    void TearDown() override {
        if (manager_) CloseServiceHandle(manager_);
        ServiceTest::TearDown();
    }

    SC_HANDLE Create(const std::string& name, const std::string& displayName, const char* binaryPath) {
        Track(name);
        return CreateServiceA(manager_, name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                              SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, binaryPath, nullptr,
                              nullptr, "tcpip\0", nullptr, nullptr);
    }

    SC_HANDLE manager_ = nullptr;
};

TEST_F(ServiceManagerCalls, NewServiceIsStoppedAndRefusesAStop) {
    SC_HANDLE service = Create(UniqueName("calls"), "Calls Display", "\"C:\\zel\\bin\\zemservice.exe\" -resident");
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status{};
    ASSERT_TRUE(QueryServiceStatus(service, &status));
    EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
    CloseServiceHandle(service);
}

TEST_F(ServiceManagerCalls, TakenNameFailsWithServiceExists) {
    const std::string name = UniqueName("calls");
    SC_HANDLE first = Create(name, name, "first.exe");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Create(name, "Another Display", "second.exe"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_EXISTS);
    CloseServiceHandle(first);
}

TEST_F(ServiceManagerCalls, DeletedServiceCannotBeOpened) {
    const std::string name = UniqueName("calls");
    SC_HANDLE service = Create(name, name, "program.exe");
    ASSERT_NE(service, nullptr);
    EXPECT_TRUE(DeleteService(service));
    CloseServiceHandle(service);
    EXPECT_EQ(OpenServiceA(manager_, name.c_str(), SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
}

TEST_F(ServiceManagerCalls, ServiceNamesIgnoreCase) {
    const std::string name = UniqueName("calls");
    SC_HANDLE service = Create(name, name, "program.exe");
    ASSERT_NE(service, nullptr);
    CloseServiceHandle(service);
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    SC_HANDLE again = OpenServiceA(manager_, upper.c_str(), SERVICE_ALL_ACCESS);
    EXPECT_NE(again, nullptr);
    if (again) CloseServiceHandle(again);
}

TEST_F(ServiceManagerCalls, ConfigurationTextsFollowTheRecordInTheBuffer) {
    const char* program = "\"C:\\zel\\bin\\zemservice.exe\" -resident -p:x";
    SC_HANDLE service = Create(UniqueName("calls"), "Config Display", program);
    ASSERT_NE(service, nullptr);
    DWORD needed = 0;
    EXPECT_FALSE(QueryServiceConfigA(service, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, sizeof(QUERY_SERVICE_CONFIGA) + std::strlen(program));

    uint64_t storage[1024];
    ASSERT_LE(needed, sizeof(storage));
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    // The size given may exceed what the texts take (Wine's does), so only
    // that it is enough is checked.
    DWORD again = 0;
    ASSERT_TRUE(QueryServiceConfigA(service, config, needed, &again));
    EXPECT_STREQ(config->lpBinaryPathName, program);
    EXPECT_STREQ(config->lpDisplayName, "Config Display");
    EXPECT_EQ(config->dwStartType, SERVICE_AUTO_START);
    EXPECT_EQ(config->dwServiceType, SERVICE_WIN32_OWN_PROCESS);
    const char* begin = reinterpret_cast<const char*>(storage);
    for (const char* text : {config->lpBinaryPathName, config->lpDisplayName, config->lpDependencies}) {
        EXPECT_GE(text, begin + sizeof(QUERY_SERVICE_CONFIGA));
        EXPECT_LT(text, begin + needed);
    }
    CloseServiceHandle(service);
}

TEST_F(ServiceManagerCalls, SystemMessagesEndWithALineFeed) {
    char* message = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                                        ERROR_SERVICE_NOT_ACTIVE, 0, reinterpret_cast<LPSTR>(&message), 0, nullptr);
    ASSERT_GT(length, 1u);
    EXPECT_EQ(message[length - 1], '\n');
    EXPECT_EQ(LocalFree(message), nullptr);
}

// Whether the cut path is ended by a NUL differs between Windows versions;
// callers rely only on the result equal to the size.
TEST_F(ServiceManagerCalls, ProgramPathThatDoesNotFitSaysSo) {
    char path[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof(path)), sizeof(path));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

// ---- the service files (off Windows) --------------------------------------------

TEST_F(ServiceManagerCalls, HandWrittenFileWithUnknownKeysKeepsThemWhenRewritten) {
    SKIP_WITHOUT_SERVICE_FILES();
    const auto file = scratch_ / "services" / "by-hand.service";
    Track("ByHand");
    WriteWholeFile(file,
                   "# written by hand\r\nName=ByHand\r\nBinaryPath=\"/x/y z.exe\" -a\r\nState=4\r\nOwner=ops\r\n");
    SC_HANDLE service = OpenServiceA(manager_, "byhand", SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status{};
    ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
    const std::string content = ReadWholeFile(file);
    EXPECT_NE(content.find("BinaryPath=\"/x/y z.exe\" -a\n"), std::string::npos);
    EXPECT_NE(content.find("DisplayName=ByHand\n"), std::string::npos);
    EXPECT_NE(content.find("State=1\n"), std::string::npos);
    EXPECT_NE(content.find("Owner=ops\n"), std::string::npos);
    CloseServiceHandle(service);
}

TEST_F(ServiceManagerCalls, DisplayNameOfAnotherServiceIsRefused) {
    SKIP_WITHOUT_SERVICE_FILES();
    const std::string first = UniqueName("calls");
    SC_HANDLE service = Create(first, "Shared Display", "program.exe");
    ASSERT_NE(service, nullptr);
    CloseServiceHandle(service);
    EXPECT_EQ(Create(UniqueName("calls"), "Shared Display", "program.exe"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DUPLICATE_SERVICE_NAME);
}

TEST_F(ServiceManagerCalls, InjectedFaultLooksLikeAccessDenied) {
    SKIP_WITHOUT_SERVICE_FILES();
    SetFault("OpenSCManagerA");
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    SetFault("");
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
