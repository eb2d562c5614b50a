// HTTP requests over libcurl's multi interface: every request of a client
// shares one multi handle (and so its connection cache and name cache), and
// each Poll drives them all without blocking longer than asked.
#pragma once

#include <memory>
#include <string_view>

#include "platform/http.h"

namespace quellon::posix {

class CurlHttpClient : public platform::HttpClient {
public:
    CurlHttpClient();
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    std::unique_ptr<platform::HttpRequest> Get(std::string_view url,
                                               const platform::HttpLimits& limits) override;

    struct Multi;

private:
    std::shared_ptr<Multi> multi_;
};

}  // namespace quellon::posix
