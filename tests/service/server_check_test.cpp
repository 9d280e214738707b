#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fault_injection.h"
#include "netclient/zel_test_server.h"
#include "service/test_platform.h"
#include "service_migration.h"
#include "zelkit.h"

namespace {

namespace fs = std::filesystem;

class ServerCheck : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        home_ = fs::temp_directory_path() / ("zel-server-check-" + std::to_string(random()));
        fs::create_directories(home_ / "system");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }

    void WriteStartInf(const std::string& content) {
        std::ofstream out(home_ / "system" / "START.INF", std::ios::binary | std::ios::trunc);
        out << content;
    }
    // START.INF as a running server leaves it, naming the port.
    void WriteStartInfFor(uint16_t port) {
        WriteStartInf("ZEL Server 6.80\r\n" + home_.string() + "\r\n" + std::to_string(port) + " ZELDATA\r\n");
    }
    int Check() { return IsServerRunning(home_.string().c_str()); }

    fs::path home_;
};

TEST_F(ServerCheck, MissingStartInfIsNoServer) { EXPECT_EQ(Check(), 0); }

TEST_F(ServerCheck, StartInfOfTwoLinesIsNoServer) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    WriteStartInf("ZEL Server 6.80\r\n" + std::to_string(server.Port()) + "\r\n");
    EXPECT_EQ(Check(), 0);
}

TEST_F(ServerCheck, PortWhereNothingListensIsNoServer) {
    RefusingLoopbackPort port;
    ASSERT_TRUE(port.IsHeld());
    WriteStartInfFor(port.Port());
    EXPECT_EQ(Check(), 0);
}

TEST_F(ServerCheck, ServerAnsweringWronglyIsNoServer) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOther);
    ASSERT_TRUE(server.IsListening());
    WriteStartInfFor(server.Port());
    EXPECT_EQ(Check(), 0);
}

TEST_F(ServerCheck, ServerAnsweringOkIsRunning) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    WriteStartInfFor(server.Port());
    EXPECT_EQ(Check(), 1);
}

TEST_F(ServerCheck, HomeWithTrailingSeparatorIsTheSame) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    WriteStartInfFor(server.Port());
    EXPECT_EQ(IsServerRunning((home_.string() + Z_PATH_SEPARATOR_TEXT).c_str()), 1);
}

TEST_F(ServerCheck, EmptyConnectionTextIsNoServer) {
    WriteStartInf("ZEL Server 6.80\r\nhome\r\n\r\n");
    EXPECT_EQ(Check(), 0);
}

TEST_F(ServerCheck, FailingNetworkCallsCountAsNoServer) {
    for (const char* fault : {"NetOpenConnect", "NetGetConnectInfo"}) {
        ZelTestServer server(ZelTestServer::Mode::AnswerOk);
        ASSERT_TRUE(server.IsListening());
        WriteStartInfFor(server.Port());
        SetTestEnvironment("ZEL_FAULT", fault);
        ZelResetFaultInjection();
        EXPECT_EQ(Check(), 0) << fault;
        SetTestEnvironment("ZEL_FAULT", "");
        ZelResetFaultInjection();
    }
}

}  // namespace
