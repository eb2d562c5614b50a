#include "common/text.h"
#include "definitions/codec.h"
#include "scan/scanners.h"

namespace quellon::scan {
namespace {

constexpr size_t kExeFieldSize = 260;

size_t CountLineEnds(std::string_view s) {
    size_t n = 0;
    for (size_t at = s.find(text::kCrLf); at != std::string_view::npos;
         at = s.find(text::kCrLf, at + 2)) {
        ++n;
    }
    return n;
}

// Reads ExeDefinition.dat into the variant's list once per program run; a
// later run only counts the lines held. `lastItem` receives the last decoded
// line read in this run. False when the file is absent.
bool LoadExeDefinitions(ScanContext& ctx, ExeDefinitionList& list, std::string& lastItem) {
    auto& n = ctx.session.counters;
    const auto& counts = ctx.definitions.Counts();
    std::string& textOut = list.text;
    if (!text::TrimView(textOut).empty()) {
        n.MemoryItemsInspected += static_cast<std::int32_t>(list.lines);
        return true;
    }
    list.Forget();
    list.lines = 0;
    const std::string path = ctx.definitions.PathOf(definitions::Kind::kExe);
    auto found = ctx.platform.files.LookupFile(path);
    if (!found || !text::EqualsNoCase(*found, definitions::kExeDefinitionName)) {
        return false;
    }
    auto reader = ctx.platform.files.OpenLines(path);
    textOut.clear();
    if (reader) {
        std::string line;
        while (reader->Next(line)) {
            if (ctx.StopWanted()) {
                textOut.clear();
                break;
            }
            definitions::DecodeInPlace(line);
            textOut += line;
            textOut += text::kCrLf;
            ++n.MemoryItemsInspected;
            if (ctx.ScanRunning()) {
                UpdateScanProgress(
                    ctx, ctx.session.StatusPrefix, line,
                    PercentOf(n.MemoryItemsInspected, counts.exe),
                    PercentOf(std::int64_t{n.MemoryItemsInspected} + counts.cookie, counts.total));
            }
            lastItem = line;
            ctx.host.DoEvents();
        }
    }
    list.upper = text::Upper(textOut);
    list.lines = CountLineEnds(textOut);
    return true;
}

bool IsMicrosoft(std::string_view company) {
    return text::Upper(text::TrimView(company)) == kMicrosoftCorporation;
}

}  // namespace

bool ExeDefinitionList::Lists(const std::string& name) {
    if (const auto it = answers_.find(name); it != answers_.end()) {
        return it->second;
    }
    const bool listed = definitions::MatchesFirstOccurrence(upper, name);
    if (answers_.size() >= kMaxAnswers) {
        answers_.clear();
    }
    answers_.emplace(name, listed);
    return listed;
}

void ScanRunningProcesses(ScanContext& ctx) {
    auto version = ctx.platform.processes.Version();
    if (!version) {
        return;
    }
    if (version->platformId == 1) {
        ScanProcesses9x(ctx);
    } else if (version->platformId == 2) {
        ScanProcessesNT(ctx);
    }
}

void ReportMemoryDetection(ScanContext& ctx, const std::string& name, const std::string& company) {
    if (ctx.ScanRunning()) {
        ctx.controls.lvwSpywareFound.Add(
            "Detected in the memory : " + name + " was stopped from running.", kIconFile);
        StopProcessByName(ctx.platform.processes, name);
        return;
    }
    if (ctx.onShieldDetection) {
        ctx.onShieldDetection(name, company);
    }
}

void ScanProcessesNT(ScanContext& ctx) {
    auto& n = ctx.session.counters;
    auto& procs = ctx.platform.processes;
    const auto& counts = ctx.definitions.Counts();
    std::string lastItem;
    LoadExeDefinitions(ctx, ctx.exeCache.nt, lastItem);

    const auto entries = ListRunningProcesses(procs);
    ctx.controls.lblTotalNoOfRunningItems.SetCaption(
        text::ToDecimal(static_cast<std::int64_t>(entries.size())));
    for (const auto& entry : entries) {
        ++n.MemoryItemsInspected;
        if (ctx.ScanRunning()) {
            UpdateScanProgress(
                ctx, ctx.session.StatusPrefix, lastItem,
                PercentOf(n.MemoryItemsInspected, counts.exe),
                PercentOf(std::int64_t{n.MemoryItemsInspected} + counts.exe, counts.total));
        }
        if (ctx.StopWanted()) {
            return;
        }
        if (!procs.CanOpen(entry.pid, platform::kProcessQueryInfoVmRead)) {
            continue;
        }
        auto module = procs.FirstModulePath(entry.pid);
        if (!module) {
            continue;
        }
        const std::string path =
            NormalizeSystemPath(ctx.platform.shell, text::Upper(text::TrimView(*module)));
        const std::string name(text::FileNameOfPath(path));
        if (ctx.exeCache.nt.Lists(name)) {
            const std::string company = GetCompanyName(ctx.platform.files, path);
            if (!IsMicrosoft(company) && !ctx.exclusions.IsExcluded(name) &&
                !text::EqualsNoCase(text::TrimView(name), "ZivedeZaduzurEdovar.exe")) {
                ReportMemoryDetection(ctx, name, company);
                ++n.SpywareFound;
            }
        }
        ctx.host.DoEvents();
    }
}

void ScanProcesses9x(ScanContext& ctx) {
    auto& n = ctx.session.counters;
    auto& procs = ctx.platform.processes;
    std::string lastItem;
    if (!LoadExeDefinitions(ctx, ctx.exeCache.x9, lastItem)) {
        return;
    }
    auto snapshot = procs.Snapshot();
    if (!snapshot) {
        return;
    }
    for (const auto& entry : *snapshot) {
        IncrementLabel(ctx.controls.lblTotalNoOfRunningItems);
        // The snapshot's executable field is a fixed buffer holding the full
        // path; the text after its last "\" is the process name.
        std::string path = entry.exeFile.substr(0, kExeFieldSize - 1);
        if (const size_t nul = path.find('\0'); nul != std::string::npos) {
            path.resize(nul);
        }
        const std::string name = text::Upper(text::TrimView(text::FileNameOfPath(path)));
        if (ctx.exeCache.x9.Lists(name)) {
            const std::string company = GetCompanyName(ctx.platform.files, path);
            if (!IsMicrosoft(company) && !ctx.exclusions.IsExcluded(name)) {
                if (ctx.ScanRunning()) {
                    ctx.controls.lvwSpywareFound.Add(
                        "Detected in the memory : " + name + " and was stopped being from ruuning.",
                        kIconFile);
                    TerminateProcessById(procs, entry.pid);
                    ++n.SpywareFound;
                } else if (ctx.onShieldQuestion9x &&
                           ctx.onShieldQuestion9x(name, company, entry.pid)) {
                    ++n.SpywareFound;
                }
            }
        }
        ctx.host.DoEvents();
    }
}

}  // namespace quellon::scan
