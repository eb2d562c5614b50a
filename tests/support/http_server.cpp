#include "support/http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace quellon::testing {

namespace {

std::string ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

HttpServer::HttpServer() {
    listener_ = net::ListenOnLoopback(port_);
    if (listener_ == net::kInvalidSocket) {
        ADD_FAILURE() << "the test HTTP server cannot listen on 127.0.0.1";
        return;
    }
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
    stopping_.store(true);
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    net::Close(listener_);
    std::vector<std::thread> handlers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handlers.swap(handlers_);
    }
    for (std::thread& t : handlers) {
        t.join();
    }
}

std::string HttpServer::Base() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void HttpServer::Serve(std::string path, Route route) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[std::move(path)] = std::move(route);
}

void HttpServer::ServeBody(std::string path, std::string body, int status,
                           std::string contentType) {
    Route route;
    route.status = status;
    route.body = std::move(body);
    route.contentType = std::move(contentType);
    Serve(std::move(path), std::move(route));
}

void HttpServer::Redirect(std::string path, std::string location, int status) {
    Route route;
    route.status = status;
    route.headers.push_back("Location: " + location);
    route.body = "<a href=\"" + location + "\">moved</a>";
    Serve(std::move(path), std::move(route));
}

int HttpServer::Requests(std::string_view path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = requests_.find(path);
    return it == requests_.end() ? 0 : it->second;
}

int HttpServer::TotalRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int total = 0;
    for (const auto& [path, n] : requests_) {
        total += n;
    }
    return total;
}

int HttpServer::RefusedPort() {
    int port = 0;
    const net::Socket s = net::ListenOnLoopback(port);
    net::Close(s);
    return port;
}

void HttpServer::AcceptLoop() {
    while (!stopping_.load()) {
        if (!net::WaitReadable(listener_, 50)) {
            continue;
        }
        const net::Socket s = net::Accept(listener_);
        if (s == net::kInvalidSocket) {
            continue;
        }
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        handlers_.emplace_back([this, s] {
            Handle(s);
            net::Close(s);
        });
    }
}

bool HttpServer::Pause(int ms) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (stopping_.load()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !stopping_.load();
}

void HttpServer::Handle(net::Socket s) {
    std::string pending;
    char buffer[4096];
    for (;;) {
        // One request's head: up to the blank line.
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
            if (stopping_.load()) {
                return;
            }
            if (!net::WaitReadable(s, 50)) {
                continue;
            }
            const long n = net::Receive(s, buffer, sizeof buffer);
            if (n <= 0) {
                return;  // the client closed the connection
            }
            pending.append(buffer, static_cast<size_t>(n));
        }
        const std::string head = pending.substr(0, end);
        pending.erase(0, end + 4);
        // "GET /path HTTP/1.1"
        const size_t first = head.find(' ');
        const size_t second = head.find(' ', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            return;
        }
        const std::string path = head.substr(first + 1, second - first - 1);
        std::string lowered = head;
        std::transform(lowered.begin(), lowered.end(), lowered.begin(), Lower);
        const bool close = lowered.find("\r\nconnection: close") != std::string::npos ||
                           lowered.find(" http/1.0\r\n") != std::string::npos;
        if (!Answer(s, path) || close) {
            return;
        }
    }
}

bool HttpServer::Answer(net::Socket s, const std::string& path) {
    Route route;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requests_[path];
        const auto it = routes_.find(path);
        if (it != routes_.end()) {
            route = it->second;
        } else {
            route.status = 404;
            route.body = "<html><body><h1>Not Found</h1></body></html>";
        }
    }
    if (route.mode == Route::Mode::kSilent) {
        while (Pause(50)) {
        }
        return false;
    }
    if (route.delayMs > 0 && route.mode != Route::Mode::kTrickle && !Pause(route.delayMs)) {
        return false;
    }
    std::string response =
        "HTTP/1.1 " + std::to_string(route.status) + " " + ReasonPhrase(route.status) + "\r\n";
    if (!route.contentType.empty()) {
        response += "Content-Type: " + route.contentType + "\r\n";
    }
    for (const std::string& header : route.headers) {
        response += header + "\r\n";
    }
    if (route.mode == Route::Mode::kChunked || route.mode == Route::Mode::kChunkedCut) {
        response += "Transfer-Encoding: chunked\r\n\r\n";
        for (size_t at = 0; at < route.body.size(); at += 7) {
            const std::string piece = route.body.substr(at, 7);
            char size[16];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            response += size + piece + "\r\n";
        }
        if (route.mode == Route::Mode::kChunkedCut) {
            net::SendAll(s, response);
            return false;
        }
        response += "0\r\n\r\n";
        return net::SendAll(s, response);
    }
    if (route.mode == Route::Mode::kReset || route.mode == Route::Mode::kCloseWithoutLength) {
        response += "Connection: close\r\n\r\n" + route.body;
        if (net::SendAll(s, response) && route.mode == Route::Mode::kReset) {
            // Let the bytes leave before the reset, which would drop them.
            Pause(200);
            net::ResetOnClose(s);
        }
        return false;
    }
    const std::int64_t announced = static_cast<std::int64_t>(route.body.size()) +
                                   (route.mode == Route::Mode::kTruncated ? route.missingBytes : 0);
    response += "Content-Length: " + std::to_string(announced) + "\r\n\r\n";
    if (route.mode == Route::Mode::kTrickle) {
        if (!net::SendAll(s, response)) {
            return false;
        }
        const size_t step = static_cast<size_t>(std::max(1, route.trickleBytes));
        for (size_t at = 0; at < route.body.size(); at += step) {
            if (!Pause(route.delayMs) ||
                !net::SendAll(s, std::string_view(route.body).substr(at, step))) {
                return false;
            }
        }
        return true;
    }
    response += route.body;
    if (!net::SendAll(s, response)) {
        return false;
    }
    // A truncated body ends with the connection.
    return route.mode != Route::Mode::kTruncated;
}

}  // namespace quellon::testing
