#include "platform/http.h"

#include "common/text.h"

namespace quellon::platform {

void CheckAnnouncedLength(HttpResponse& response) {
    if (response.failure == HttpFailure::kNone && response.contentLength >= 0 &&
        static_cast<std::int64_t>(response.body.size()) < response.contentLength) {
        response.failure = HttpFailure::kCut;
        response.reason = "the body ended after " + std::to_string(response.body.size()) + " of " +
                          std::to_string(response.contentLength) + " bytes";
    }
}

Status HttpResponse::Outcome() const {
    if (failure != HttpFailure::kNone) {
        return Status::Failure(reason.empty() ? std::string(DescribeFailure(failure)) : reason);
    }
    if (!Succeeded()) {
        return Status::Failure("HTTP status " + std::to_string(status));
    }
    return Status::Ok();
}

std::string_view DescribeFailure(HttpFailure failure) {
    switch (failure) {
        case HttpFailure::kNone:
            return "no failure";
        case HttpFailure::kBadUrl:
            return "not an http or https address";
        case HttpFailure::kResolve:
            return "host name not found";
        case HttpFailure::kConnect:
            return "connection refused or failed";
        case HttpFailure::kTimeout:
            return "time limit reached";
        case HttpFailure::kTls:
            return "secure connection failed";
        case HttpFailure::kCut:
            return "transfer broke off";
        case HttpFailure::kTooLarge:
            return "response too large";
        case HttpFailure::kRedirects:
            return "too many redirects, or one to a scheme not allowed";
        case HttpFailure::kOther:
            return "transfer failed";
    }
    return "transfer failed";
}

bool IsHttpUrl(std::string_view url) {
    return text::StartsWithNoCase(url, "http://") || text::StartsWithNoCase(url, "https://");
}

bool RedirectAllowed(std::string_view from, std::string_view to) {
    if (!IsHttpUrl(to)) {
        return false;
    }
    return !text::StartsWithNoCase(from, "https://") || text::StartsWithNoCase(to, "https://");
}

std::string_view RedirectSchemes(std::string_view url) {
    return text::StartsWithNoCase(url, "https://") ? "https" : "http,https";
}

}  // namespace quellon::platform
