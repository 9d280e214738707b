// A server on 127.0.0.1 that speaks just enough of the server's protocol
// for the network client's tests: it takes one connection on a port the
// system picks and answers as its mode says. Every wait is bounded.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "netclient_socket.h"

class ZelTestServer {
public:
    enum class Mode {
        AnswerOk,     // answers "ZEL OK"
        AnswerOther,  // answers another line
        CloseAtOnce,  // closes the connection without reading
        StaySilent,   // reads the request and says nothing
    };

    explicit ZelTestServer(Mode mode);
    ~ZelTestServer();
    ZelTestServer(const ZelTestServer&) = delete;
    ZelTestServer& operator=(const ZelTestServer&) = delete;

    bool IsListening() const { return listener_ != NO_SOCKET; }
    uint16_t Port() const { return port_; }
    // Waits until the one connection is served; then the request line it
    // got (without its line end) is known.
    void Finish();
    std::string RequestLine();

private:
    void Serve();

    Mode mode_;
    NetSocket listener_ = NO_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> accepted_{false};
    std::thread thread_;
    std::mutex lock_;
    std::string requestLine_;
};

// A loopback port on which nothing listens, held for the object's life so
// that no other program can start listening on it meanwhile.
class RefusingLoopbackPort {
public:
    RefusingLoopbackPort() : socket_(SocketReserveLoopback(&port_)) {}
    ~RefusingLoopbackPort() { SocketClose(socket_); }
    RefusingLoopbackPort(const RefusingLoopbackPort&) = delete;
    RefusingLoopbackPort& operator=(const RefusingLoopbackPort&) = delete;

    bool IsHeld() const { return socket_ != NO_SOCKET; }
    uint16_t Port() const { return port_; }

private:
    uint16_t port_ = 0;
    NetSocket socket_;
};
