#include "definitions/definition_set.h"

#include <limits>

#include "common/text.h"
#include "definitions/definition_check.h"

namespace quellon::definitions {

std::string_view FileNameOf(Kind kind) {
    switch (kind) {
        case Kind::kFile:
            return kFileDefinitionName;
        case Kind::kRegistry:
            return kRegistryDefinitionName;
        case Kind::kExe:
            return kExeDefinitionName;
        case Kind::kCookie:
            return kCookieDefinitionName;
    }
    return {};
}

bool FileExists(platform::FileSystem& fs, std::string_view path) {
    auto found = fs.LookupFile(path);
    return found && text::EqualsNoCase(*found, text::FileNameOfPath(path));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (out.empty() || out.back() != '\\') {
        out += '\\';
    }
    out += name;
    return out;
}

std::string DefinitionSet::PathOf(Kind kind) const {
    return JoinPath(folder_, FileNameOf(kind));
}

void DefinitionSet::InstallDownloadedDefinitions() {
    for (Kind kind : {Kind::kCookie, Kind::kRegistry, Kind::kFile, Kind::kExe}) {
        const std::string live = PathOf(kind);
        const std::string download =
            JoinPath(folder_, std::string(kDownloadPrefix) + std::string(FileNameOf(kind)));
        if (!FileExists(fs_, download)) {
            continue;
        }
        const auto bytes = fs_.ReadAll(download);
        if (!bytes) {
            continue;
        }
        if (CheckDefinitionFile(kind, *bytes, LiveFileIsEmpty(fs_, live)).status.ok()) {
            // The checked bytes replace the live file in one step, so a kill
            // leaves the old file or the new one; the "DL" file goes after.
            if (fs_.WriteAtomic(live, *bytes)) {
                fs_.Delete(download);
            }
            continue;
        }
        const std::string rejected = download + std::string(kRejectedSuffix);
        if (FileExists(fs_, rejected)) {
            fs_.Delete(rejected);
        }
        if (!fs_.Rename(download, rejected)) {
            fs_.Delete(download);
        }
    }
}

std::int32_t DefinitionSet::CountDefinitionLines() {
    counts_ = LineCounts{};
    auto count = [this](Kind kind) -> std::int32_t {
        const std::string path = PathOf(kind);
        if (!FileExists(fs_, path)) {
            return 0;
        }
        auto reader = fs_.OpenLines(path);
        if (!reader) {
            return 0;
        }
        std::int32_t n = 0;
        std::string line;
        while (reader->Next(line) && n < std::numeric_limits<std::int32_t>::max()) {
            ++n;
        }
        return n;
    };
    counts_.cookie = count(Kind::kCookie);
    counts_.exe = count(Kind::kExe);
    counts_.registry = count(Kind::kRegistry);
    counts_.file = count(Kind::kFile);
    const std::int64_t total =
        std::int64_t{counts_.cookie} + counts_.exe + counts_.registry + counts_.file;
    counts_.total = static_cast<std::int32_t>(
        std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
    return counts_.total;
}

bool DefinitionSet::DefinitionFilesPresent() {
    for (Kind kind : {Kind::kFile, Kind::kRegistry, Kind::kExe, Kind::kCookie}) {
        if (!fs_.LookupFile(PathOf(kind))) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<platform::LineReader> DefinitionSet::Open(Kind kind) {
    return fs_.OpenLines(PathOf(kind));
}

}  // namespace quellon::definitions
