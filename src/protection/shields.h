// The two shields: the memory shield, which runs the process scan outside a
// scan so that each listed program found raises its alert, and the
// home-page shield, which keeps the browser's start page where the user
// wants it. Each tick switches the background timers off for its run and
// back on from the settings at its end.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "protection/alerts.h"
#include "scan/scan_context.h"
#include "settings/background_timers.h"
#include "ui/windows.h"

namespace quellon::protection {

// What the shields work with; the main window builds it from its own parts.
struct ProtectionContext {
    settings::SettingsStore& settings;
    settings::BackgroundTimers timers;
    platform::Platform& platform;
    ui::Windows& windows;
    // The process scan the memory shield runs.
    scan::ScanContext& scan;
    FrmSpywareFoundAlert& spywareAlert;
    FrmHomePageChangedAlert& homePageAlert;
    // The home-page shield's ticks since it last ran the memory shield.
    int homePageTicks = 0;
    // Whether the main window is shown in normal state: the memory shield
    // and the schedule check pause meanwhile. Unset: never.
    std::function<bool()> windowShown{};
    // "Start" of the scan page: greyed while a tick runs, so that no scan
    // (the user's, the scheduler's) starts inside it and stops the program
    // an alert asks about.
    ui::Button* scanStart = nullptr;
    // The Yes/No question of the 9x family (stop the program?) answered in
    // place of the host's message box, as the command line answers it from
    // its options: true Yes (stop), false No (allow), nullopt unanswered
    // (nothing is done; it is asked again at the next look). It is given the
    // company as the alert shows it. Unset, the host's message box asks.
    std::function<std::optional<bool>(const std::string& name, const std::string& company)>
        answerStopQuestion{};
    // Run at the start of each look of the memory shield: the lists it
    // works from read again when another program changed them.
    std::function<void()> beforeLook{};
    // Told what became of a program a shield asked about.
    std::function<void(const std::string& name, ShieldAction action)> onShieldAction{};

    // Set while a shield's tick runs (and its alert waits): a tick that
    // finds it set returns at once.
    bool busy = false;
};

// What a shield's look was started by: its timer, or a request to look now
// (a start-up action), which looks also while the window is shown.
enum class Trigger { kTimer, kRequest };

// tmrMemoryInspected's tick: nothing while the memory shield is off, while
// a scan or another tick runs, or (for the timer) while the window is shown.
void MemoryShieldTick(ProtectionContext& ctx, Trigger trigger = Trigger::kTimer);

// The Yes/No question of the 9x family about one program running outside a
// scan: Yes stops it, No puts it on the exclusion list. True when it was
// stopped.
bool AskAboutProgram9x(ProtectionContext& ctx, const std::string& name, const std::string& company,
                       std::uint32_t pid);

// A listed program found running outside a scan: its alert is filled and
// shown, and the process scan goes on once it is answered (or closed, which
// leaves the program running and excludes nothing).
void ReportShieldDetection(ProtectionContext& ctx, const std::string& name,
                           const std::string& company);

// tmrCheckHomePage's tick; every third one also runs the memory shield
// (not while the window is shown). Nothing while a scan or another tick runs.
void HomePageShieldTick(ProtectionContext& ctx);

// The background timers back on from the settings, with the memory shield
// and the schedule check held off while the window is shown.
void ResumeBackgroundTimers(ProtectionContext& ctx);

}  // namespace quellon::protection
