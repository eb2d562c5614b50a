// Start-up, pages, menus, window state and exit of the main window.
#include "app/frm_main.h"
#include "common/text.h"

namespace quellon::app {
namespace {}  // namespace

void FrmMain::WireShell() {
    for (ui::Timer* t : Timers_All()) {
        host_.AddTimer(*t);
    }
    tmrScroll.onTick = [this] { host_.DoEvents(); };
    frmMainWindow.onResize = [this] { Form_Resize(); };
    TabStrip1.tabs = {"Scan Options", "Scheduled Scans", "Proactive System Protection",
                      "Automatic Live Update"};
    for (int i = 0; i < 4; ++i) {
        frmView[i].SetCaption(TabStrip1.tabs[static_cast<size_t>(i)]);
        frmView[i].SetVisible(i == 0);
    }
    TabStrip1.onChange = [this] {
        for (int i = 1; i <= static_cast<int>(TabStrip1.tabs.size()); ++i) {
            frmView[i - 1].SetVisible(i == TabStrip1.SelectedIndex());
        }
    };

    auto page = [this](ui::Button& button, ui::Frame& frame) {
        button.onClick = [this, &frame] {
            HideAllPages();
            frame.SetVisible(true);
        };
    };
    page(cmdStatus, frmStatus);
    page(cmdScan, frmScan);
    page(cmdResults, frmResults);
    page(cmdSettings, frmOptions);
    cmdRemove.onClick = [this] { cmdResults.Click(); };
    cmdSelectAll.onClick = [this] { cmdSelectAll_Click(); };
    cmdExclude.onClick = [this] { cmdExclude_Click(); };
    Command4.onClick = [this] { ConfirmRemoval(); };
    lblRemove.onClick = [this] { RunRemoval(); };
    cmdLog.onClick = [this] { cmdLog_Click(); };
    lblViewLogFile.onClick = [this] { cmdLog_Click(); };
    mnuFileViewLog.onClick = [this] { cmdLog_Click(); };
    Command5.onClick = [this] { SendToTray(); };
    lblHide.onClick = [this] { Unload(); };
    lblOptions.onClick = [this] {
        ShowPages(false, true, false, false);
        lblOptions.SetEnabled(false);
        for (ui::Label* l : {&lblSweepNow, &lblRemove, &lblResult, &lblExit}) {
            l->SetEnabled(true);
        }
    };
    lblResult.onClick = [this] {
        ShowPages(false, false, true, false);
        pgbDeleteSpywaresFound.SetVisible(false);
        lblDeletingPercentageCompleted.SetVisible(false);
        lblDeletingCaption.SetVisible(false);
        lblResult.SetEnabled(false);
        for (ui::Label* l : {&lblSweepNow, &lblRemove, &lblOptions, &lblExit}) {
            l->SetEnabled(true);
        }
    };
    lblSweepNow.onClick = [this] {
        ShowPages(false, false, false, true);
        lblSweepNow.SetEnabled(false);
        for (ui::Label* l : {&lblOptions, &lblRemove, &lblResult, &lblExit}) {
            l->SetEnabled(true);
        }
    };
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.onItemCheck = [this](size_t row) {
        SyncRemovalChecks(row);
    };

    // The menu runs the page button's action, also while the button is greyed.
    mnuFileScanNow.onClick = [this] { cmdScan.onClick(); };
    mnuDebugHomepage.onClick = [this] {
        frmHomePageChangedAlert.SetVisible(true);
        frontEnd_.ShowModal(frmHomePageChangedAlert);
    };
    mnuDebugSpyware.onClick = [this] { frmSpywareFoundAlert.SetVisible(true); };
    mnuDebugSignature.onClick = [this] {
        // Shown for the first time the notice is loaded as an update loads
        // it, and slides up; its OK only closes it when nothing was fetched.
        if (frmSignatureUpdated.lblUpdateInfo.Caption().empty()) {
            const ScreenArea screen = frontEnd_.Screen();
            frmSignatureUpdated.Form_Load(screen.width, screen.height, screen.taskbarHeight);
            frmSignatureUpdated.tmrPopupSignatureUpdate.SetEnabled(true);
        }
        frmSignatureUpdated.SetVisible(true);
    };
    mnuFileMinimize.onClick = [this] { SendToTray(); };
    mnuFileExit.onClick = [this] { Form_QueryUnload(); };
    for (int i = 0; i < 4; ++i) {
        mnuSettingsItem[i].onClick = [this, i] { mnuSettingsItem_Click(i); };
    }
    mnuQuarItem[0].onClick = [this] { mnuViewQuarantine_Click(); };
    mnuQuarItem[1].onClick = [this] { mnuViewExclusions_Click(); };
    mnuQuarItem[2].onClick = [this] { mnuRestoreQuarantine_Click(); };
    mnuViewHelp.onClick = [this] { ShowHelpWindow(); };
    mnuAbout.onClick = [this] { frontEnd_.ShowAbout(); };
}

bool FrmMain::Form_Load() {
    using namespace settings;
    auto runState = settings_.For(kRunStateApp);
    {
        const auto batch = runState.Batch();
        runState.Save(kSettings, keys::kProduct, info_.productName);
        runState.Save(kSettings, keys::kFile, info_.exeName + ".exe");
    }
    if (frontEnd_.AnotherInstanceRunning()) {
        host_.EndProgram();
        return false;
    }
    LoadDefinitions();
    ShowStatusLabels();
    HideAllPages();
    frmStatus.SetCaption(info_.productName + " Status");
    frmStatus.SetVisible(true);
    if (frontEnd_.AnotherInstanceRunning()) {
        host_.EndProgram();
        return false;
    }
    {
        const auto batch = settings_.Batch();
        settings_.Save(kOptionAndSettings, keys::kSTATUS, "RUNNING");
        settings_.Save(kOptionAndSettings, keys::kRESTART, "False");
    }
    frmMainWindow.SetCaption(info_.productName + " by " + info_.companyName);
    // The site Live Update really uses, never the placeholder.
    cmdWebsite.SetCaption("Visit " + update::SiteName(info_.comments));
    shpCircle.SetVisible(false);
    frmMainWindow.SetShowInTaskList(false);

    SetBackgroundTimers(false);
    LoadSchedule();
    LoadDriveList();
    LoadSettingsIntoForm();
    ShowPages(true, false, false, false);
    SetBackgroundTimers(true);

    if (definitions_.DefinitionFilesPresent()) {
        cmdScan.SetEnabled(true);
    } else {
        cmdScan.SetEnabled(false);
        host_.MsgBox(
            "Definition files are missing or they have been corrupted, Please run Live Update.",
            ui::kOkOnly | ui::kInformation, info_.productName);
    }
    tmrScroll.SetEnabled(false);
    frmDelete.SetVisible(false);
    Label22.SetCaption("Welcome to " + info_.productName);
    if (settings_.Get(kSettings, keys::kShowHelp, "1") == "1") {
        ShowHelpWindow();
        host_.DoEvents();
        settings_.Save(kSettings, keys::kShowHelp, "0");
    }
    if (settings_.GetNumber(kOptionAndSettings, keys::kChkAutomaticUpdate, 0) == 1) {
        timUpdate.SetEnabled(true);
    }
    if (settings_.Get(kSettings, keys::kMinimized, "No") == "Yes") {
        SendToTray();
    } else if (frmMainWindow.WindowState() == ui::Window::State::kNormal) {
        // A window shown for the first time gets its resize event: shown in
        // normal state, the schedule check and the memory shield pause.
        Form_Resize();
    }
    return true;
}

void FrmMain::HideAllPages() {
    for (ui::Frame* f : {&frmStatus, &frmScan, &frmResults, &frmOptions}) {
        f->SetVisible(false);
    }
    pgbDeleteSpywaresFound.SetVisible(false);
    lblDeletingPercentageCompleted.SetVisible(false);
    lblDeletingCaption.SetVisible(false);
}

void FrmMain::ShowScanPage() {
    HideAllPages();
    frmScan.SetVisible(true);
}

void FrmMain::ShowStatusLabels() {
    using namespace settings;
    lblDefCount.SetCaption(text::GroupDigits(definitions_.CountDefinitionLines()));
    lblVersion.SetCaption(std::to_string(info_.major) + "." + std::to_string(info_.minor));
    lblDefVersion.SetCaption(settings_.Get(kOptionAndSettings, keys::kEXEDefinition, "43"));
    lblDefRemoved.SetCaption(settings_.Get(kSettings, keys::kLblDefRemoved, "0"));
    lblLastScan.SetCaption(settings_.Get(kSettings, keys::kLblLastScan, "Never"));
    lblLastFullScan.SetCaption(settings_.Get(kSettings, keys::kLblLastFullScan, "Never"));
}

void FrmMain::ShowPages(bool startUp, bool options, bool results, bool sweep) {
    PicStartUp.SetVisible(startUp);
    PicOptions.SetVisible(options);
    PicResults.SetVisible(results);
    PicSweepNow.SetVisible(sweep);
    tmrScroll.SetEnabled(false);
}

void FrmMain::mnuSettingsItem_Click(int index) {
    cmdSettings.onClick();
    TabStrip1.Select(index + 1);
}

void FrmMain::Form_Resize() {
    if (frmMainWindow.WindowState() == ui::Window::State::kNormal) {
        tmrScroll.SetEnabled(true);
        tmrScheduler.SetEnabled(false);
        tmrMemoryInspected.SetEnabled(false);
        frmMainWindow.SetShowInTaskList(true);
        if (frmMainWindow.Visible()) {
            settings_.Save(settings::kSettings, settings::keys::kMinimized, "No");
        }
        ScheduleWindowShown();
        return;
    }
    SetBackgroundTimers(true);
    tmrScroll.SetEnabled(false);
    frmMainWindow.SetShowInTaskList(false);
}

void FrmMain::Form_QueryUnload() {
    {
        const auto batch = settings_.Batch();
        settings_.Save(settings::kOptionAndSettings, settings::keys::kRESTART, "False");
        settings_.Save(settings::kOptionAndSettings, settings::keys::kSTATUS, "STOPPED");
    }
    clsTray.RemoveIcon(frmMainWindow);
    Unload();
}

void FrmMain::Unload() {
    frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    frmMainWindow.SetVisible(false);
    form8.SetVisible(false);
    frmMenuPopUp.Unload();
    frmHomePageChangedAlert.SetVisible(false);
    frmReport.SetVisible(false);
    frmSpywareFoundAlert.SetVisible(false);
    frmSignatureUpdated.SetVisible(false);
    frmDownload.SetVisible(false);
    frmDelete.SetVisible(false);
    if (endWithWebsiteWindow) {
        return;
    }
    host_.EndProgram();
}

}  // namespace quellon::app
