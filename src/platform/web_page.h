// The hidden browser's page: navigate to a URL, watch it load, read its
// text. The caller polls it from its own loop; the page never blocks.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "html/html_text.h"
#include "platform/http.h"

namespace quellon::platform {

// Ready states as a browser reports them.
inline constexpr int kReadyStateUninitialized = 0;
inline constexpr int kReadyStateLoading = 1;
inline constexpr int kReadyStateComplete = 4;

class WebPage {
public:
    virtual ~WebPage() = default;
    // Begins loading a page. The navigation before it ends, its document
    // goes and the completed flag is cleared.
    virtual void Navigate(std::string_view url) = 0;
    // Lets the load make progress, waiting at most `waitMs` for the network.
    virtual void Poll(int waitMs) = 0;
    // Ends the navigation in progress, as a failed one.
    virtual void Stop() = 0;
    virtual void SetLimits(const HttpLimits& limits) = 0;

    // Whether a navigation is in progress.
    virtual bool Busy() const = 0;
    virtual int ReadyState() const = 0;
    // Set when the last navigation has ended (loaded or failed), cleared
    // when a new one begins.
    virtual bool NavigationCompleted() const = 0;
    // The last navigation failed outright: no page came (the name was not
    // found, the connection was refused or broke off, a time limit ran out)
    // or the server answered with an error status. Nothing more will come.
    virtual bool Failed() const = 0;
    virtual std::string FailureReason() const = 0;
    // Why no page came; kNone when one came (also with an error status).
    virtual HttpFailure Failure() const = 0;
    // The status of the last response; 0 when none came.
    virtual int HttpStatus() const = 0;

    // Whether a loaded document with a body is there.
    virtual bool HasBody() const = 0;
    // The body's inner text (ANSI); empty without a body.
    virtual std::string_view BodyText() const = 0;
    // The document's elements in document order, each by its inner text.
    virtual std::size_t ElementCount() const = 0;
    virtual std::string_view ElementText(std::size_t index) const = 0;
};

// The limits of a version page: a small page the caller also times out.
inline HttpLimits PageLimits() {
    HttpLimits limits;
    limits.totalTimeoutMs = 60000;
    limits.stallTimeoutMs = 60000;
    limits.maxBytes = 4 << 20;
    return limits;
}

// The page over a backend's HTTP requests and the portable HTML reader.
class HttpWebPage : public WebPage {
public:
    explicit HttpWebPage(HttpClient& http) : http_(http), limits_(PageLimits()) {}

    void Navigate(std::string_view url) override;
    void Poll(int waitMs) override;
    void Stop() override;
    void SetLimits(const HttpLimits& limits) override { limits_ = limits; }
    bool Busy() const override { return request_ != nullptr; }
    int ReadyState() const override { return readyState_; }
    bool NavigationCompleted() const override { return completed_; }
    bool Failed() const override { return failed_; }
    std::string FailureReason() const override { return reason_; }
    HttpFailure Failure() const override { return failure_; }
    int HttpStatus() const override { return status_; }
    bool HasBody() const override { return loaded_ && document_.body != html::kNone; }
    std::string_view BodyText() const override;
    std::size_t ElementCount() const override { return loaded_ ? document_.elements.size() : 0; }
    std::string_view ElementText(std::size_t index) const override;

private:
    void Finish(const HttpResponse& response);

    HttpClient& http_;
    HttpLimits limits_;
    std::unique_ptr<HttpRequest> request_;
    html::Document document_;
    bool loaded_ = false;
    bool completed_ = false;
    bool failed_ = false;
    HttpFailure failure_ = HttpFailure::kNone;
    int readyState_ = kReadyStateUninitialized;
    int status_ = 0;
    std::string reason_;
};

}  // namespace quellon::platform
