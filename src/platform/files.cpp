#include "platform/files.h"

#include <algorithm>

#include "common/text.h"

namespace quellon::platform {

std::optional<std::string> ReadPrefix(FileSystem& fs, std::string_view path, size_t limit) {
    std::unique_ptr<ByteReader> reader = fs.OpenRead(path);
    if (!reader) {
        return std::nullopt;
    }
    std::string out;
    constexpr size_t kPiece = size_t{64} << 10;
    while (out.size() < limit) {
        const size_t start = out.size();
        out.resize(start + std::min(kPiece, limit - start));
        const size_t n = reader->Read(out.data() + start, out.size() - start);
        out.resize(start + n);
        if (n == 0) {
            break;
        }
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
