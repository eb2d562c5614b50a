#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>

#include "common/convert.h"
#include "common/text.h"
#include "scan/found_rows.h"
#include "scan/scan_context.h"

namespace quellon::scan {
namespace {

// Words kept off the status line. The list is fixed at 41 entries; "shit"
// stands twice. Longer words come before the shorter words they contain so
// that each is masked whole.
constexpr std::array<std::string_view, 41> kMaskedWords = {
    "motherfucker", "fucker",   "fucking", "fuckwit",  "fuckface",   "fuck",    "bullshit",
    "dipshit",      "shithead", "shitbag", "shit",     "bitch",      "bastard", "asshole",
    "arsehole",     "arsewipe", "cunt",    "dickhead", "cocksucker", "wanker",  "wankstain",
    "wank",         "twat",     "slut",    "whore",    "bollocks",   "jackass", "dumbass",
    "douchebag",    "douche",   "scumbag", "piss",     "prick",      "goddamn", "skank",
    "tosser",       "knobhead", "bellend", "minge",    "pillock",    "shit",
};

// Every 100th call refreshes.
constexpr std::int32_t kLastQuietTick = 99;

bool Due(ScanContext& ctx) {
    auto& tick = ctx.session.counters.RefreshTick;
    ++tick;
    if (tick <= kLastQuietTick) {
        return false;
    }
    tick = 0;
    return true;
}

}  // namespace

std::string MaskWords(std::string_view input) {
    // The words are searched in an upper-cased copy, which is renewed after
    // each replacement (a replacement can break up a later word).
    static const std::array<std::string, kMaskedWords.size()> kUpper = [] {
        std::array<std::string, kMaskedWords.size()> upper;
        for (size_t i = 0; i < kMaskedWords.size(); ++i) {
            upper[i] = text::Upper(kMaskedWords[i]);
        }
        return upper;
    }();
    // Most texts hold none of the words: one pass looks, at each byte that
    // begins a word, for the words that begin with it.
    static_assert(kMaskedWords.size() <= 64, "one bit a word");
    static const std::array<std::uint64_t, 256> kStartsWith = [] {
        std::array<std::uint64_t, 256> starts{};
        for (size_t i = 0; i < kUpper.size(); ++i) {
            starts[static_cast<unsigned char>(kUpper[i][0])] |= std::uint64_t{1} << i;
        }
        return starts;
    }();
    std::string upper = text::Upper(input);
    bool any = false;
    for (size_t at = 0; at < upper.size() && !any; ++at) {
        for (std::uint64_t words = kStartsWith[static_cast<unsigned char>(upper[at])];
             words != 0 && !any; words &= words - 1) {
            any = std::string_view(upper).substr(at).starts_with(kUpper[std::countr_zero(words)]);
        }
    }
    std::string out(input);
    if (!any) {
        return out;
    }
    for (size_t i = 0; i < kMaskedWords.size(); ++i) {
        if (upper.find(kUpper[i]) != std::string::npos) {
            out = text::ReplaceNoCase(out, kMaskedWords[i], "****");
            upper = text::Upper(out);
        }
    }
    return out;
}

bool ScanProgressDue(ScanContext& ctx) {
    return Due(ctx);
}

std::size_t QuietProgressCalls(const ScanContext& ctx) {
    const std::int32_t tick = ctx.session.counters.RefreshTick;
    return tick < kLastQuietTick ? static_cast<std::size_t>(kLastQuietTick - tick) : 0;
}

void SkipQuietProgress(ScanContext& ctx, std::size_t calls) {
    const std::size_t quiet = std::min(calls, QuietProgressCalls(ctx));
    ctx.session.counters.RefreshTick += static_cast<std::int32_t>(quiet);
}

void RefreshScanProgress(ScanContext& ctx, const std::string& maskedStatus, int phasePercent,
                         int overallPercent) {
    auto& c = ctx.controls;
    RefreshCounterLabels(ctx);
    if (c.lblStatus.Caption() != maskedStatus) {
        c.lblStatus.SetCaption(maskedStatus);
    }
    if (phasePercent >= 0) {
        c.pb1.SetValue(phasePercent);
    }
    if (overallPercent >= 0) {
        c.pb2.SetValue(overallPercent);
    }
}

void UpdateScanProgress(ScanContext& ctx, std::string_view prefix, std::string_view item,
                        int phasePercent, int overallPercent) {
    if (!Due(ctx)) {
        return;
    }
    std::string status;
    status.reserve(prefix.size() + 2 + item.size());
    status.append(prefix).append(text::kCrLf).append(item);
    RefreshScanProgress(ctx, MaskWords(status), phasePercent, overallPercent);
}

void UpdateScanProgressText(ScanContext& ctx, std::string_view status, int phasePercent,
                            int overallPercent) {
    if (!Due(ctx)) {
        return;
    }
    RefreshScanProgress(ctx, MaskWords(status), phasePercent, overallPercent);
}

namespace {

// Writes a number into a label, without building a new caption when it
// already shows that number.
void SetNumber(ui::Label& label, std::int32_t value) {
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    const std::string_view digits(buffer, static_cast<size_t>(end - buffer));
    if (label.Caption() != digits) {
        label.SetCaption(std::string(digits));
    }
}

}  // namespace

void RefreshCounterLabels(ScanContext& ctx) {
    auto& c = ctx.controls;
    const auto& n = ctx.session.counters;
    if (!ctx.session.memoryNotSelected) {
        SetNumber(c.lblMemoryInspected, n.MemoryItemsInspected);
    }
    if (!ctx.session.registryNotSelected) {
        SetNumber(c.lblRegistryInspected, n.RegistryEntriesInspected);
    }
    SetNumber(c.lblFilesFolderInspected, n.FilesFoldersInspected);
    SetNumber(c.lblSoftwareFound, n.SpywareFound);
    SetNumber(c.lblRemovePicSoftwareFound, n.SpywareFound);
}

void AddToLabel(ui::Label& label, std::int64_t count) {
    if (count <= 0) {
        return;
    }
    // A plain count (digits without a leading zero) is read as it stands;
    // anything else is read as a number first.
    const std::string& caption = label.Caption();
    const bool plain =
        !caption.empty() && caption.size() <= 15 && (caption[0] != '0' || caption.size() == 1) &&
        std::all_of(caption.begin(), caption.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    std::int64_t shown = 0;
    if (plain) {
        std::from_chars(caption.data(), caption.data() + caption.size(), shown);
    } else {
        shown = convert::ToNumber(caption, 0);
    }
    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    label.SetCaption(text::ToDecimal(shown > most - count ? most : shown + count));
}

void IncrementLabel(ui::Label& label) {
    AddToLabel(label, 1);
}

void LabelTally::Show() {
    AddToLabel(label_, pending_);
    pending_ = 0;
}

int PercentOf(std::int64_t part, std::int64_t whole) {
    auto p = convert::Percent(static_cast<double>(part), static_cast<double>(whole));
    return p ? *p : -1;
}

namespace {

const std::string& UpperFoundSuffix() {
    static const std::string upper = text::Upper(kFoundSuffix);
    return upper;
}

}  // namespace

void FoundRows::Sync() {
    const auto& items = list_.Items();
    if (items.size() < indexed_ || items.size() < sortedIndexed_) {
        // Emptied by hand: the arena keeps what it gave until the phase ends.
        foundEnds_.clear();
        upper_.clear();
        indexed_ = 0;
        sortedIndexed_ = 0;
        hasLastFound_ = false;
        hasLastMissed_ = false;
    }
    const std::string& suffix = UpperFoundSuffix();
    for (; indexed_ < items.size(); ++indexed_) {
        text::UpperInto(items[indexed_].text, row_);
        // The row added for the prefix just missed: that prefix is found
        // from now on without a look-up.
        if (hasLastMissed_ && row_.starts_with(lastMissed_)) {
            lastFound_.swap(lastMissed_);
            lastFoundAsGiven_.swap(lastMissedAsGiven_);
            hasLastFound_ = true;
            hasLastMissed_ = false;
        }
        for (size_t at = row_.find(suffix); at != std::string::npos;
             at = row_.find(suffix, at + 1)) {
            foundEnds_.emplace(std::string_view(row_).substr(0, at + suffix.size()));
        }
    }
    if (sorted_) {
        for (; sortedIndexed_ < items.size(); ++sortedIndexed_) {
            text::UpperInto(items[sortedIndexed_].text, row_);
            upper_.emplace(std::string_view(row_));
        }
    }
}

bool FoundRows::HasPrefix(std::string_view prefix) {
    Sync();
    if (hasLastFound_ && prefix == lastFoundAsGiven_) {
        return true;
    }
    text::UpperInto(prefix, key_);
    if (hasLastFound_ && key_ == lastFound_) {
        return true;
    }
    bool found = false;
    if (key_.ends_with(UpperFoundSuffix())) {
        found = foundEnds_.contains(std::string_view(key_));
    } else {
        if (!sorted_) {
            sorted_ = true;
            Sync();
        }
        // Rows that begin with the prefix sort right at or after it: the
        // first row not below it tells.
        const auto it = upper_.lower_bound(std::string_view(key_));
        found = it != upper_.end() && std::string_view(*it).substr(0, key_.size()) == key_;
    }
    if (found) {
        lastFound_ = key_;
        lastFoundAsGiven_.assign(prefix);
        hasLastFound_ = true;
    } else {
        lastMissed_ = key_;
        lastMissedAsGiven_.assign(prefix);
        hasLastMissed_ = true;
    }
    return found;
}

}  // namespace quellon::scan
