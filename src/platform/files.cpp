#include "platform/files.h"

#include <algorithm>

#include "common/text.h"

namespace quellon::platform {

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
