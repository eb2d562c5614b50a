// quellon-cli: the scan engine without a window.
#pragma once

#include <ostream>

namespace quellon::cli {

// Exit statuses: 0 nothing found, 1 something found, 2 could not run.
int Run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace quellon::cli
