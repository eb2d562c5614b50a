// HTTP requests over WinINet. WinINet's calls block, so each request runs
// them on a worker thread of its own and the owner polls the outcome; a
// cancelled request leaves its worker to end by its own time limits.
#pragma once

#include <memory>
#include <string_view>

#include "platform/http.h"

namespace quellon::win32 {

class WinInetHttpClient : public platform::HttpClient {
public:
    std::unique_ptr<platform::HttpRequest> Get(std::string_view url,
                                               const platform::HttpLimits& limits) override;
};

}  // namespace quellon::win32
