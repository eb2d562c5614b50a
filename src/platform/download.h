// Downloading a URL into a file, without blocking the caller: the caller
// starts a job and polls it from its own loop (letting window events run
// in between), as the hidden browser's page is polled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/result.h"
#include "platform/files.h"
#include "platform/http.h"

namespace quellon::platform {

struct DownloadResult {
    // Ok once the whole body of a 2xx response is in the destination file;
    // else why not, for people.
    Status status = Status::Failure("the download has not finished");
    // The status of the last response; 0 when none came.
    int httpStatus = 0;
    HttpFailure failure = HttpFailure::kNone;
    std::int64_t bytes = 0;
};

// One download in flight. Destroying it cancels the transfer and leaves the
// destination as it was.
class DownloadJob {
public:
    virtual ~DownloadJob() = default;
    // Lets the transfer make progress, waiting at most `waitMs`; true once
    // it has finished, and Result() is final.
    virtual bool Poll(int waitMs) = 0;
    virtual const DownloadResult& Result() const = 0;
};

// The limits of a definition download: a few megabytes over a slow line;
// under 1 KB a second for 20 seconds is a stalled transfer.
inline HttpLimits DownloadLimits() {
    HttpLimits limits;
    limits.totalTimeoutMs = 2 * 60 * 1000;
    limits.stallTimeoutMs = 20000;
    limits.lowSpeedBytesPerSecond = 1024;
    limits.maxBytes = std::int64_t{64} << 20;
    return limits;
}

class Download {
public:
    virtual ~Download() = default;
    // Starts fetching `url` into the file at the Windows path `destination`.
    // The file is written (replacing one of that name) only when the whole
    // body of a 2xx response has arrived, and then atomically; on any
    // failure it is left untouched. Never null.
    virtual std::unique_ptr<DownloadJob> Start(std::string_view url, std::string_view destination,
                                               const HttpLimits& limits) = 0;
};

// The download over a backend's HTTP requests and its file system.
class HttpDownload : public Download {
public:
    HttpDownload(HttpClient& http, FileSystem& files) : http_(http), files_(files) {}
    std::unique_ptr<DownloadJob> Start(std::string_view url, std::string_view destination,
                                       const HttpLimits& limits) override;

private:
    HttpClient& http_;
    FileSystem& files_;
};

}  // namespace quellon::platform
