#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <mutex>

#include "netclient_socket.h"

namespace {

bool StartWinsock() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data;
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

SOCKET AsSocket(NetSocket socket) { return static_cast<SOCKET>(socket); }

// select() rather than WSAPoll: both Windows and Wine have always had it.
bool WaitFor(SOCKET socket, bool forWriting, int timeoutMs) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval timeout{};
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    const int count = ::select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr,
                               forWriting ? &failed : nullptr, &timeout);
    return count > 0 && FD_ISSET(socket, &ready);
}

bool SetBlocking(SOCKET socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    // FIONBIO is an unsigned constant for a long parameter: the same bits.
    constexpr long kSetNonBlocking = static_cast<long>(FIONBIO);
    return ::ioctlsocket(socket, kSetNonBlocking, &nonBlocking) == 0;
}

}  // namespace

NetSocket SocketConnect(const char* host, uint16_t port, int timeoutMs) {
    if (!StartWinsock()) return NO_SOCKET;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return NO_SOCKET;
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof(address));
    ::freeaddrinfo(found);
    address.sin_port = htons(port);

    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return NO_SOCKET;
    bool connected = false;
    if (SetBlocking(socket, false)) {
        if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            connected = true;
        } else if (::WSAGetLastError() == WSAEWOULDBLOCK && WaitFor(socket, true, timeoutMs)) {
            int error = 0;
            int length = sizeof(error);
            connected =
                ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
        }
    }
    if (!connected || !SetBlocking(socket, true)) {
        ::closesocket(socket);
        return NO_SOCKET;
    }
    return static_cast<NetSocket>(socket);
}

bool SocketSendAll(NetSocket socket, const char* data, size_t size) {
    while (size > 0) {
        const int chunk = size > 65536 ? 65536 : static_cast<int>(size);
        const int sent = ::send(AsSocket(socket), data, chunk, 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

int SocketReceive(NetSocket socket, char* buffer, int size, int timeoutMs) {
    if (!WaitFor(AsSocket(socket), false, timeoutMs)) return -1;
    const int received = ::recv(AsSocket(socket), buffer, size, 0);
    return received < 0 ? -1 : received;
}

void SocketClose(NetSocket socket) {
    if (socket != NO_SOCKET) ::closesocket(AsSocket(socket));
}

namespace {

NetSocket BindLoopback(uint16_t* port, bool listening) {
    if (!StartWinsock()) return NO_SOCKET;
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return NO_SOCKET;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        (listening && ::listen(socket, 4) != 0) ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::closesocket(socket);
        return NO_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return static_cast<NetSocket>(socket);
}

}  // namespace

NetSocket SocketListenLoopback(uint16_t* port) { return BindLoopback(port, true); }

NetSocket SocketReserveLoopback(uint16_t* port) { return BindLoopback(port, false); }

NetSocket SocketAccept(NetSocket listener, int timeoutMs) {
    if (!WaitFor(AsSocket(listener), false, timeoutMs)) return NO_SOCKET;
    const SOCKET socket = ::accept(AsSocket(listener), nullptr, nullptr);
    return socket == INVALID_SOCKET ? NO_SOCKET : static_cast<NetSocket>(socket);
}
