// Scheduled scans and the tray as the main window runs them: the tab's
// controls, a scheduled scan in the tray with automatic deletion, the pause
// while the window is shown, and the tray menu's items.
#include "support/quarantine_log.h"
#include "support/removal_fixture.h"

namespace quellon::testing {
namespace {

using settings::kOptionAndSettings;
using settings::kSettings;
namespace keys = settings::keys;

// 2026-01-16 is a Friday.
constexpr DateTime kBefore{2026, 1, 16, 12, 59, 55};
constexpr DateTime kOneOClock{1899, 12, 30, 13, 0, 0};

class ScheduleTrayTest : public RemovalTest {
protected:
    void SetUp() override { host.SetNow(kBefore); }

    // A start as the window makes it.
    app::FrmMain& Loaded() {
        app::AppInfo info;
        info.programFolder = machine.HomeWindowsPath();
        form = std::make_unique<app::FrmMain>(info, machine.Platform(), host, frontEnd);
        EXPECT_TRUE(form->Form_Load());
        completes = 0;
        form->lblStatus.Observe([this] {
            if (form->lblStatus.Caption() == "Scanning complete.") {
                ++completes;
            }
        });
        return *form;
    }
    // The tab set to scan daily at 1 PM, and Apply.
    void ApplyDailyAtOne(app::FrmMain& f, bool autoDelete) {
        f.mnuSettingsItem[2].Click();
        f.chkAutomaticScanYesOrNo.SetChecked(true);
        f.dtpScheduleTime.SetValue(kOneOClock);
        f.cmbDays.SetListIndex(scheduler::kDaily);
        f.chkAutoDel.SetChecked(autoDelete);
        f.CmdProceed.Click();
        ASSERT_FALSE(f.CmdProceed.Enabled());
    }
    void PlantSpyware() {
        machine.PlantFile("C:\\Program Files\\BadCo\\bad.dll", "library");
        WriteDefinitions({"bad.dll=BadCo|C:\\Program Files\\BadCo"});
    }

    std::unique_ptr<app::FrmMain> form;
    int completes = 0;
};

TEST_F(ScheduleTrayTest, AFreshProfileSelectsDailyWithScheduledScansOff) {
    WriteDefinitions();
    auto& f = Loaded();
    EXPECT_EQ(f.cmbDays.Text(), "Daily");
    EXPECT_EQ(f.cmbDays.entries.size(), 10u);
    EXPECT_EQ(f.cmbDays.entries[8], "Date & Time");
    EXPECT_FALSE(f.chkAutomaticScanYesOrNo.Checked());
    EXPECT_FALSE(f.cmbDays.Enabled() || f.dtpScheduleDate.Enabled() || f.dtpScheduleTime.Enabled());
    EXPECT_TRUE(f.dtpScheduleDate.IsNull());
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kDay), "<absent>");
    EXPECT_EQ(f.lblSchedule.Caption(), "none");
}

TEST_F(ScheduleTrayTest, InTheTrayTheScheduledScanRunsOnceAndQuarantinesWhatItFinds) {
    PlantSpyware();
    auto& f = Loaded();
    ApplyDailyAtOne(f, true);
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kTime), "1:00:00 PM");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kDay), "7");
    EXPECT_EQ(f.lblSchedule.Caption(),
              "daily at 1:00:00 PM; next scan Friday 1/16/2026 1:00:00 PM");
    f.Command5.Click();
    EXPECT_TRUE(f.tmrScheduler.Enabled());

    host.RunFor(4990);
    EXPECT_EQ(completes, 0);
    host.RunFor(60000);
    EXPECT_EQ(completes, 1);
    EXPECT_EQ(f.Scheduler().ScansStarted(), 1u);
    EXPECT_EQ(Stored(kSettings, keys::kLblLastScan), "1/16/2026 1:00:00 PM");
    EXPECT_NE(machine.ReadHome("Scan_Log.txt"), "");
    // Removed without a question (the host fails on any box), into the
    // quarantine with its log line.
    EXPECT_FALSE(Exists("C:\\Program Files\\BadCo\\bad.dll"));
    EXPECT_EQ(ReadBytes(QuarantinePath("bad.dll")), "library");
    EXPECT_NE(Log().find("1/16/2026 1:00:00 PM - File: bad.dll\r\nLocation: C:\\Program "
                         "Files\\BadCo\\bad.dll"),
              std::string::npos);
    EXPECT_FALSE(f.Session().UnattendedRemoval);
    EXPECT_NE(Stored(kSettings, keys::kLblDefRemoved), "<absent>");
    EXPECT_FALSE(f.frmMainWindow.Visible());
    EXPECT_TRUE(f.tmrScheduler.Enabled()) << "armed again for tomorrow";
    EXPECT_EQ(f.lblSchedule.Caption(),
              "daily at 1:00:00 PM; next scan Saturday 1/17/2026 1:00:00 PM");
}

TEST_F(ScheduleTrayTest, ShownInNormalStateTheScheduleWaitsMinimisedItRuns) {
    PlantSpyware();
    auto& f = Loaded();
    ApplyDailyAtOne(f, false);
    // The home-page shield switches the background timers on from the
    // settings every five seconds; the check still pauses.
    host.RunFor(70000);
    EXPECT_EQ(completes, 0);
    EXPECT_EQ(Stored(kSettings, keys::kLblLastScan), "<absent>");

    // Minimised (not in the tray) the next day's scan runs; without
    // automatic deletion the file stays.
    host.SetNow(DateTime{2026, 1, 17, 12, 59, 58});
    f.frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    host.RunFor(5000);
    EXPECT_EQ(completes, 1);
    EXPECT_TRUE(Exists("C:\\Program Files\\BadCo\\bad.dll"));
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 1u);
}

TEST_F(ScheduleTrayTest, TheLoadShowsOnlyThePickersTheDayUses) {
    WriteDefinitions();
    Loaded();
    ApplyDailyAtOne(*form, false);
    auto& f = Loaded();
    EXPECT_TRUE(f.chkAutomaticScanYesOrNo.Checked());
    EXPECT_EQ(f.cmbDays.ListIndex(), scheduler::kDaily);
    EXPECT_TRUE(f.cmbDays.Enabled());
    EXPECT_TRUE(f.dtpScheduleTime.Enabled());
    EXPECT_EQ(f.dtpScheduleTime.Value(), kOneOClock);
    EXPECT_FALSE(f.dtpScheduleDate.Enabled());
    // Reset: "Daily", off, applied.
    f.cmdDefaultSetting.Click();
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo), "0");
    EXPECT_FALSE(f.chkAutomaticScanYesOrNo.Checked());
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_EQ(f.lblSchedule.Caption(), "none");
}

TEST_F(ScheduleTrayTest, TheTrayMenuOpensAboveTheTaskbarAndItsItemsFollowTheWindow) {
    WriteDefinitions();
    auto& f = Loaded();
    auto& menu = f.frmMenuPopUp;
    // Not in the tray, the icon's messages do nothing.
    f.OnTrayMessage(0x205);
    EXPECT_FALSE(menu.tmrMenuPopup.Enabled());

    f.Command5.Click();
    EXPECT_TRUE(frontEnd.trayIconShown);
    EXPECT_EQ(frontEnd.trayTip, "Quellon Pro by Quellon Software");
    f.OnTrayMessage(0x205);
    EXPECT_TRUE(menu.tmrMenuPopup.Enabled());
    EXPECT_TRUE(menu.mnuMaxmimaize.Enabled());
    EXPECT_TRUE(menu.mnuClose.Enabled());
    host.RunFor(200);
    EXPECT_TRUE(menu.Visible());
    EXPECT_LE(menu.PixelTop() + menu.PixelHeight(),
              frontEnd.screen.height - frontEnd.screen.taskbarHeight);
    // "Show Program": the window back in normal state, the menu gone.
    menu.mnuMaxmimaize.Click();
    EXPECT_TRUE(f.frmMainWindow.Visible());
    EXPECT_EQ(f.frmMainWindow.WindowState(), ui::Window::State::kNormal);
    EXPECT_EQ(Stored(kSettings, keys::kMinimized), "No");
    EXPECT_FALSE(menu.Visible());
    // With the window visible "Show Program" is greyed; with both of the
    // banner's Options and Result labels greyed, so is "Exit Program".
    f.lblOptions.SetEnabled(false);
    f.lblResult.SetEnabled(false);
    f.OnTrayMessage(0x205);
    EXPECT_FALSE(menu.mnuMaxmimaize.Enabled());
    EXPECT_FALSE(menu.mnuClose.Enabled());
    menu.Unload();

    // "Options...": the window and the option page.
    f.Command5.Click();
    f.OnTrayMessage(0x205);
    menu.mnuShowOptions.Click();
    EXPECT_TRUE(f.frmMainWindow.Visible());
    EXPECT_TRUE(f.frmOptions.Visible());
    // "Scan Now": the window and a scan.
    f.Command5.Click();
    f.OnTrayMessage(0x205);
    menu.mnuScanNow.Click();
    EXPECT_TRUE(f.frmMainWindow.Visible());
    EXPECT_EQ(completes, 1);
    EXPECT_TRUE(f.frmScan.Visible());
}

TEST_F(ScheduleTrayTest, ExitFromTheTrayMenuAsksFirst) {
    WriteDefinitions();
    auto& f = Loaded();
    f.Command5.Click();
    f.OnTrayMessage(0x205);
    const std::string question =
        "Closing Quellon Pro may leave your system vulnerable to malicious programs. Are you "
        "sure you want to exit?";
    // No: back to the tray, where the next start finds it too.
    host.ExpectMsgBox(question, ui::MsgResult::kNo);
    f.frmMenuPopUp.mnuClose.Click();
    EXPECT_EQ(host.Shown().back().style, ui::kYesNo | ui::kQuestion);
    EXPECT_EQ(host.Shown().back().title, "Quellon Pro");
    EXPECT_FALSE(host.Ended());
    EXPECT_FALSE(f.frmMainWindow.Visible());
    EXPECT_EQ(f.frmMainWindow.WindowState(), ui::Window::State::kMinimized);
    EXPECT_FALSE(f.frmMainWindow.ShowInTaskList());
    EXPECT_TRUE(f.clsTray.bRunningInTray());
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    EXPECT_EQ(Stored(kSettings, keys::kMinimized), "Yes");
    EXPECT_FALSE(f.frmMenuPopUp.Visible());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
    // Yes: stopped, the icon removed, the program ends.
    f.OnTrayMessage(0x205);
    host.ExpectMsgBox(question, ui::MsgResult::kYes);
    f.frmMenuPopUp.mnuClose.Click();
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "STOPPED");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kRESTART), "False");
    EXPECT_FALSE(frontEnd.trayIconShown);
    EXPECT_FALSE(f.clsTray.bRunningInTray());
}

TEST_F(ScheduleTrayTest, TheHelpMenuOpensTheShippedPage) {
    WriteDefinitions();
    machine.HomeFile("Help.html", "<html></html>");
    auto& f = Loaded();
    // The first start showed it once.
    ASSERT_EQ(host.openedDocuments.size(), 1u);
    EXPECT_EQ(host.openedDocuments[0], machine.HomeWindowsPath() + "\\Help.html");
    EXPECT_EQ(Stored(kSettings, keys::kShowHelp), "0");
    f.mnuViewHelp.Click();
    EXPECT_EQ(host.openedDocuments.size(), 2u);
    EXPECT_FALSE(f.form8.Visible());
}

}  // namespace
}  // namespace quellon::testing
