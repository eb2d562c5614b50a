#include "cli/read_file.h"

#include <cstdio>

namespace quellon::cli {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    // C's stdio reports a failed read as a result; the streams' buffer
    // iterators throw instead.
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string out;
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        out.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    return out;
}

}  // namespace quellon::cli
