// Network client: asks a server on this machine whether it runs. The
// server answers the line "ZEL INFO" with a line beginning "ZEL OK"
// (docs/network-client.md).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

#include "netclient_socket.h"
#include "zelkit.h"
#include "zemdaemon.h"

struct ZConnection {
    NetSocket socket = NO_SOCKET;
    uint32_t port = 0;
    int timeoutMilliseconds = 0;
};

namespace {

constexpr int kDefaultTimeoutMilliseconds = 2000;
constexpr const char* kInfoRequest = "ZEL INFO\n";
constexpr const char* kOkAnswer = "ZEL OK";
// An answer line longer than this is not one of ours.
constexpr int kMaxAnswer = 1024;

// The decimal port at the start of the connection text (blanks before it
// are allowed); 0 when there is none or it is out of range.
uint32_t ParsePort(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    uint32_t port = 0;
    int digits = 0;
    for (; *text >= '0' && *text <= '9'; ++text, ++digits) {
        port = port * 10 + static_cast<uint32_t>(*text - '0');
        if (port > 65535) return 0;
    }
    return digits ? port : 0;
}

// Reads one line (up to LF, without it and without a CR before it) into
// line; false when the connection closes, fails or stays silent before the
// whole line is in, or the time allowed runs out.
bool ReceiveLine(const ZConnection& connection, char* line, int size) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(connection.timeoutMilliseconds);
    int length = 0;
    char chunk[256];
    while (length < kMaxAnswer) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        const int received = SocketReceive(connection.socket, chunk, sizeof(chunk), static_cast<int>(left));
        if (received <= 0) return false;
        for (int i = 0; i < received; ++i) {
            if (chunk[i] == '\n') {
                if (length > 0 && length <= size - 1 && line[length - 1] == '\r') --length;
                line[length < size ? length : size - 1] = '\0';
                return true;
            }
            if (length < size - 1) line[length] = chunk[i];
            ++length;
        }
    }
    return false;
}

}  // namespace

HZCONN NetOpenConnect(const char* host, const char* connectText, tagCONNECTOPTION* options) {
    if (Z_FaultPoint("NetOpenConnect")) return nullptr;
    if (!host || !*host || !connectText) {
        Z_SetLastErrorText(Z_ERROR_BAD_ARGUMENT, "No host or connection text to connect with.");
        return nullptr;
    }
    const uint32_t port = ParsePort(connectText);
    if (port == 0) {
        Z_SetLastErrorText(Z_ERROR_BAD_ARGUMENT, "The connection text \"%s\" does not begin with a port.", connectText);
        return nullptr;
    }
    const int timeout = options && options->timeoutMilliseconds ? static_cast<int>(options->timeoutMilliseconds)
                                                                : kDefaultTimeoutMilliseconds;
    const NetSocket socket = SocketConnect(host, static_cast<uint16_t>(port), timeout);
    if (socket == NO_SOCKET) {
        Z_SetLastErrorText(Z_ERROR_IO, "Cannot connect to %s port %u.", host, static_cast<unsigned>(port));
        return nullptr;
    }
    auto* connection = new (std::nothrow) ZConnection;
    if (!connection) {
        SocketClose(socket);
        Z_SetLastErrorText(Z_ERROR_NO_MEMORY, "Out of memory.");
        return nullptr;
    }
    connection->socket = socket;
    connection->port = port;
    connection->timeoutMilliseconds = timeout;
    return connection;
}

int NetGetConnectInfo(HZCONN connection, tagCONNECTINFO* info, void* /*reserved1*/, void* /*reserved2*/) {
    if (Z_FaultPoint("NetGetConnectInfo")) return 0;
    if (!connection) {
        Z_SetLastErrorText(Z_ERROR_BAD_ARGUMENT, "No connection.");
        return 0;
    }
    char answer[sizeof(info->serverText)];
    if (!SocketSendAll(connection->socket, kInfoRequest, std::strlen(kInfoRequest)) ||
        !ReceiveLine(*connection, answer, sizeof(answer))) {
        Z_SetLastErrorText(Z_ERROR_IO, "The server on port %u did not answer.",
                           static_cast<unsigned>(connection->port));
        return 0;
    }
    if (std::strncmp(answer, kOkAnswer, std::strlen(kOkAnswer)) != 0) {
        Z_SetLastErrorText(Z_ERROR_IO, "The server on port %u answered \"%s\".",
                           static_cast<unsigned>(connection->port), answer);
        return 0;
    }
    if (info) {
        std::memset(info, 0, sizeof(*info));
        std::snprintf(info->serverText, sizeof(info->serverText), "%s", answer);
        info->port = connection->port;
    }
    return 1;
}

int NetCloseConnect(HZCONN connection) {
    if (!connection) return 0;
    SocketClose(connection->socket);
    delete connection;
    return 1;
}
