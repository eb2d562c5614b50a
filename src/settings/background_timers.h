// The one routine that switches the background timers off, or on from the settings.
#pragma once

#include "settings/settings_store.h"
#include "ui/controls.h"

namespace quellon::settings {

struct BackgroundTimers {
    ui::Timer& tmrScheduler;
    ui::Timer& tmrCheckHomePage;
    ui::Timer& tmrMemoryInspected;
    ui::Timer& tmrTimeOut;
};

// On: the schedule check, home-page shield and memory shield run as the
// settings say. Off: those three and the update time-out stop.
void SetBackgroundTimers(const SettingsStore& store, BackgroundTimers timers, bool enable);

}  // namespace quellon::settings
