// The socket shim over winsock.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "support/socket_shim.h"

namespace quellon::testing::net {

namespace {

void Startup() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    });
}

SOCKET S(Socket s) {
    return static_cast<SOCKET>(s);
}

}  // namespace

Socket ListenOnLoopback(int& port) {
    Startup();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        return kInvalidSocket;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 64) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::closesocket(s);
        return kInvalidSocket;
    }
    port = ntohs(address.sin_port);
    return static_cast<Socket>(s);
}

bool WaitReadable(Socket s, int ms) {
    fd_set read;
    FD_ZERO(&read);
    FD_SET(S(s), &read);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    return ::select(0, &read, nullptr, nullptr, &limit) > 0;
}

Socket Accept(Socket listener) {
    const SOCKET s = ::accept(S(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<Socket>(s);
}

long Receive(Socket s, char* buffer, std::size_t size) {
    return ::recv(S(s), buffer, static_cast<int>(size), 0);
}

bool SendAll(Socket s, std::string_view bytes) {
    while (!bytes.empty()) {
        const int n = ::send(S(s), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void ResetOnClose(Socket s) {
    linger off{1, 0};
    ::setsockopt(S(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&off), sizeof off);
}

void Close(Socket s) {
    if (s != kInvalidSocket) {
        ::closesocket(S(s));
    }
}

}  // namespace quellon::testing::net
