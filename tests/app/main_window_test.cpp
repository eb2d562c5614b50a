#include "app/frm_splash.h"
#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

using settings::kOptionAndSettings;
using settings::kSettings;
namespace keys = settings::keys;

class MainWindowTest : public FormTest {
protected:
    app::FrmMain& Fresh() {
        app::AppInfo info;
        info.programFolder = machine.HomeWindowsPath();
        form = std::make_unique<app::FrmMain>(info, machine.Platform(), host, frontEnd);
        return *form;
    }
    std::unique_ptr<app::FrmMain> form;
};

TEST_F(MainWindowTest, LoadWritesTheRunStateAndShowsTheStatusPage) {
    WriteDefinitions({"a.dll=A"}, {"2^X^=X"});
    auto& f = Fresh();
    ASSERT_TRUE(f.Form_Load());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kRESTART), "False");
    auto runState = f.Settings().For(settings::kRunStateApp);
    EXPECT_EQ(runState.Get(kSettings, keys::kProduct, ""), "Quellon Pro");
    EXPECT_EQ(runState.Get(kSettings, keys::kFile, ""), "quellon-pro.exe");
    EXPECT_TRUE(f.frmStatus.Visible());
    EXPECT_EQ(f.frmStatus.Caption(), "Quellon Pro Status");
    EXPECT_EQ(f.frmMainWindow.Caption(), "Quellon Pro by Quellon Software");
    EXPECT_EQ(f.Label22.Caption(), "Welcome to Quellon Pro");
    EXPECT_EQ(f.lblDefCount.Caption(), "2");
    EXPECT_EQ(f.lblVersion.Caption(), "1.6");
    EXPECT_EQ(f.lblLastScan.Caption(), "Never");
    EXPECT_TRUE(f.PicStartUp.Visible());
    EXPECT_TRUE(f.cmdScan.Enabled());
    EXPECT_EQ(f.cmbDays.Text(), "Daily");
    // Shown in normal state, the window lets its events run and pauses the
    // schedule check and the memory shield; the home-page shield goes on.
    EXPECT_TRUE(f.tmrScroll.Enabled());
    EXPECT_FALSE(f.tmrMemoryInspected.Enabled());
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_TRUE(f.tmrCheckHomePage.Enabled());
    EXPECT_FALSE(f.timUpdate.Enabled());
    EXPECT_FALSE(host.Ended());
    // Minimised, the memory shield runs again as the settings say.
    f.frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    EXPECT_FALSE(f.tmrScroll.Enabled());
}

TEST_F(MainWindowTest, ASecondInstanceEndsSilentlyBeforeWritingRunState) {
    WriteDefinitions();
    auto& f = Fresh();
    frontEnd.anotherInstance = true;
    EXPECT_FALSE(f.Form_Load());
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "<absent>");
    EXPECT_TRUE(host.Shown().empty());
}

TEST_F(MainWindowTest, MissingDefinitionsDisableScanningWithOneMessage) {
    host.ExpectMsgBox(
        "Definition files are missing or they have been corrupted, Please run Live Update.",
        ui::MsgResult::kOk);
    auto& f = Fresh();
    ASSERT_TRUE(f.Form_Load());
    EXPECT_FALSE(f.cmdScan.Enabled());
    EXPECT_TRUE(f.frmStatus.Visible());
}

TEST_F(MainWindowTest, HelpOpensOnTheFirstStartOnly) {
    WriteDefinitions();
    machine.HomeFile("Help.chm", "help");
    Fresh().Form_Load();
    ASSERT_EQ(host.openedDocuments.size(), 1u);
    EXPECT_EQ(host.openedDocuments[0], machine.HomeWindowsPath() + "\\Help.chm");
    EXPECT_EQ(Stored(kSettings, keys::kShowHelp), "0");
    Fresh().Form_Load();
    EXPECT_EQ(host.openedDocuments.size(), 1u);
}

TEST_F(MainWindowTest, TrayRoundTripAndTimersFollowTheWindowState) {
    WriteDefinitions();
    Fresh().Form_Load();
    form->Command5.Click();
    EXPECT_EQ(Stored(kSettings, keys::kMinimized), "Yes");
    // The next start goes straight to the tray.
    auto& f = Fresh();
    f.Form_Load();
    EXPECT_FALSE(f.frmMainWindow.Visible());
    EXPECT_TRUE(f.trayIcon.Visible());
    EXPECT_TRUE(f.frmMenuPopUp.mnuMaxmimaize.Enabled());
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    f.Settings().Save(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, "1");
    f.OnTrayMessage(0x203);
    EXPECT_TRUE(f.frmMainWindow.Visible());
    EXPECT_EQ(f.frmMainWindow.WindowState(), ui::Window::State::kNormal);
    EXPECT_EQ(Stored(kSettings, keys::kMinimized), "No");
    // Shown in normal state the schedule check and memory shield pause.
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_FALSE(f.tmrMemoryInspected.Enabled());
    EXPECT_TRUE(f.tmrScroll.Enabled());
    f.frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    EXPECT_TRUE(f.tmrScheduler.Enabled());
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    EXPECT_FALSE(f.tmrScroll.Enabled());
}

TEST_F(MainWindowTest, ExitPathsAndTheirRunState) {
    WriteDefinitions();
    Fresh().Form_Load();
    form->lblHide.Click();
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
    Fresh().Form_Load();
    form->mnuFileExit.Click();
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "STOPPED");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kRESTART), "False");
    Fresh().Form_Load();
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
    form->Form_QueryUnload();
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSTATUS), "STOPPED");
    EXPECT_FALSE(form->trayIcon.Visible());
}

TEST_F(MainWindowTest, PagesTabsAndSettingsMenu) {
    WriteDefinitions();
    auto& f = Fresh();
    f.Form_Load();
    f.mnuSettingsItem[2].Click();
    EXPECT_TRUE(f.frmOptions.Visible());
    EXPECT_FALSE(f.frmStatus.Visible());
    EXPECT_EQ(f.TabStrip1.SelectedIndex(), 3);
    EXPECT_FALSE(f.frmView[0].Visible());
    EXPECT_TRUE(f.frmView[2].Visible());
    f.cmdScan.Click();
    EXPECT_TRUE(f.frmScan.Visible());
    EXPECT_FALSE(f.frmOptions.Visible());
    f.lblOptions.Click();
    EXPECT_TRUE(f.PicOptions.Visible());
    EXPECT_FALSE(f.PicStartUp.Visible());
    EXPECT_FALSE(f.lblOptions.Enabled());
}

TEST_F(MainWindowTest, ExcludeWritesLocationThenNameForEveryTickedRow) {
    const std::string file = machine.Platform().shell.WindowsDirectory() + "\\a.dll";
    machine.PlantFile(file, "x");
    machine.PlantFile(CookieFolder() + "user@ads[1].txt", "ads.example/\n");
    WriteDefinitions({"a.dll=Foo|[wDir]"}, {}, {}, {"ads.example"});
    Scan(true, false, false);
    auto& f = Form();
    ASSERT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 2u);
    f.cmdSelectAll.Click();
    EXPECT_TRUE(f.lvwFilesToBeDeleted.Item(0).checked);
    EXPECT_TRUE(f.lvwCookiesToDelete.Item(0).checked);
    host.ExpectMsgBox("Are you sure you want to exclude the selected files?", ui::MsgResult::kYes);
    f.cmdExclude.Click();
    EXPECT_EQ(host.Shown().back().title, "Really Exclude?");
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"),
              CookieFolder() + "user@ads[1].txt\r\nuser@ads[1].txt\r\n" + file + "\r\nFoo\r\n");
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 0u);
    EXPECT_EQ(f.lvwFilesToBeDeleted.Count(), 0u);
    // The next scan leaves both alone.
    Scan(true, false, false);
    EXPECT_EQ(f.lvwSpywareFound.Count(), 0u);
}

TEST_F(MainWindowTest, AnExclusionListThatCannotBeWrittenIsSaidAndHoldsUntilTheEnd) {
    machine.PlantFile("C:\\WINDOWS\\a.dll", "x");
    WriteDefinitions({"a.dll=Foo|[wDir]"});
    std::filesystem::create_directories(machine.Home() / "ENoSignature.txt");
    Scan(false, false, false);
    auto& f = Form();
    f.cmdSelectAll.Click();
    host.ExpectMsgBox("Are you sure you want to exclude", ui::MsgResult::kYes);
    host.ExpectMsgBox("could not be written", ui::MsgResult::kOk);
    f.cmdExclude.Click();
    EXPECT_EQ(host.PendingMsgBoxes(), 0u);
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 0u);
    Scan(false, false, false);
    EXPECT_EQ(f.lvwSpywareFound.Count(), 0u);
}

TEST_F(MainWindowTest, ExcludeWithNothingTickedAsksAndWritesNothing) {
    host.ExpectMsgBox("Sorry, there are no entries to be excluded.", ui::MsgResult::kOk);
    WriteDefinitions({"a.dll=Foo|[wDir]"});
    Form().cmdExclude.Click();
    machine.PlantFile("C:\\WINDOWS\\a.dll", "x");
    Scan(false, false, false);
    host.ExpectMsgBox("Are you sure you want to exclude", ui::MsgResult::kYes);
    Form().cmdExclude.Click();
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), "");
    EXPECT_EQ(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 1u);
}

TEST_F(MainWindowTest, QuarantineMenuOpensTheFolderAndTheExclusions) {
    WriteDefinitions();
    host.ExpectMsgBox("No exclusion file exists yet.", ui::MsgResult::kOk);
    Form().mnuQuarItem[1].Click();
    EXPECT_EQ(host.Shown().back().title, "No Exclusion File");
    Form().mnuQuarItem[0].Click();
    EXPECT_TRUE(std::filesystem::is_directory(machine.Home() / "quarantine"));
    ASSERT_EQ(host.openedDocuments.size(), 1u);
    EXPECT_EQ(host.openedDocuments[0], machine.HomeWindowsPath() + "\\quarantine");
    machine.HomeFile("ENoSignature.txt", "x\r\n");
    Form().mnuQuarItem[1].Click();
    EXPECT_EQ(host.openedDocuments.back(), machine.HomeWindowsPath() + "\\ENoSignature.txt");
}

}  // namespace
}  // namespace quellon::testing

namespace quellon::testing {
namespace {

TEST(SplashTest, HandsOverOnTheSeventyFifthTick) {
    ScriptedHost host;
    app::FrmSplash splash(host);
    int loads = 0;
    splash.loadMainWindow = [&] { ++loads; };
    splash.Form_Load();
    EXPECT_TRUE(splash.window.Visible());
    for (int i = 0; i < 74; ++i) {
        splash.Timer2.Tick();
    }
    EXPECT_EQ(loads, 0);
    splash.Timer2.Tick();
    EXPECT_EQ(loads, 1);
    EXPECT_FALSE(splash.window.Visible());
    EXPECT_FALSE(splash.Timer2.Enabled());
}

}  // namespace
}  // namespace quellon::testing
