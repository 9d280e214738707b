#include "netclient/zel_test_server.h"

namespace {

constexpr int kAcceptWaitMilliseconds = 5000;
constexpr int kReadWaitMilliseconds = 5000;

}  // namespace

ZelTestServer::ZelTestServer(Mode mode) : mode_(mode) {
    listener_ = SocketListenLoopback(&port_);
    if (listener_ != NO_SOCKET) thread_ = std::thread(&ZelTestServer::Serve, this);
}

ZelTestServer::~ZelTestServer() {
    // A server nobody called would wait out its accept; one call of our
    // own releases it.
    if (thread_.joinable() && !accepted_) SocketClose(SocketConnect("127.0.0.1", port_, 1000));
    Finish();
    SocketClose(listener_);
}

void ZelTestServer::Finish() {
    if (thread_.joinable()) thread_.join();
}

std::string ZelTestServer::RequestLine() {
    std::lock_guard<std::mutex> guard(lock_);
    return requestLine_;
}

void ZelTestServer::Serve() {
    const NetSocket client = SocketAccept(listener_, kAcceptWaitMilliseconds);
    if (client == NO_SOCKET) return;
    accepted_ = true;
    if (mode_ != Mode::CloseAtOnce) {
        std::string line;
        char chunk[64];
        int received = 0;
        while (line.find('\n') == std::string::npos &&
               (received = SocketReceive(client, chunk, sizeof(chunk), kReadWaitMilliseconds)) > 0) {
            line.append(chunk, static_cast<size_t>(received));
        }
        const size_t end = line.find('\n');
        {
            std::lock_guard<std::mutex> guard(lock_);
            requestLine_ = end == std::string::npos ? line : line.substr(0, end);
        }
        if (mode_ == Mode::AnswerOk) {
            const char answer[] = "ZEL OK 6.80\r\n";
            SocketSendAll(client, answer, sizeof(answer) - 1);
        } else if (mode_ == Mode::AnswerOther) {
            const char answer[] = "ZEL BUSY\n";
            SocketSendAll(client, answer, sizeof(answer) - 1);
        }
        // Keep the connection until the client closes it (or the wait ends),
        // so that silence is silence and not a closed connection.
        while (SocketReceive(client, chunk, sizeof(chunk), kReadWaitMilliseconds) > 0) {}
    }
    SocketClose(client);
}
