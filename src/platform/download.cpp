#include "platform/download.h"

namespace quellon::platform {

namespace {

class HttpDownloadJob : public DownloadJob {
public:
    HttpDownloadJob(std::unique_ptr<HttpRequest> request, FileSystem& files,
                    std::string destination)
        : request_(std::move(request)), files_(files), destination_(std::move(destination)) {}

    bool Poll(int waitMs) override {
        if (!request_) {
            return true;
        }
        if (!request_->Poll(waitMs)) {
            return false;
        }
        Finish(request_->Response());
        request_.reset();
        return true;
    }

    const DownloadResult& Result() const override { return result_; }

private:
    void Finish(const HttpResponse& response) {
        result_.httpStatus = response.status;
        result_.failure = response.failure;
        result_.bytes = static_cast<std::int64_t>(response.body.size());
        result_.status = response.Outcome();
        if (!result_.status.ok()) {
            return;
        }
        if (!files_.WriteAtomic(destination_, response.body)) {
            result_.status = Status::Failure("cannot write " + destination_);
        }
    }

    std::unique_ptr<HttpRequest> request_;
    FileSystem& files_;
    std::string destination_;
    DownloadResult result_;
};

}  // namespace

std::unique_ptr<DownloadJob> HttpDownload::Start(std::string_view url, std::string_view destination,
                                                 const HttpLimits& limits) {
    return std::make_unique<HttpDownloadJob>(http_.Get(url, limits), files_,
                                             std::string(destination));
}

}  // namespace quellon::platform
