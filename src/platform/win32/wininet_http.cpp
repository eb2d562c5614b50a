#include "platform/win32/wininet_http.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace quellon::win32 {

using platform::HttpFailure;
using platform::HttpLimits;
using platform::HttpResponse;

namespace {

HttpFailure FailureOf(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return HttpFailure::kResolve;
        case ERROR_INTERNET_CANNOT_CONNECT:
            return HttpFailure::kConnect;
        case ERROR_INTERNET_TIMEOUT:
            return HttpFailure::kTimeout;
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_CERT_NO_REV:
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_INVALID_CERT:
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
            return HttpFailure::kTls;
        case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        case ERROR_INTERNET_INVALID_URL:
            return HttpFailure::kBadUrl;
        case ERROR_HTTP_REDIRECT_FAILED:
        case ERROR_INTERNET_REDIRECT_SCHEME_CHANGE:
        case ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR:
            return HttpFailure::kRedirects;
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_CONNECTION_RESET:
        case ERROR_HTTP_INVALID_SERVER_RESPONSE:
            return HttpFailure::kCut;
        default:
            return HttpFailure::kOther;
    }
}

std::string ReasonOf(DWORD error) {
    return "WinINet error " + std::to_string(error);
}

class Handle {
public:
    explicit Handle(HINTERNET h = nullptr) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (h_ != nullptr) {
            ::InternetCloseHandle(h_);
        }
    }
    HINTERNET Get() const { return h_; }

private:
    HINTERNET h_;
};

std::string QueryText(HINTERNET request, DWORD what) {
    std::string buffer(256, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (::HttpQueryInfoA(request, what, buffer.data(), &size, nullptr)) {
            buffer.resize(size);
            return buffer;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return {};
        }
        buffer.assign(size + 1, '\0');
    }
    return {};
}

using Steady = std::chrono::steady_clock;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch())
        .count();
}

// What the worker and the owner share; the last of them frees it.
struct Shared {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::atomic<bool> cancelled{false};
    // How many bytes of the body the worker has received so far.
    std::atomic<std::int64_t> received{0};
    HttpResponse response;
};

void Transfer(const std::string& url, const HttpLimits& limits, Shared& shared, HttpResponse& out) {
    const auto started = Steady::now();
    Handle session(
        ::InternetOpenA("Quellon Pro", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (session.Get() == nullptr) {
        out.failure = HttpFailure::kOther;
        out.reason = ReasonOf(::GetLastError());
        return;
    }
    DWORD connectMs = static_cast<DWORD>(limits.connectTimeoutMs);
    DWORD stallMs = static_cast<DWORD>(limits.stallTimeoutMs);
    ::InternetSetOptionA(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs,
                         sizeof connectMs);
    ::InternetSetOptionA(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &stallMs, sizeof stallMs);
    ::InternetSetOptionA(session.Get(), INTERNET_OPTION_SEND_TIMEOUT, &stallMs, sizeof stallMs);
    // Fresh from the server, never from or into the cache, never a dialog.
    // Certificate errors are not ignored.
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_KEEP_CONNECTION;
    Handle request(::InternetOpenUrlA(session.Get(), url.c_str(), "Cache-Control: no-cache\r\n",
                                      static_cast<DWORD>(-1), flags, 0));
    if (request.Get() == nullptr) {
        const DWORD error = ::GetLastError();
        out.failure = FailureOf(error);
        out.reason = ReasonOf(error);
        return;
    }
    // The address the request ended at, after the redirects WinINet
    // followed: never from https to plain http.
    {
        std::string last(2048, '\0');
        DWORD lastSize = static_cast<DWORD>(last.size());
        if (::InternetQueryOptionA(request.Get(), INTERNET_OPTION_URL, last.data(), &lastSize)) {
            last.resize(std::min<size_t>(lastSize, last.size()));
            last.resize(last.find('\0') == std::string::npos ? last.size() : last.find('\0'));
            if (!platform::RedirectAllowed(url, last)) {
                out.failure = HttpFailure::kRedirects;
                out.reason = "redirected from https to " + last;
                return;
            }
        }
    }
    // Reads wait for the stall time at most; the request handle has its own
    // setting, which the session's does not always reach.
    ::InternetSetOptionA(request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &stallMs, sizeof stallMs);
    DWORD status = 0;
    DWORD size = sizeof status;
    if (::HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                         &size, nullptr)) {
        out.status = static_cast<int>(status);
    }
    const std::string length = QueryText(request.Get(), HTTP_QUERY_CONTENT_LENGTH);
    std::int64_t announced = -1;
    const auto parsed = std::from_chars(length.data(), length.data() + length.size(), announced);
    if (!length.empty() && parsed.ec == std::errc() && announced >= 0) {
        out.contentLength = announced;
    }
    out.contentType = QueryText(request.Get(), HTTP_QUERY_CONTENT_TYPE);
    char chunk[64 * 1024];
    for (;;) {
        if (shared.cancelled.load()) {
            out.failure = HttpFailure::kOther;
            out.reason = "cancelled";
            return;
        }
        if (Steady::now() - started > std::chrono::milliseconds(limits.totalTimeoutMs)) {
            out.failure = HttpFailure::kTimeout;
            out.reason = "time limit reached";
            return;
        }
        DWORD read = 0;
        if (!::InternetReadFile(request.Get(), chunk, sizeof chunk, &read)) {
            const DWORD error = ::GetLastError();
            out.failure =
                error == ERROR_INTERNET_TIMEOUT ? HttpFailure::kTimeout : HttpFailure::kCut;
            out.reason = ReasonOf(error);
            return;
        }
        if (read == 0) {
            break;
        }
        shared.received.fetch_add(read);
        if (static_cast<std::int64_t>(out.body.size() + read) > limits.maxBytes) {
            out.failure = HttpFailure::kTooLarge;
            out.reason = "response too large";
            return;
        }
        out.body.append(chunk, read);
    }
    platform::CheckAnnouncedLength(out);
}

class WinInetRequest : public platform::HttpRequest {
public:
    WinInetRequest(std::string_view url, const HttpLimits& limits)
        : shared_(std::make_shared<Shared>()),
          limits_(limits),
          startedMs_(NowMs()),
          windowStartMs_(startedMs_) {
        if (!platform::IsHttpUrl(url)) {
            response_.failure = HttpFailure::kBadUrl;
            response_.reason = "not an http or https address";
            finished_ = true;
            return;
        }
        std::thread([shared = shared_, address = std::string(url), limits] {
            HttpResponse response;
            Transfer(address, limits, *shared, response);
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->response = std::move(response);
            shared->done = true;
            shared->finished.notify_all();
        }).detach();
    }

    ~WinInetRequest() override { shared_->cancelled.store(true); }

    bool Poll(int waitMs) override {
        if (finished_) {
            return true;
        }
        std::unique_lock<std::mutex> lock(shared_->mutex);
        shared_->finished.wait_for(lock, std::chrono::milliseconds(waitMs > 0 ? waitMs : 0),
                                   [this] { return shared_->done; });
        if (shared_->done) {
            response_ = std::move(shared_->response);
            finished_ = true;
            return true;
        }
        // WinINet does not always keep its own receive time-out (Wine's does
        // not) and has no low-speed limit: the limits are kept here. Less
        // than the low speed on average over a stall time is a stalled
        // transfer. The worker is told to stop and ends by itself; what it
        // still gets is not used.
        const std::int64_t now = NowMs();
        bool stalled = false;
        if (now - windowStartMs_ >= limits_.stallTimeoutMs) {
            const std::int64_t received = shared_->received.load();
            const std::int64_t needed = std::max<std::int64_t>(
                1, limits_.lowSpeedBytesPerSecond * limits_.stallTimeoutMs / 1000);
            stalled = received - windowBytes_ < needed;
            windowStartMs_ = now;
            windowBytes_ = received;
        }
        if (stalled || now - startedMs_ > limits_.totalTimeoutMs) {
            shared_->cancelled.store(true);
            response_ = HttpResponse{};
            response_.failure = HttpFailure::kTimeout;
            response_.reason = "time limit reached";
            finished_ = true;
            return true;
        }
        return false;
    }

    const HttpResponse& Response() const override { return response_; }

private:
    std::shared_ptr<Shared> shared_;
    HttpLimits limits_;
    std::int64_t startedMs_;
    // The stall window: when it began and how much had come by then.
    std::int64_t windowStartMs_;
    std::int64_t windowBytes_ = 0;
    HttpResponse response_;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<platform::HttpRequest> WinInetHttpClient::Get(std::string_view url,
                                                              const HttpLimits& limits) {
    return std::make_unique<WinInetRequest>(url, limits);
}

}  // namespace quellon::win32
