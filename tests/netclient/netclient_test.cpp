#include <gtest/gtest.h>

#include <string>

#include "netclient/zel_test_server.h"
#include "zemdaemon.h"

namespace {

std::string PortText(uint16_t port, const char* rest = "") { return std::to_string(port) + rest; }

// Connects to the server and asks; the answer and the info record.
int AskServer(ZelTestServer& server, tagCONNECTINFO* info) {
    const std::string text = PortText(server.Port());
    HZCONN connection = NetOpenConnect("127.0.0.1", text.c_str(), nullptr);
    if (!connection) return -1;
    const int answered = NetGetConnectInfo(connection, info, nullptr, nullptr);
    EXPECT_EQ(NetCloseConnect(connection), 1);
    server.Finish();
    return answered;
}

TEST(NetClient, ServerAnsweringOkIsRunning) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    tagCONNECTINFO info{};
    EXPECT_EQ(AskServer(server, &info), 1);
    EXPECT_STREQ(info.serverText, "ZEL OK 6.80");
    EXPECT_EQ(info.port, server.Port());
}

TEST(NetClient, RequestIsTheLineZelInfo) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    tagCONNECTINFO info{};
    AskServer(server, &info);
    EXPECT_EQ(server.RequestLine(), "ZEL INFO");
}

TEST(NetClient, OtherAnswerIsNoServer) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOther);
    ASSERT_TRUE(server.IsListening());
    tagCONNECTINFO info{};
    EXPECT_EQ(AskServer(server, &info), 0);
}

TEST(NetClient, ConnectionClosedWithoutAnswerIsNoServer) {
    ZelTestServer server(ZelTestServer::Mode::CloseAtOnce);
    ASSERT_TRUE(server.IsListening());
    tagCONNECTINFO info{};
    EXPECT_EQ(AskServer(server, &info), 0);
}

TEST(NetClient, SilentServerIsNoServer) {
    ZelTestServer server(ZelTestServer::Mode::StaySilent);
    ASSERT_TRUE(server.IsListening());
    tagCONNECTINFO info{};
    EXPECT_EQ(AskServer(server, &info), 0);
}

TEST(NetClient, NothingListeningGivesNoConnection) {
    RefusingLoopbackPort port;
    ASSERT_TRUE(port.IsHeld());
    const std::string text = PortText(port.Port());
    EXPECT_EQ(NetOpenConnect("127.0.0.1", text.c_str(), nullptr), nullptr);
}

TEST(NetClient, TextWithoutPortGivesNoConnection) {
    for (const char* text : {"", "server", "0", "65536", "-80", "99999999999"}) {
        EXPECT_EQ(NetOpenConnect("127.0.0.1", text, nullptr), nullptr) << text;
    }
}

TEST(NetClient, TextAfterThePortIsIgnored) {
    ZelTestServer server(ZelTestServer::Mode::AnswerOk);
    ASSERT_TRUE(server.IsListening());
    const std::string text = PortText(server.Port(), " ZELDATA 1");
    HZCONN connection = NetOpenConnect("127.0.0.1", text.c_str(), nullptr);
    ASSERT_NE(connection, nullptr);
    tagCONNECTINFO info{};
    EXPECT_EQ(NetGetConnectInfo(connection, &info, nullptr, nullptr), 1);
    NetCloseConnect(connection);
}

TEST(NetClient, NoConnectionIsNoServer) {
    tagCONNECTINFO info{};
    EXPECT_EQ(NetGetConnectInfo(nullptr, &info, nullptr, nullptr), 0);
    EXPECT_EQ(NetCloseConnect(nullptr), 0);
}

}  // namespace
