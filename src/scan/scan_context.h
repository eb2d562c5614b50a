// What a scanner works with: the main window's counters, result lists and
// progress display, the scan's own state, the definitions, the exclusion
// list, the settings and the platform. The main window builds it from its
// controls; no scanner knows the window itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "definitions/definition_set.h"
#include "definitions/exclusion_list.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::scan {

// Small icons of result rows, by kind.
inline constexpr int kIconCookie = 1;
inline constexpr int kIconRegistry = 2;
inline constexpr int kIconFile = 3;

inline constexpr std::string_view kFoundSuffix = " - Found";
inline constexpr std::string_view kMicrosoftCorporation = "MICROSOFT CORPORATION";

struct ScanCounters {
    std::int32_t MemoryItemsInspected = 0;
    std::int32_t RegistryEntriesInspected = 0;
    std::int32_t FilesFoldersInspected = 0;
    std::int32_t SpywareFound = 0;
    std::int32_t RefreshTick = 0;
};

// The controls of the main window that a scan reads and fills.
struct ScanControls {
    ui::Label& lblMemoryInspected;
    ui::Label& lblRegistryInspected;
    ui::Label& lblFilesFolderInspected;
    ui::Label& lblSoftwareFound;
    ui::Label& lblRemovePicSoftwareFound;
    ui::Label& lbltracesFound;
    ui::Label& lblPercentageCompleted;
    ui::Label& lblStatus;
    ui::Label& lblTotalNoOfRunningItems;
    ui::ProgressBar& pb1;
    ui::ProgressBar& pb2;
    ui::ProgressBar& pbgMain;
    ui::ListView& lvwSpywareFound;
    ui::ListView& lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    ui::ActionList& lvwFilesToBeDeleted;
    ui::PackedList& lvwFileNotFounds;
    ui::ActionList& lvwRegistryToBeDeleted;
    ui::ActionList& lvwCookiesToDelete;
    ui::ListView& lvwBlockedCookies;
    // "Scan Now". Its state says nothing of whether a scan runs (start-up
    // greys it when a definition file is missing): ScanSession says that.
    ui::Button& cmdScan;
};

// The state of one scan.
struct ScanSession {
    ScanCounters counters;
    // Set by the scan procedure for the length of its phases and cleared at
    // its end, and by nothing else: the process and cookie scans list and
    // stop what they find while it is set, and ask the user otherwise.
    bool ScanRunning = false;
    // Stop (or Ctrl-C) pressed during the scan. It stays set after a
    // cancelled scan, so those who ran the scan can tell; it stops nothing
    // outside a scan.
    bool StopRequested = false;
    std::string StatusPrefix;
    bool UnattendedRemoval = false;
    std::string ScanStartTime;
    std::string ScanEndTime;
    // Phases that were off keep "Not Selected" in their counter label.
    bool memoryNotSelected = false;
    bool registryNotSelected = false;
    // The name of the hive of the last registry definition read.
    std::string currentHiveName;
};

// One process-scan variant's copy of the decoded executable definitions,
// read once per program run, and the answers of the list for the process
// names it was asked about: the same programs run tick after tick of the
// memory shield, and each new question searches the whole list.
struct ExeDefinitionList {
    std::string text, upper;
    // The lines `text` holds, counted when it was read; a tick that finds
    // the list read adds them without counting again.
    size_t lines = 0;
    // Whether `upper` lists the name, as the first-occurrence match
    // answers it; remembered until the list is read again.
    bool Lists(const std::string& name);
    void Forget() { answers_.clear(); }

private:
    // Programs with names never seen before (installers with random names)
    // would grow it for ever: it starts over past this many names.
    static constexpr size_t kMaxAnswers = 4096;
    std::unordered_map<std::string, bool> answers_;
};

struct ExeDefinitionCache {
    ExeDefinitionList nt, x9;
};

struct ScanContext {
    ScanControls& controls;
    ScanSession& session;
    platform::Platform& platform;
    ui::Host& host;
    definitions::DefinitionSet& definitions;
    definitions::ExclusionList& exclusions;
    settings::SettingsStore& settings;
    ExeDefinitionCache& exeCache;
    std::string productName = std::string(settings::kProductName);
    // A listed program found running outside a scan (the memory shield's
    // alert); unset, nothing is shown.
    std::function<void(const std::string& name, const std::string& company)> onShieldDetection;
    // The same on the 9x family, where the user is asked Yes (stop) or No
    // (allow) about the process `pid`; true when it was stopped. Unset,
    // nothing is asked and nothing done.
    std::function<bool(const std::string& name, const std::string& company, std::uint32_t pid)>
        onShieldQuestion9x{};
    // A live definition line a scan passed over because it names what no
    // definition may (a path outside the machine, a protected key deleted
    // whole): its file's kind, its line number (from 1) and why. Unset,
    // the line is passed over silently.
    std::function<void(definitions::Kind kind, std::size_t line, const std::string& reason)>
        onPassedOver = nullptr;

    bool ScanRunning() const { return session.ScanRunning; }
    // Whether the scan that runs was asked to stop. A stop left over from a
    // cancelled scan does not hold back the memory shield's look.
    bool StopWanted() const { return session.ScanRunning && session.StopRequested; }
};

// Refreshes the display on every 100th call: counters, the masked status
// text (prefix, CR LF, item), and the bars (a percent below 0 leaves its bar).
void UpdateScanProgress(ScanContext& ctx, std::string_view prefix, std::string_view item,
                        int phasePercent, int overallPercent);
// The same with a whole status text.
void UpdateScanProgressText(ScanContext& ctx, std::string_view status, int phasePercent,
                            int overallPercent);
// UpdateScanProgress in two steps, for loops that keep their masked status
// texts: ScanProgressDue counts the call and tells whether this one
// refreshes; RefreshScanProgress then shows an already masked status.
bool ScanProgressDue(ScanContext& ctx);
// How many of the next ScanProgressDue calls would say no; SkipQuietProgress
// counts that many calls (or fewer) at once, as making them would.
std::size_t QuietProgressCalls(const ScanContext& ctx);
void SkipQuietProgress(ScanContext& ctx, std::size_t calls);
void RefreshScanProgress(ScanContext& ctx, const std::string& maskedStatus, int phasePercent,
                         int overallPercent);
// Writes the counters into their labels now (phases that were off keep
// "Not Selected").
void RefreshCounterLabels(ScanContext& ctx);
// Replaces every listed offensive word, ignoring case and also inside longer
// words, by "****".
std::string MaskWords(std::string_view text);

// Adds `count` (or 1) to the whole number shown in a label.
void AddToLabel(ui::Label& label, std::int64_t count);
void IncrementLabel(ui::Label& label);

// Counts a phase's hits for a label and shows them in one change: at each
// progress refresh and when the phase ends, rather than at every hit.
class LabelTally {
public:
    explicit LabelTally(ui::Label& label) : label_(label) {}
    LabelTally(const LabelTally&) = delete;
    LabelTally& operator=(const LabelTally&) = delete;
    ~LabelTally() {
        try {
            Show();
        } catch (...) {
            // The phase is being left by an error of its own; that error tells.
        }
    }
    void Add() { ++pending_; }
    void Show();

private:
    ui::Label& label_;
    std::int64_t pending_ = 0;
};

// Percent of part over whole, rounded halves to even; -1 when whole is 0.
int PercentOf(std::int64_t part, std::int64_t whole);

}  // namespace quellon::scan
