// Reading a whole file named on the command line or made by a tool the
// command ran.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quellon::cli {

// The file's bytes; nullopt when it cannot be opened or a read fails (a
// folder, a file that goes away while it is read). Never throws.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace quellon::cli
