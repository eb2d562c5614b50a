#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "support/socket_shim.h"

namespace quellon::testing::net {

Socket ListenOnLoopback(int& port) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return kInvalidSocket;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 64) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(s);
        return kInvalidSocket;
    }
    port = ntohs(address.sin_port);
    return s;
}

bool WaitReadable(Socket s, int ms) {
    pollfd p{static_cast<int>(s), POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

Socket Accept(Socket listener) {
    const int s = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return s < 0 ? kInvalidSocket : s;
}

long Receive(Socket s, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::recv(static_cast<int>(s), buffer, size, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return static_cast<long>(n);
    }
}

bool SendAll(Socket s, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(static_cast<int>(s), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void ResetOnClose(Socket s) {
    linger off{1, 0};
    ::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_LINGER, &off, sizeof off);
}

void Close(Socket s) {
    if (s != kInvalidSocket) {
        ::close(static_cast<int>(s));
    }
}

}  // namespace quellon::testing::net
