// The few socket calls the test HTTP server makes, over POSIX sockets or
// winsock (socket_shim_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellon::testing::net {

using Socket = std::intptr_t;
inline constexpr Socket kInvalidSocket = -1;

// A socket listening on 127.0.0.1 at a port the system picks; `port`
// receives it.
Socket ListenOnLoopback(int& port);
// Waits at most `ms` for the socket to have something to read (a listening
// socket: a connection to accept).
bool WaitReadable(Socket s, int ms);
Socket Accept(Socket listener);
// Bytes read; 0 when the peer closed, below 0 on an error.
long Receive(Socket s, char* buffer, std::size_t size);
bool SendAll(Socket s, std::string_view bytes);
void Close(Socket s);
// Makes the next Close reset the connection (an RST) instead of ending it
// in order.
void ResetOnClose(Socket s);

}  // namespace quellon::testing::net
