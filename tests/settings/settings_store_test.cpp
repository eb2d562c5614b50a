#include <gtest/gtest.h>

#include "settings/background_timers.h"
#include "settings/settings_store.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

TEST(SettingsStoreTest, AbsentKeysGiveTheReadersDefaultAndValuesKeepTheirForms) {
    TestMachine machine;
    settings::SettingsStore store(machine.Platform().settings);
    EXPECT_EQ(store.Get("Settings", "lblLastScan", "Never"), "Never");
    EXPECT_EQ(store.GetNumber("OptionAndSettings", "chkMakeLog", 1), 1);
    EXPECT_TRUE(store.GetBool("OptionAndSettings", "optMemorySheildOn", true));
    store.SaveCheck("OptionAndSettings", "chkMakeLog", false);
    store.SaveOption("OptionAndSettings", "optMemorySheildOn", false);
    EXPECT_EQ(store.Get("OptionAndSettings", "chkMakeLog", "x"), "0");
    EXPECT_EQ(store.Get("OptionAndSettings", "optMemorySheildOn", "x"), "False");
    EXPECT_EQ(store.GetNumber("OptionAndSettings", "chkMakeLog", 1), 0);
    EXPECT_FALSE(store.GetBool("OptionAndSettings", "optMemorySheildOn", true));
    // A value edited from outside that holds no number falls back.
    store.Save("OptionAndSettings", "chkScanCookies", "yes please");
    EXPECT_EQ(store.GetNumber("OptionAndSettings", "chkScanCookies", 1), 1);
    // Another application name is kept apart.
    auto runState = store.For(settings::kRunStateApp);
    runState.Save("Settings", "Product", "Quellon Pro");
    EXPECT_EQ(store.Get("Settings", "Product", "none"), "none");
    EXPECT_EQ(runState.Get("Settings", "Product", "none"), "Quellon Pro");
}

TEST(SettingsStoreTest, BackgroundTimersSwitchFromTheStoredSettings) {
    TestMachine machine;
    settings::SettingsStore store(machine.Platform().settings);
    ui::Timer scheduler{10, true}, homePage{5000, false}, memory{10000, false},
        timeOut{30000, true};
    settings::BackgroundTimers timers{scheduler, homePage, memory, timeOut};
    settings::SetBackgroundTimers(store, timers, true);
    EXPECT_FALSE(scheduler.Enabled());
    EXPECT_TRUE(homePage.Enabled());
    EXPECT_TRUE(memory.Enabled());
    store.Save("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
    store.Save("OptionAndSettings", "optMemorySheildOn", "False");
    settings::SetBackgroundTimers(store, timers, true);
    EXPECT_TRUE(scheduler.Enabled());
    EXPECT_FALSE(memory.Enabled());
    settings::SetBackgroundTimers(store, timers, false);
    EXPECT_FALSE(scheduler.Enabled());
    EXPECT_FALSE(homePage.Enabled());
    EXPECT_FALSE(timeOut.Enabled());
}

}  // namespace
}  // namespace quellon::testing
