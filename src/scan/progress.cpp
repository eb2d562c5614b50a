#include <array>

#include "common/convert.h"
#include "common/text.h"
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

void Refresh(ScanContext& ctx, const std::string& status, int phase, int overall) {
    auto& c = ctx.controls;
    RefreshCounterLabels(ctx);
    c.lblStatus.SetCaption(MaskWords(status));
    if (phase >= 0) {
        c.pb1.SetValue(phase);
    }
    if (overall >= 0) {
        c.pb2.SetValue(overall);
    }
}

bool Due(ScanContext& ctx) {
    auto& tick = ctx.session.counters.RefreshTick;
    ++tick;
    if (tick <= 99) {
        return false;
    }
    tick = 0;
    return true;
}

}  // namespace

std::string MaskWords(std::string_view input) {
    std::string out(input);
    for (std::string_view word : kMaskedWords) {
        if (text::FindNoCase(out, word) != std::string::npos) {
            out = text::ReplaceNoCase(out, word, "****");
        }
    }
    return out;
}

void UpdateScanProgress(ScanContext& ctx, std::string_view prefix, std::string_view item,
                        int phasePercent, int overallPercent) {
    if (!Due(ctx)) {
        return;
    }
    std::string status;
    status.reserve(prefix.size() + 2 + item.size());
    status.append(prefix).append(text::kCrLf).append(item);
    Refresh(ctx, status, phasePercent, overallPercent);
}

void UpdateScanProgressText(ScanContext& ctx, std::string_view status, int phasePercent,
                            int overallPercent) {
    if (!Due(ctx)) {
        return;
    }
    Refresh(ctx, std::string(status), phasePercent, overallPercent);
}

void RefreshCounterLabels(ScanContext& ctx) {
    auto& c = ctx.controls;
    const auto& n = ctx.session.counters;
    if (!ctx.session.memoryNotSelected) {
        c.lblMemoryInspected.SetCaption(text::ToDecimal(n.MemoryItemsInspected));
    }
    if (!ctx.session.registryNotSelected) {
        c.lblRegistryInspected.SetCaption(text::ToDecimal(n.RegistryEntriesInspected));
    }
    c.lblFilesFolderInspected.SetCaption(text::ToDecimal(n.FilesFoldersInspected));
    c.lblSoftwareFound.SetCaption(text::ToDecimal(n.SpywareFound));
    c.lblRemovePicSoftwareFound.SetCaption(text::ToDecimal(n.SpywareFound));
}

void IncrementLabel(ui::Label& label) {
    const auto n = convert::ToNumber(label.Caption(), 0);
    label.SetCaption(text::ToDecimal(n + 1));
}

int PercentOf(std::int64_t part, std::int64_t whole) {
    auto p = convert::Percent(static_cast<double>(part), static_cast<double>(whole));
    return p ? *p : -1;
}

}  // namespace quellon::scan
