// Network client (zemdaemon64): just enough to ask whether a server answers.
#pragma once

#include <cstdint>

struct ZConnection;
using HZCONN = ZConnection*;

struct tagCONNECTOPTION {
    uint32_t flags;
    uint32_t timeoutMilliseconds;
    uint8_t reserved[56];
};
static_assert(sizeof(tagCONNECTOPTION) == 64);

struct tagCONNECTINFO {
    char serverText[248];  // the server's answer line, NUL-ended
    uint32_t port;
    uint32_t reserved;
};
static_assert(sizeof(tagCONNECTINFO) == 256);

// connectText begins with the server's decimal port (line 3 of START.INF).
HZCONN NetOpenConnect(const char* host, const char* connectText, tagCONNECTOPTION* options);
// Nonzero when a running server answered the information request.
int NetGetConnectInfo(HZCONN connection, tagCONNECTINFO* info, void* reserved1, void* reserved2);
int NetCloseConnect(HZCONN connection);
