// The two shields: the memory shield, which runs the process scan outside a
// scan so that each listed program found raises its alert, and the
// home-page shield, which keeps the browser's start page where the user
// wants it. Each tick switches the background timers off for its run and
// back on from the settings at its end.
#pragma once

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
};

// tmrMemoryInspected's tick: nothing while the memory shield is off.
void MemoryShieldTick(ProtectionContext& ctx);

// A listed program found running outside a scan: its alert is filled and
// shown, and the process scan goes on once it is answered (or closed, which
// leaves the program running and excludes nothing).
void ReportShieldDetection(ProtectionContext& ctx, const std::string& name,
                           const std::string& company);

// tmrCheckHomePage's tick; every third one also runs the memory shield.
void HomePageShieldTick(ProtectionContext& ctx);

}  // namespace quellon::protection
