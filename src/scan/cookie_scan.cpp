#include <algorithm>
#include <unordered_map>
#include <vector>

#include "common/pattern.h"
#include "common/text.h"
#include "definitions/codec.h"
#include "scan/scanners.h"

namespace quellon::scan {
namespace {

// Cookie files are small; anything beyond this is not cookie data.
constexpr size_t kMaxCookieBytes = size_t{16} << 20;

// Calls `fn` with each field of the text, in order, until it returns true:
// fields end at a comma or a line end, and lose the blanks and tabs around
// them. A quote is a character like any other, so a stray one in a value
// cannot hide the rest of the file.
template <typename Fn>
bool ForEachField(std::string_view s, Fn&& fn) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const size_t start = i;
        while (i < n && s[i] != ',' && s[i] != '\r' && s[i] != '\n') {
            ++i;
        }
        std::string_view field = s.substr(start, i - start);
        while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) {
            field.remove_prefix(1);
        }
        while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) {
            field.remove_suffix(1);
        }
        if (i < n) {
            if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n') {
                ++i;
            }
            ++i;
        }
        if (fn(field)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string GetCookieFolder(platform::Shell& shell, int csidl) {
    auto folder = shell.SpecialFolder(csidl);
    if (!folder) {
        return {};
    }
    const size_t nul = folder->find('\0');
    return folder->substr(0, nul);
}

std::string GetCookieKey(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::string_view rest = path;
    size_t bracket = std::string_view::npos;
    const size_t at = path.find('@');
    if (at != std::string_view::npos) {
        rest = path.substr(at + 1);
        bracket = rest.find('(');
    }
    if (bracket == std::string_view::npos) {
        bracket = rest.find('[');
    }
    if (bracket != std::string_view::npos) {
        return std::string(rest.substr(0, bracket));
    }
    const size_t dot = rest.rfind('.');
    return std::string(rest.substr(0, dot));
}

std::string GetCookieDomain(platform::FileSystem& fs, std::string_view path) {
    std::string result = "False";
    const std::string key = GetCookieKey(path);
    if (key.empty() || !definitions::FileExists(fs, path)) {
        return result;
    }
    // Only the beginning of a file too large for a cookie is read.
    auto bytes = platform::ReadPrefix(fs, path, kMaxCookieBytes);
    if (!bytes) {
        return result;
    }
    return CookieDomainFromBytes(key, *bytes);
}

namespace {

// GetCookieDomain for a file the phase has just listed, through the
// phase's batch: the folder, listed once, is not looked at again for each
// file, and each file is opened from it.
std::string CookieDomainIn(platform::LookupBatch& files, std::string_view path) {
    const std::string key = GetCookieKey(path);
    if (key.empty() || !files.LookupFile(path)) {
        return "False";
    }
    const std::unique_ptr<platform::ByteReader> reader = files.OpenRead(path);
    if (!reader) {
        return "False";
    }
    return CookieDomainFromBytes(key, platform::ReadPrefix(*reader, kMaxCookieBytes));
}

}  // namespace

std::string CookieDomainFromBytes(std::string_view key, std::string_view bytes) {
    std::string result = "False";
    if (key.empty()) {
        return result;
    }
    ForEachField(bytes, [&](std::string_view field) {
        const size_t at = field.find(key);
        if (at == std::string_view::npos) {
            return false;
        }
        const std::string_view from = field.substr(at);
        const size_t slash = from.find('/');
        if (slash == std::string_view::npos) {
            return false;
        }
        result = std::string(from.substr(0, slash));
        return true;
    });
    return result;
}

void LoadBlockedCookies(ScanContext& ctx, std::string_view path) {
    if (!ctx.platform.files.LookupFile(path)) {
        return;
    }
    auto& list = ctx.controls.lvwBlockedCookies;
    auto& bar = ctx.controls.pbgMain;
    list.Clear();
    auto reader = ctx.platform.files.OpenLines(path);
    if (!reader) {
        return;
    }
    std::string line;
    while (reader->Next(line)) {
        bar.SetValue(bar.Value() >= 99 ? 30 : bar.Value() + 0.01);
        definitions::DecodeInPlace(line);
        list.Add(line);
        ctx.host.DoEvents();
    }
}

void ScanCookies(ScanContext& ctx) {
    const std::string folder = GetCookieFolder(ctx.platform.shell, platform::kCsidlCookies);
    if (text::TrimView(folder).empty()) {
        return;
    }
    auto files = ctx.platform.files.ListFiles(folder);
    if (!files) {
        return;
    }
    LoadBlockedCookies(ctx, ctx.definitions.PathOf(definitions::Kind::kCookie));

    auto& c = ctx.controls;
    auto& n = ctx.session.counters;
    const auto& patterns = c.lvwBlockedCookies.Items();
    // Every pattern tried still counts as a progress call and lets events
    // run; which one matches first is looked up once per domain.
    std::vector<std::string_view> texts;
    texts.reserve(patterns.size());
    for (const auto& pattern : patterns) {
        texts.push_back(pattern.text);
    }
    const pattern::FirstMatch matcher(texts);
    std::unordered_map<std::string, size_t> firstMatchOf;
    // The status shown for each pattern, masked when first needed.
    std::vector<std::string> statusOf(patterns.size());
    std::vector<bool> statusReady(patterns.size(), false);
    std::string prefix = ctx.session.StatusPrefix;

    const std::int64_t fileCount = static_cast<std::int64_t>(files->size());
    const std::unique_ptr<platform::LookupBatch> batch = ctx.platform.files.StartLookupBatch();
    for (const auto& file : *files) {
        if (ctx.session.StopRequested) {
            break;
        }
        ++n.MemoryItemsInspected;
        const int phase = PercentOf(n.MemoryItemsInspected, fileCount);
        UpdateScanProgress(ctx, ctx.session.StatusPrefix, file.name, phase, -1);
        std::string domain = CookieDomainIn(*batch, file.fullPath);
        if (text::StartsWithNoCase(domain, "www.")) {
            domain.erase(0, 4);
        }
        auto known = firstMatchOf.find(domain);
        if (known == firstMatchOf.end()) {
            known = firstMatchOf.emplace(domain, matcher.Find(domain)).first;
        }
        const size_t first = known->second;
        // The patterns before the matching one (all of them when none
        // matches) are tried in turn: each counts a progress call and makes
        // an event check, and the patterns between two refreshes need
        // nothing else, so those runs are counted and checked in one go.
        const size_t quietEnd = first == pattern::FirstMatch::kNone ? patterns.size() : first;
        bool matched = false;
        for (size_t i = 0; i < patterns.size();) {
            if (ctx.session.StopRequested) {
                return;
            }
            if (const size_t run =
                    std::min(QuietProgressCalls(ctx), quietEnd - std::min(i, quietEnd));
                run > 0) {
                // An event that stops the scan ends the run where it ran.
                if (const size_t made = ctx.host.DoEventsAfter(run, ctx.session.StopRequested);
                    made > 0) {
                    SkipQuietProgress(ctx, made);
                    i += made;
                    continue;
                }
            }
            if (ScanProgressDue(ctx)) {
                if (ctx.session.StatusPrefix != prefix) {
                    prefix = ctx.session.StatusPrefix;
                    std::fill(statusReady.begin(), statusReady.end(), false);
                }
                if (!statusReady[i]) {
                    std::string status;
                    status.reserve(prefix.size() + 2 + patterns[i].text.size());
                    status.append(prefix).append(text::kCrLf).append(patterns[i].text);
                    statusOf[i] = MaskWords(status);
                    statusReady[i] = true;
                }
                RefreshScanProgress(ctx, statusOf[i], phase, -1);
            }
            if (i == first) {
                matched = true;
                break;
            }
            ctx.host.DoEvents();
            ++i;
        }
        if (matched && !ctx.exclusions.IsExcludedEntry(file.fullPath)) {
            c.lvwSpywareFound.Add("Cookie Found: " + file.name, kIconCookie);
            if (!ctx.ScanRunning()) {
                return;
            }
            c.lvwCookiesToDelete.Add(file.fullPath);
            c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add("Cookie: " + file.name, kIconCookie,
                                                               {file.fullPath});
            ++n.SpywareFound;
        }
        ctx.host.DoEvents();
    }
}

}  // namespace quellon::scan
