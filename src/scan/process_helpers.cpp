#include <algorithm>
#include <functional>

#include "common/text.h"
#include "scan/scanners.h"

namespace quellon::scan {
namespace {

// Version data sits in the executable's resources; in a file larger than
// this only the beginning is searched.
constexpr size_t kMaxVersionScanBytes = size_t{256} << 20;

bool IsNtFamily(platform::Processes& procs) {
    auto v = procs.Version();
    return v && v->platformId == 2;
}

// The name form used to compare process names: the first 15 characters of a
// long name, else the upper-cased text before the first "."; a name without
// "." stays as it is.
std::string NameForm(std::string_view name) {
    if (name.size() >= 16) {
        return std::string(name.substr(0, 15));
    }
    const size_t dot = name.find('.');
    if (dot != std::string_view::npos) {
        return text::Upper(name.substr(0, dot));
    }
    return std::string(name);
}

// A key searched for with the Boyer-Moore-Horspool skip table (version data
// sits deep in large files); the table is built once per key, whose text
// must outlive it.
class Key {
public:
    explicit Key(std::string_view text) : searcher_(text.begin(), text.end()) {}
    // The first place of the key in `hay` at or after `from`.
    size_t In(std::string_view hay, size_t from) const {
        if (from > hay.size()) {
            return std::string_view::npos;
        }
        const auto begin = hay.begin() + static_cast<std::ptrdiff_t>(from);
        const auto at = std::search(begin, hay.end(), searcher_);
        return at == hay.end() ? std::string_view::npos : static_cast<size_t>(at - hay.begin());
    }

private:
    std::boyer_moore_horspool_searcher<std::string_view::const_iterator> searcher_;
};

// Whether "CompanyName" occurs in the bytes, as plain or as UTF-16 text: one
// pass over the bytes that rules out a file without version data.
bool MentionsCompany(std::string_view bytes) {
    using namespace std::string_view_literals;
    constexpr std::string_view kPlain = "CompanyName"sv;
    constexpr std::string_view kWide = "C\0o\0m\0p\0a\0n\0y\0N\0a\0m\0e\0"sv;
    for (size_t at = bytes.find('C'); at != std::string_view::npos; at = bytes.find('C', at + 1)) {
        const std::string_view from = bytes.substr(at);
        if (from.starts_with(kPlain) || from.starts_with(kWide)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ToWideBytes(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        out += ch;
        out += '\0';
    }
    return out;
}

std::string CompanyNameFromBytes(std::string_view bytes) {
    using namespace std::string_view_literals;
    // The keys as UTF-16 text (each character followed by a zero byte).
    static const Key kWideInfo("S\0t\0r\0i\0n\0g\0F\0i\0l\0e\0I\0n\0f\0o\0"sv);
    static const Key kWideCompany("C\0o\0m\0p\0a\0n\0y\0N\0a\0m\0e\0"sv);
    static const Key kWideNext("F\0i\0l\0e\0D\0e\0s\0c\0r\0i\0p\0t\0i\0o\0n\0"sv);
    static const Key kPlainInfo("StringFileInfo"sv);
    static const Key kPlainCompany("CompanyName"sv);
    static const Key kPlainNext("FileDescription"sv);
    if (bytes.size() > kMaxVersionScanBytes) {
        bytes = bytes.substr(0, kMaxVersionScanBytes);
    }
    if (!MentionsCompany(bytes)) {
        return {};  // most files have no version data at all
    }
    size_t searchFrom = 0;
    size_t key = std::string_view::npos;
    size_t valueOffset = 0;
    const Key* nextKey = nullptr;

    const size_t wideAt = kWideInfo.In(bytes, 0);
    if (wideAt == std::string_view::npos) {
        const size_t plainAt = kPlainInfo.In(bytes, 0);
        searchFrom = plainAt == std::string_view::npos ? 0 : plainAt;
        key = kPlainCompany.In(bytes, searchFrom);
        valueOffset = 12;
        nextKey = &kPlainNext;
    } else {
        searchFrom = wideAt;
    }
    if (key == std::string_view::npos) {
        key = kWideCompany.In(bytes, searchFrom);
        valueOffset = 26;
        nextKey = &kWideNext;
    }
    if (key == std::string_view::npos) {
        return {};
    }
    const size_t start = key + valueOffset;
    if (start > bytes.size()) {
        return {};
    }
    const size_t end = bytes.find(std::string_view("\0\0\0", 3), start);
    if (end == std::string_view::npos) {
        return {};
    }
    std::string_view value = bytes.substr(start, end - start);
    if (nextKey->In(value, 0) != std::string_view::npos) {
        // The value was empty and the search ran into the next entry: the
        // value ends before the first control character after its start.
        for (size_t i = 1; i <= 255 && start + i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[start + i]) < 32) {
                value = bytes.substr(start, i - 1);
                break;
            }
        }
    }
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        if (ch != '\0') {
            out += ch;
        }
    }
    return out;
}

std::string GetCompanyName(platform::FileSystem& fs, std::string_view path) {
    auto bytes = fs.ReadAll(path);
    if (!bytes) {
        return {};
    }
    return CompanyNameFromBytes(*bytes);
}

std::string NormalizeSystemPath(platform::Shell& shell, std::string_view path) {
    const std::string_view trimmed = text::TrimView(path);
    const std::string upper = text::Upper(trimmed);
    const size_t at = upper.rfind("SYSTEM32\\");
    if (at == std::string::npos) {
        return std::string(path);
    }
    std::string system = shell.SystemDirectory();
    if (system.size() > 255) {
        system.resize(255);
    }
    return system + "\\" + std::string(trimmed.substr(at + 9));
}

std::vector<platform::ProcessEntry> ListRunningProcesses(platform::Processes& procs) {
    auto snapshot = procs.Snapshot();
    return snapshot ? std::move(*snapshot) : std::vector<platform::ProcessEntry>{};
}

bool KillProcessById(platform::Processes& procs, std::uint32_t pid, std::uint32_t exitCode) {
    const bool nt = IsNtFamily(procs);
    if (nt && !procs.SetDebugPrivilege(true)) {
        return false;
    }
    const bool killed = procs.Terminate(pid, platform::kProcessAllAccess, exitCode);
    if (nt) {
        procs.SetDebugPrivilege(false);
    }
    return killed;
}

void TerminateProcessById(platform::Processes& procs, std::uint32_t pid) {
    if (!procs.CanOpen(pid, platform::kProcessTerminate)) {
        return;
    }
    const std::uint32_t code = procs.ExitCode(pid).value_or(0);
    procs.Terminate(pid, platform::kProcessTerminate, code);
}

bool StopProcessByName(platform::Processes& procs, std::string_view name) {
    // The 8.3 short form: without ".exe", at most six characters, then "~1".
    std::string shortForm = text::ReplaceNoCase(name, ".exe", "");
    if (shortForm.size() >= 7) {
        shortForm.resize(6);
    }
    shortForm = text::Upper(shortForm) + "~1";
    const std::string target = NameForm(name);

    std::uint32_t pid = 0;
    for (const auto& entry : ListRunningProcesses(procs)) {
        const std::string form = NameForm(entry.exeFile);
        const std::string_view trimmed = text::TrimView(form);
        if (text::EqualsNoCase(trimmed, text::TrimView(target)) ||
            text::EqualsNoCase(trimmed, text::TrimView(shortForm))) {
            pid = entry.pid;
            break;
        }
    }
    for (int attempt = 0; attempt < 11; ++attempt) {
        if (KillProcessById(procs, pid, 0)) {
            return true;
        }
        if (procs.Wait(pid, 1) != platform::WaitResult::kTimeout) {
            return true;
        }
    }
    return false;
}

}  // namespace quellon::scan
