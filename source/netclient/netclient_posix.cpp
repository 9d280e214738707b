#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>

#include "netclient_socket.h"

namespace {

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd entry{};
    entry.fd = fd;
    entry.events = events;
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

bool SetBlocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

}  // namespace

NetSocket SocketConnect(const char* host, uint16_t port, int timeoutMs) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return NO_SOCKET;
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof(address));
    ::freeaddrinfo(found);
    address.sin_port = htons(port);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return NO_SOCKET;
    bool connected = false;
    if (SetBlocking(fd, false)) {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            connected = true;
        } else if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, timeoutMs)) {
            int error = 0;
            socklen_t length = sizeof(error);
            connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
    if (!connected || !SetBlocking(fd, true)) {
        ::close(fd);
        return NO_SOCKET;
    }
    return fd;
}

bool SocketSendAll(NetSocket socket, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

int SocketReceive(NetSocket socket, char* buffer, int size, int timeoutMs) {
    if (!WaitFor(static_cast<int>(socket), POLLIN, timeoutMs)) return -1;
    for (;;) {
        const ssize_t received = ::recv(static_cast<int>(socket), buffer, static_cast<size_t>(size), 0);
        if (received < 0 && errno == EINTR) continue;
        return received < 0 ? -1 : static_cast<int>(received);
    }
}

void SocketClose(NetSocket socket) {
    if (socket != NO_SOCKET) ::close(static_cast<int>(socket));
}

namespace {

NetSocket BindLoopback(uint16_t* port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return NO_SOCKET;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        (listening && ::listen(fd, 4) != 0) || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return NO_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

NetSocket SocketListenLoopback(uint16_t* port) { return BindLoopback(port, true); }

NetSocket SocketReserveLoopback(uint16_t* port) { return BindLoopback(port, false); }

NetSocket SocketAccept(NetSocket listener, int timeoutMs) {
    if (!WaitFor(static_cast<int>(listener), POLLIN, timeoutMs)) return NO_SOCKET;
    const int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? NO_SOCKET : fd;
}
