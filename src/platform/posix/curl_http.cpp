#include "platform/posix/curl_http.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace quellon::posix {

using platform::HttpFailure;
using platform::HttpLimits;
using platform::HttpResponse;

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpFailure FailureOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return HttpFailure::kNone;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return HttpFailure::kBadUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return HttpFailure::kResolve;
        case CURLE_COULDNT_CONNECT:
            return HttpFailure::kConnect;
        case CURLE_OPERATION_TIMEDOUT:
            return HttpFailure::kTimeout;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return HttpFailure::kTls;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return HttpFailure::kCut;
        case CURLE_FILESIZE_EXCEEDED:
            return HttpFailure::kTooLarge;
        case CURLE_TOO_MANY_REDIRECTS:
            return HttpFailure::kRedirects;
        default:
            return HttpFailure::kOther;
    }
}

}  // namespace

// The multi handle, shared by the client and its requests (a request may
// outlive its client and still cleans up).
struct CurlHttpClient::Multi {
    Multi() : handle(curl_multi_init()) {}
    ~Multi() { curl_multi_cleanup(handle); }
    CURLM* handle;
};

namespace {

class CurlRequest;

// Drives every transfer of the multi handle and hands finished ones to
// their requests.
void Drive(CURLM* multi, int waitMs);

class CurlRequest : public platform::HttpRequest {
public:
    CurlRequest(std::shared_ptr<CurlHttpClient::Multi> multi, std::string_view url,
                const HttpLimits& limits)
        : multi_(std::move(multi)), url_(url), maxBytes_(limits.maxBytes) {
        if (!platform::IsHttpUrl(url)) {
            Fail(HttpFailure::kBadUrl, "not an http or https address");
            return;
        }
        easy_ = curl_easy_init();
        if (easy_ == nullptr || multi_->handle == nullptr) {
            Fail(HttpFailure::kOther, "cannot start a transfer");
            return;
        }
        const std::string address(url);
        errors_[0] = '\0';
        curl_easy_setopt(easy_, CURLOPT_URL, address.c_str());
        curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
        curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errors_);
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        // Never from https to plain http: a request that began on https
        // may only be sent on to https.
        const std::string schemes(platform::RedirectSchemes(url));
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, schemes.c_str());
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, "Quellon Pro");
        curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(limits.connectTimeoutMs));
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeoutMs));
        // Less than the low speed on average for the stall time ends the
        // transfer.
        curl_easy_setopt(
            easy_, CURLOPT_LOW_SPEED_LIMIT,
            static_cast<long>(std::max<std::int64_t>(1, limits.lowSpeedBytesPerSecond)));
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(std::max(1, (limits.stallTimeoutMs + 999) / 1000)));
        curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits.maxBytes));
        headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
        headers_ = curl_slist_append(headers_, "Pragma: no-cache");
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlRequest::OnData);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
        if (curl_multi_add_handle(multi_->handle, easy_) != CURLM_OK) {
            Fail(HttpFailure::kOther, "cannot start a transfer");
            return;
        }
        added_ = true;
    }

    ~CurlRequest() override {
        if (added_) {
            curl_multi_remove_handle(multi_->handle, easy_);
        }
        if (easy_ != nullptr) {
            curl_easy_cleanup(easy_);
        }
        curl_slist_free_all(headers_);
    }

    bool Poll(int waitMs) override {
        if (!done_) {
            Drive(multi_->handle, waitMs);
        }
        return done_;
    }

    const HttpResponse& Response() const override { return response_; }

    // The transfer has ended with `code`.
    void Finished(CURLcode code) {
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        response_.status = static_cast<int>(status);
        curl_off_t length = -1;
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        response_.contentLength = length;
        char* type = nullptr;
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_TYPE, &type);
        if (type != nullptr) {
            response_.contentType = type;
        }
        response_.failure = tooLarge_ ? HttpFailure::kTooLarge : FailureOf(code);
        if (code == CURLE_UNSUPPORTED_PROTOCOL && status >= 300 && status < 400) {
            // The URL asked for was http or https: a redirect named a scheme
            // this request may not go to.
            response_.failure = HttpFailure::kRedirects;
        }
        curl_off_t connected = 0;
        curl_easy_getinfo(easy_, CURLINFO_CONNECT_TIME_T, &connected);
        if (response_.failure == HttpFailure::kTimeout && connected == 0) {
            // The time ran out before a connection was made.
            response_.failure = HttpFailure::kConnect;
        }
        if (response_.failure != HttpFailure::kNone) {
            response_.reason = errors_[0] != '\0' ? errors_ : curl_easy_strerror(code);
        }
        char* last = nullptr;
        curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &last);
        if (response_.failure == HttpFailure::kNone && last != nullptr &&
            !platform::RedirectAllowed(url_, last)) {
            response_.failure = HttpFailure::kRedirects;
            response_.reason = "redirected from https to " + std::string(last);
        }
        platform::CheckAnnouncedLength(response_);
        curl_multi_remove_handle(multi_->handle, easy_);
        added_ = false;
        done_ = true;
    }

private:
    void Fail(HttpFailure failure, std::string reason) {
        response_.failure = failure;
        response_.reason = std::move(reason);
        done_ = true;
    }

    static size_t OnData(char* data, size_t size, size_t count, void* self) {
        auto* request = static_cast<CurlRequest*>(self);
        const size_t n = size * count;
        if (static_cast<std::int64_t>(request->response_.body.size() + n) > request->maxBytes_) {
            request->tooLarge_ = true;
            return 0;  // ends the transfer with a write error
        }
        request->response_.body.append(data, n);
        return n;
    }

    std::shared_ptr<CurlHttpClient::Multi> multi_;
    std::string url_;
    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::int64_t maxBytes_;
    bool added_ = false;
    bool done_ = false;
    bool tooLarge_ = false;
    char errors_[CURL_ERROR_SIZE];
    HttpResponse response_;
};

void Drive(CURLM* multi, int waitMs) {
    int running = 0;
    curl_multi_perform(multi, &running);
    if (running > 0 && waitMs > 0) {
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        curl_multi_perform(multi, &running);
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        void* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        // Read before Finished, which removes the handle and so the message.
        const CURLcode code = message->data.result;
        static_cast<CurlRequest*>(owner)->Finished(code);
    }
}

}  // namespace

CurlHttpClient::CurlHttpClient() {
    GlobalInit();
    multi_ = std::make_shared<Multi>();
}

CurlHttpClient::~CurlHttpClient() = default;

std::unique_ptr<platform::HttpRequest> CurlHttpClient::Get(std::string_view url,
                                                           const HttpLimits& limits) {
    return std::make_unique<CurlRequest>(multi_, url, limits);
}

}  // namespace quellon::posix
