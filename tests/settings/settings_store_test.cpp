#include <gtest/gtest.h>

#include <stdexcept>

#ifndef _WIN32
#include "platform/posix/backend_classes.h"
#endif
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

// A batch writes its keys however the procedure that opened it ends: at its
// end, by an early return, or by an exception; stores made with For share it.
TEST(SettingsStoreTest, ABatchIsWrittenHoweverItsProcedureEnds) {
    TestMachine machine;
    settings::SettingsStore store(machine.Platform().settings);
    // Another program's view: on Linux a store over the settings folder of
    // its own (the registry on Windows is written key by key anyway).
    auto readBack = [&machine](std::string_view key,
                               std::string_view app = settings::kProductName) {
#ifdef _WIN32
        platform::SettingsStorage& other = machine.Platform().settings;
#else
        posix::IniSettings other(machine.Config());
#endif
        return settings::SettingsStore(other, std::string(app)).Get("Settings", key, "absent");
    };
    auto procedure = [&store](bool leaveEarly) {
        const auto batch = store.Batch();
        store.Save("Settings", "first", "1");
        if (leaveEarly) {
            return;
        }
        store.Save("Settings", "second", "2");
    };
    procedure(true);
    EXPECT_EQ(readBack("first"), "1");
    EXPECT_EQ(readBack("second"), "absent");
    procedure(false);
    EXPECT_EQ(readBack("second"), "2");
    try {
        const auto batch = store.Batch();
        store.Save("Settings", "thrown", "3");
        store.For(settings::kRunStateApp).Save("Settings", "File", "x.exe");
        EXPECT_EQ(store.Get("Settings", "thrown", "absent"), "3");
        throw std::runtime_error("left by an exception");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(readBack("thrown"), "3");
    EXPECT_EQ(readBack("File", settings::kRunStateApp), "x.exe");
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
