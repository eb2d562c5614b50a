#include "platform/files.h"

#include <algorithm>

#include "common/text.h"

namespace quellon::platform {

std::optional<std::string> ReadPrefix(FileSystem& fs, std::string_view path, size_t limit) {
    std::unique_ptr<ByteReader> reader = fs.OpenRead(path);
    if (!reader) {
        return std::nullopt;
    }
    return ReadPrefix(*reader, limit);
}

std::string ReadPrefix(ByteReader& reader, size_t limit) {
    // Read a piece at a time into a buffer of its own, so that a small file
    // (a cookie is some hundred bytes) costs its own bytes and not a piece's
    // worth of zeros in the result first.
    std::string out;
    char piece[16 << 10];
    while (out.size() < limit) {
        const size_t n = reader.Read(piece, std::min(sizeof piece, limit - out.size()));
        if (n == 0) {
            break;
        }
        out.append(piece, n);
    }
    return out;
}

void SortListing(std::vector<FileEntry>& files) {
    std::vector<std::pair<std::string, FileEntry>> keyed;
    keyed.reserve(files.size());
    for (auto& f : files) {
        keyed.emplace_back(text::Upper(f.name), std::move(f));
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
    });
    files.clear();
    for (auto& k : keyed) {
        files.push_back(std::move(k.second));
    }
}

}  // namespace quellon::platform
