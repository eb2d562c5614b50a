#include "settings/background_timers.h"

namespace quellon::settings {

void SetBackgroundTimers(const SettingsStore& store, BackgroundTimers timers, bool enable) {
    if (enable) {
        timers.tmrScheduler.SetEnabled(
            store.GetNumber(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, 0) != 0);
        timers.tmrCheckHomePage.SetEnabled(
            store.GetBool(kOptionAndSettings, keys::kOptIEHomePageSheildOn, true));
        timers.tmrMemoryInspected.SetEnabled(
            store.GetBool(kOptionAndSettings, keys::kOptMemorySheildOn, true));
        return;
    }
    timers.tmrCheckHomePage.SetEnabled(false);
    timers.tmrMemoryInspected.SetEnabled(false);
    timers.tmrScheduler.SetEnabled(false);
    timers.tmrTimeOut.SetEnabled(false);
}

}  // namespace quellon::settings
