// The running program's version information.
#pragma once

#include <optional>
#include <string>

namespace quellon::platform {

// The "Comments" text of the running program's version information (its
// VERSIONINFO resource on Windows); nullopt where the program has none, as
// on Linux, where the build compiles the same text in instead. Each backend
// folder implements it.
std::optional<std::string> ProgramComments();

}  // namespace quellon::platform
