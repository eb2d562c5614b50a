#include "platform/web_page.h"

namespace quellon::platform {

void HttpWebPage::Navigate(std::string_view url) {
    request_.reset();
    document_ = html::Document{};
    loaded_ = completed_ = failed_ = false;
    failure_ = HttpFailure::kNone;
    status_ = 0;
    reason_.clear();
    readyState_ = kReadyStateLoading;
    request_ = http_.Get(url, limits_);
}

void HttpWebPage::Poll(int waitMs) {
    if (request_ && request_->Poll(waitMs)) {
        Finish(request_->Response());
        request_.reset();
    }
}

void HttpWebPage::Stop() {
    if (request_) {
        request_.reset();
        failed_ = completed_ = true;
        failure_ = HttpFailure::kOther;
        reason_ = "stopped";
        readyState_ = kReadyStateComplete;
    }
}

void HttpWebPage::Finish(const HttpResponse& response) {
    status_ = response.status;
    failure_ = response.failure;
    completed_ = true;
    readyState_ = kReadyStateComplete;
    if (const Status outcome = response.Outcome(); !outcome.ok()) {
        failed_ = true;
        reason_ = outcome.reason();
        return;
    }
    document_ = html::ParseHtml(response.body, html::CharsetOfContentType(response.contentType));
    loaded_ = true;
}

std::string_view HttpWebPage::BodyText() const {
    return loaded_ ? document_.BodyText() : std::string_view();
}

std::string_view HttpWebPage::ElementText(std::size_t index) const {
    return loaded_ ? document_.InnerText(index) : std::string_view();
}

}  // namespace quellon::platform
