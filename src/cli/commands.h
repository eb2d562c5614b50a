// What the commands of quellon-cli share: the options they run with, the
// exit statuses and the failure that only the usage text explains.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/application.h"
#include "common/result.h"

namespace quellon::cli {

inline constexpr int kExitClean = 0;
inline constexpr int kExitFound = 1;
inline constexpr int kExitError = 2;

struct Options {
    app::Folders folders;
    std::vector<std::string> args;
};

// A failure whose reason is the usage text.
inline const std::string kUsageFailure = "usage";
inline Status Usage() {
    return Status::Failure(kUsageFailure);
}

// shield memory|homepage [--memory-answer stop|allow] [--homepage-answer yes|no]
Result<int> Shield(const Options& o, std::ostream& out, std::ostream& err);
// watch [--memory-answer ...] [--homepage-answer ...] [--seconds N]
Result<int> Watch(const Options& o, std::ostream& out, std::ostream& err);
// update [--site SITE]
Result<int> Update(const Options& o, std::ostream& out, std::ostream& err);
// publish PLAIN_DIR SITE_DIR --version N --key PRIVATE
Result<int> Publish(const Options& o, std::ostream& out, std::ostream& err);
// keygen PRIVATE PUBLIC
Result<int> Keygen(const Options& o, std::ostream& out, std::ostream& err);
// schedule show | set DAY HH:MM:SS [...] | set date DD/MM/YYYY HH:MM:SS [...] | off
Result<int> Schedule(const Options& o, std::ostream& out, std::ostream& err);

}  // namespace quellon::cli
