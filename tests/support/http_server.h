// A small HTTP/1.1 server on 127.0.0.1 for tests, running in threads of the
// test's own process (so a Windows test program under Wine talks to it over
// winsock, as a Linux one does over its sockets). It serves the routes a
// test gives it with real responses: any status, headers and body, a body
// cut short of its Content-Length, a server that accepts and then says
// nothing, a slow one; connections are kept alive as HTTP/1.1 does.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "support/socket_shim.h"

namespace quellon::testing {

class HttpServer {
public:
    struct Route {
        enum class Mode {
            kNormal,
            // Announces body.size() + missingBytes, sends the body, closes.
            kTruncated,
            // Reads the request and never answers (until the server stops).
            kSilent,
            // Sends the headers, then the body one byte every delayMs.
            kTrickle,
            // The body in chunked transfer coding, in pieces of 7 bytes.
            kChunked,
            // As kChunked, but the connection closes after the last piece,
            // without the closing zero-length chunk.
            kChunkedCut,
            // No Content-Length: the body, then the connection is reset.
            kReset,
            // No Content-Length: the body, then the connection closes in
            // order (all HTTP has to tell the end of such a body).
            kCloseWithoutLength,
        };
        int status = 200;
        std::string contentType = "text/html";
        std::string body;
        // Extra header lines, "Name: value" without line ends.
        std::vector<std::string> headers;
        Mode mode = Mode::kNormal;
        std::int64_t missingBytes = 0;
        // Waited before answering (and between pieces for kTrickle).
        int delayMs = 0;
        // How many bytes kTrickle sends at a time.
        int trickleBytes = 1;
    };

    HttpServer();
    // Stops accepting, breaks every open connection and waits for them.
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string Base() const;
    std::string Url(std::string_view path) const { return Base() + std::string(path); }

    // What the server answers for a path (the query part is part of it).
    // Paths without a route get a 404 page.
    void Serve(std::string path, Route route);
    void ServeBody(std::string path, std::string body, int status = 200,
                   std::string contentType = "text/html");
    // A redirect with the given status to `location`.
    void Redirect(std::string path, std::string location, int status = 302);

    // How many requests asked for the path.
    int Requests(std::string_view path) const;
    int TotalRequests() const;
    // How many connections were accepted.
    int Connections() const { return connections_.load(); }

    // A port on 127.0.0.1 where nothing listens: a connection is refused.
    static int RefusedPort();

private:
    void AcceptLoop();
    void Handle(net::Socket s);
    bool Answer(net::Socket s, const std::string& path);
    bool Pause(int ms) const;

    net::Socket listener_ = net::kInvalidSocket;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::map<std::string, Route, std::less<>> routes_;
    std::map<std::string, int, std::less<>> requests_;
    std::vector<std::thread> handlers_;
};

}  // namespace quellon::testing
