#include "definitions/definition_set.h"

#include <limits>

#include "common/text.h"
#include "definitions/definition_check.h"
#include "definitions/definition_signature.h"

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

std::optional<std::int64_t> DefinitionSet::LiveSignedVersion(const UpdateTrust& trust, Kind kind) {
    const std::string live = PathOf(kind);
    const std::string signature = live + std::string(kSignatureSuffix);
    if (!FileExists(fs_, live) || !FileExists(fs_, signature)) {
        return std::nullopt;
    }
    const auto sigText = fs_.ReadAll(signature);
    const auto bytes = fs_.ReadAll(live);
    if (!sigText || !bytes) {
        return std::nullopt;
    }
    const SignatureCheck check = CheckSignedFile(trust, *sigText, FileNameOf(kind), *bytes);
    if (!check.ok) {
        return std::nullopt;
    }
    return check.signature.version;
}

std::vector<InstallOutcome> DefinitionSet::InstallDownloadedDefinitions(const UpdateTrust& trust) {
    std::vector<InstallOutcome> outcomes;
    for (Kind kind : {Kind::kCookie, Kind::kRegistry, Kind::kFile, Kind::kExe}) {
        const std::string name(FileNameOf(kind));
        const std::string live = PathOf(kind);
        const std::string download = JoinPath(folder_, std::string(kDownloadPrefix) + name);
        const std::string downloadSig = download + std::string(kSignatureSuffix);
        if (!FileExists(fs_, download)) {
            continue;
        }
        const auto bytes = fs_.ReadAll(download);
        if (!bytes) {
            continue;
        }
        InstallOutcome outcome;
        outcome.kind = kind;
        outcome.liveVersion = LiveSignedVersion(trust, kind);
        std::optional<std::string> sigText;
        if (FileExists(fs_, downloadSig)) {
            sigText = fs_.ReadAll(downloadSig);
            if (!sigText) {
                continue;  // there but unreadable now: try again at the next start
            }
        }
        if (!sigText) {
            outcome.reason = "it has no signature";
        } else if (const SignatureCheck signature = CheckSignedFile(trust, *sigText, name, *bytes);
                   !signature.ok) {
            outcome.reason = signature.reason;
        } else if (outcome.liveVersion && signature.signature.version < *outcome.liveVersion) {
            outcome.reason = "it is older than the installed file";
        } else if (const DefinitionCheck check =
                       CheckDefinitionFile(kind, *bytes, LiveFileIsEmpty(fs_, live));
                   !check.status.ok()) {
            outcome.reason = check.status.reason();
        } else {
            // The checked bytes replace the live file in one step, so a kill
            // leaves the old file or the new one; its signature follows, and
            // the "DL" files go last, so a kill before that installs again.
            if (fs_.WriteAtomic(live, *bytes) &&
                fs_.WriteAtomic(live + std::string(kSignatureSuffix), *sigText)) {
                fs_.Delete(download);
                fs_.Delete(downloadSig);
                outcome.installed = true;
                outcome.liveVersion = signature.signature.version;
                outcomes.push_back(std::move(outcome));
            }
            continue;
        }
        outcome.setAside = true;
        SetAside(download);
        if (sigText) {
            SetAside(downloadSig);
        }
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

void DefinitionSet::SetAside(const std::string& path) {
    const std::string rejected = path + std::string(kRejectedSuffix);
    if (FileExists(fs_, rejected)) {
        fs_.Delete(rejected);
    }
    if (!fs_.Rename(path, rejected)) {
        fs_.Delete(path);
    }
}

std::int32_t DefinitionSet::CountDefinitionLines() {
    counts_ = LineCounts{};
    auto count = [this](Kind kind) -> std::int32_t {
        const std::string path = PathOf(kind);
        Counted& counted = counted_[static_cast<size_t>(kind)];
        // The stamp is taken before the reading, so that a change made
        // while the file is read is counted the next time.
        std::optional<platform::FileStamp> stamp = fs_.StampFile(path);
        if (stamp && stamp->exists && counted.stamp == stamp) {
            return counted.lines;
        }
        counted.stamp.reset();
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
        if (stamp && stamp->exists) {
            counted = {stamp, n};
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
