// HTTP GET requests, the one thing the download and the web page need from
// a backend (libcurl on Linux, WinINet on Windows). A request runs without
// blocking its caller: the owner polls it from its own loop, which can keep
// a window responsive in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/result.h"

namespace quellon::platform {

struct HttpLimits {
    // Time to make the connection (name look-up included).
    int connectTimeoutMs = 10000;
    // Time for the whole transfer, redirects included.
    int totalTimeoutMs = 60000;
    // A transfer that receives less than lowSpeedBytesPerSecond on average
    // over this long has stalled and failed (a server trickling a few bytes
    // a second must not hold a check for many minutes).
    int stallTimeoutMs = 20000;
    std::int64_t lowSpeedBytesPerSecond = 1024;
    // A longer body fails the request.
    std::int64_t maxBytes = 4 << 20;
};

// Why a request got no complete response.
enum class HttpFailure {
    kNone,       // a complete response arrived, whatever its status
    kBadUrl,     // not an http:// or https:// URL
    kResolve,    // the host name was not found
    kConnect,    // the connection was refused or could not be made in time
    kTimeout,    // a time limit of HttpLimits ran out
    kTls,        // the TLS handshake or the server's certificate failed
    kCut,        // the body broke off before its announced end
    kTooLarge,   // the body exceeded HttpLimits::maxBytes
    kRedirects,  // too many redirects, or one to a scheme not allowed
    kOther,
};

struct HttpResponse {
    HttpFailure failure = HttpFailure::kNone;
    // The status of the last response (after redirects); 0 when none came.
    int status = 0;
    // The Content-Length the last response announced; -1 when it had none.
    std::int64_t contentLength = -1;
    std::string contentType;
    std::string body;
    // The backend's own words on a failure; read it through Outcome().
    std::string reason;

    // A complete 2xx response.
    bool Succeeded() const {
        return failure == HttpFailure::kNone && status >= 200 && status < 300;
    }
    // Ok for a complete 2xx response; else why not, for people: the
    // backend's words, the failure's name, or the HTTP status.
    Status Outcome() const;
};

// A body shorter than its announced length is a cut one, whatever the
// transport said; backends call this on every finished response.
void CheckAnnouncedLength(HttpResponse& response);
// The readable name of a failure ("connection refused or failed" ...).
std::string_view DescribeFailure(HttpFailure failure);
// Whether the URL is one a request may be made for (http:// or https://,
// ignoring case).
bool IsHttpUrl(std::string_view url);
// Whether a request that began at `from` may be redirected to `to`: to an
// http:// or https:// URL, and never from https to plain http (which would
// hand the transfer to anyone on the network path).
bool RedirectAllowed(std::string_view from, std::string_view to);
// The schemes a request that begins at `url` may be redirected to, as
// libcurl names them: "https" for an https URL, "http,https" otherwise.
std::string_view RedirectSchemes(std::string_view url);

// One GET request in flight. Destroying it cancels the transfer.
class HttpRequest {
public:
    virtual ~HttpRequest() = default;
    // Lets the transfer make progress, waiting at most `waitMs` for the
    // network; true once it has finished, and Response() is final.
    virtual bool Poll(int waitMs) = 0;
    virtual const HttpResponse& Response() const = 0;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Starts a GET request: redirects are followed (http and https only,
    // never from https to http: RedirectAllowed),
    // TLS certificates are checked, nothing is cached. Never null.
    virtual std::unique_ptr<HttpRequest> Get(std::string_view url, const HttpLimits& limits) = 0;
};

}  // namespace quellon::platform
