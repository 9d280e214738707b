// The few socket operations the network client needs, one file per
// platform (netclient_posix.cpp, netclient_win32.cpp). All of them keep to
// IPv4 TCP and are bounded in time.
#pragma once

#include <cstddef>
#include <cstdint>

using NetSocket = intptr_t;
constexpr NetSocket NO_SOCKET = -1;

// Connects to host:port, giving up after timeoutMs.
NetSocket SocketConnect(const char* host, uint16_t port, int timeoutMs);
bool SocketSendAll(NetSocket socket, const char* data, size_t size);
// Bytes received (>0), 0 when the other side closed, -1 on an error or
// when nothing came within timeoutMs.
int SocketReceive(NetSocket socket, char* buffer, int size, int timeoutMs);
void SocketClose(NetSocket socket);

// A listener on 127.0.0.1 at a port the system picks (written to *port),
// for test servers.
NetSocket SocketListenLoopback(uint16_t* port);
// A socket bound to 127.0.0.1 at a port the system picks, not listening:
// while it is held, a connection to that port is refused and no other
// program can take the port.
NetSocket SocketReserveLoopback(uint16_t* port);
// The next connection, or NO_SOCKET when none came within timeoutMs.
NetSocket SocketAccept(NetSocket listener, int timeoutMs);
