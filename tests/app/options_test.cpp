#include "settings/background_timers.h"
#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

using settings::kOptionAndSettings;
namespace keys = settings::keys;

class OptionsTest : public FormTest {};

// The drive list of a machine root with a CD-ROM drive.
TEST_F(OptionsTest, FreshProfileShowsTheDefaultsLinuxOnly) {
    machine.PlantLinuxFile("drive_d/x", "");
    machine.WriteMachineIni("[Drives]\r\nD=CDROM Drive\r\n");
    auto& f = Form();
    EXPECT_TRUE(f.optMemorySheildOn.Value());
    EXPECT_TRUE(f.chkAutoProtect.Checked());
    EXPECT_TRUE(f.optIEHomePageSheildOn.Value());
    EXPECT_TRUE(f.chkHomePage.Checked());
    EXPECT_TRUE(f.optAlwaysnotifybeforerestoring.Value());
    EXPECT_TRUE(f.chkSweepMemory.Checked());
    EXPECT_TRUE(f.chkScanRegistry.Checked());
    EXPECT_TRUE(f.chkScanCookies.Checked());
    EXPECT_TRUE(f.chkMakeLog.Checked());
    EXPECT_FALSE(f.chkRunAtStartup.Checked());
    EXPECT_FALSE(f.chkAutomaticScanYesOrNo.Checked());
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_TRUE(f.optScanOnlyKnownSoftwares.Value());
    EXPECT_FALSE(f.lvwHardDrives.Visible());
    ASSERT_EQ(f.lvwHardDrives.Count(), 2u);
    EXPECT_EQ(f.lvwHardDrives.Item(0).text, "Drive C: Fixed Disk");
    EXPECT_EQ(f.lvwHardDrives.Item(1).text, "Drive D: CDROM Drive");
    EXPECT_TRUE(f.lvwHardDrives.Item(1).checked);
    EXPECT_EQ(f.lblLastUpdate.Caption(), "Signatures Last Updated On 0");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSHOW), "True");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptScanOnlyKnownSoftwares), "True");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptScanAllSelectedHardDrive), "False");
}

TEST_F(OptionsTest, StoredChoicesComeBackAndEveryStartIsAQuickScan) {
    {
        auto& s = machine.Platform().settings;
        s.Set("Quellon Pro", kOptionAndSettings, keys::kOptScanAllSelectedHardDrive, "True");
        s.Set("Quellon Pro", kOptionAndSettings, keys::kOptMemorySheildOn, "False");
        s.Set("Quellon Pro", kOptionAndSettings, keys::kOptMemorySheildOff, "True");
        s.Set("Quellon Pro", kOptionAndSettings, keys::kChkScanCookies, "0");
        s.Set("Quellon Pro", settings::kDrives, "Drive C: Fixed Disk", "False");
    }
    auto& f = Form();
    EXPECT_TRUE(f.optScanOnlyKnownSoftwares.Value());
    EXPECT_FALSE(f.lvwHardDrives.Visible());
    EXPECT_TRUE(f.optMemorySheildOff.Value());
    EXPECT_FALSE(f.chkAutoProtect.Checked());
    EXPECT_FALSE(f.tmrMemoryInspected.Enabled());
    EXPECT_FALSE(f.chkScanCookies.Checked());
    EXPECT_FALSE(f.lvwHardDrives.Item(0).checked);
    f.lvwHardDrives.SetChecked(0, true);
    EXPECT_EQ(Stored(settings::kDrives, "Drive C: Fixed Disk"), "True");
}

TEST_F(OptionsTest, HomePageShieldControlsStoreThePairAndGreyTheRestoreOptions) {
    auto& f = Form();
    f.chkHomePage.SetChecked(false);
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptIEHomePageSheildOn), "False");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptIEHomePageSheildOff), "True");
    EXPECT_FALSE(f.tmrCheckHomePage.Enabled());
    EXPECT_FALSE(f.optAlwaysnotifybeforerestoring.Enabled());
    EXPECT_FALSE(f.optRestoredefaultwithoutnotification.Enabled());
    f.optIEHomePageSheildOff.SetValue(true);
    f.optIEHomePageSheildOn.SetValue(true);
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptIEHomePageSheildOn), "True");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptIEHomePageSheildOff), "False");
    EXPECT_TRUE(f.optRestoredefaultwithoutnotification.Enabled());
    f.optRestoredefaultwithoutnotification.SetValue(true);
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptAlwaysnotifybeforerestoring), "False");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kOptRestoredefaultwithoutnotification), "True");
    f.chkMakeLog.SetChecked(false);
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kChkMakeLog), "0");
    f.chkAutoDel.SetChecked(true);
    EXPECT_EQ(Stored(settings::kSettings, keys::kChkAutoDel), "1");
}

// The registry file of a machine root is written back.
TEST_F(OptionsTest, RunAtStartupWritesAndRemovesTheRunValueLinuxOnly) {
    auto& f = Form();
    f.chkRunAtStartup.SetChecked(true);
    auto& reg = machine.Platform().registry;
    const auto key = reg.OpenKey(platform::kHkeyLocalMachine,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 63);
    ASSERT_NE(key, 0u);
    auto value = reg.QueryValue(key, "quellon-pro");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data, f.Info().programFolder + "\\quellon-pro" + std::string(1, '\0'));
    reg.CloseKey(key);
    EXPECT_NE(ReadBytes(machine.Root() / "registry.reg").size(), 0u);
    f.chkRunAtStartup.SetChecked(false);
    const auto again = reg.OpenKey(platform::kHkeyLocalMachine,
                                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 63);
    EXPECT_FALSE(reg.QueryValue(again, "quellon-pro"));
    reg.CloseKey(again);
}

TEST_F(OptionsTest, BackgroundTimersFollowTheSettings) {
    auto& f = Form();
    f.tmrScheduler.SetEnabled(true);
    f.Settings().Save(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, "0");
    f.Settings().Save(kOptionAndSettings, keys::kOptIEHomePageSheildOn, "False");
    f.SetBackgroundTimers(true);
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_FALSE(f.tmrCheckHomePage.Enabled());
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    f.SetBackgroundTimers(false);
    EXPECT_FALSE(f.tmrMemoryInspected.Enabled());
    EXPECT_FALSE(f.tmrTimeOut.Enabled());
}

}  // namespace
}  // namespace quellon::testing
