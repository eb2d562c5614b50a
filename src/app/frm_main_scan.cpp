// The scan page: one whole scan, its phases, Stop and Pause.
#include "app/frm_main.h"
#include "scan/scanners.h"

namespace quellon::app {
namespace {

// Design-time places of the counter captions that the marker shape points at.
constexpr int kRegistryCaptionLeft = 1215, kRegistryCaptionTop = 1005;
constexpr int kFilesCaptionLeft = 1215, kFilesCaptionTop = 1365;

}  // namespace

void FrmMain::StartScan() {
    // A removal lets clicks through while it runs; a scan started then would
    // clear and refill the lists it works from and count its own finds as
    // removed, so "Start" waits for the removal to end.
    if (removing_) {
        return;
    }
    // Nor does it start inside a shield's tick: it would stop the program an
    // alert is asking the user about.
    if (protectionContext_->busy || session_.ScanRunning) {
        return;
    }
    tmrScroll.SetEnabled(false);
    frmDelete.SetVisible(false);
    frmDelete.lstProblem.Clear();

    shpCircle.Move(1215, 645);
    shpCircle.SetVisible(false);
    cmdRemove.SetVisible(false);
    cmdResults.SetEnabled(false);
    cmdSettings.SetEnabled(false);

    ShowScanPage();
    tmrCheckHomePage.SetEnabled(false);
    tmrMemoryInspected.SetEnabled(false);
    tmrScheduler.SetEnabled(false);
    tmrTimeOut.SetEnabled(false);

    for (ui::Control* c :
         {static_cast<ui::Control*>(&cmdScanNow), static_cast<ui::Control*>(&cmdScan),
          static_cast<ui::Control*>(&cmdLog), static_cast<ui::Control*>(&cmdLiveUpdate),
          static_cast<ui::Control*>(&cmdStatus)}) {
        c->SetEnabled(false);
    }
    cmdStop.SetEnabled(true);
    cmdPause.SetEnabled(true);
    session_.ScanRunning = true;
    // An ALLOW made elsewhere, new definitions installed by another program.
    RereadChangedFiles();

    frontEnd_.LockRedraw(true);
    for (ui::Label* l : {&lblRegistryInspected, &lblFilesFolderInspected, &lblMemoryInspected,
                         &lblSoftwareFound, &lblRemovePicSoftwareFound, &lbltracesFound,
                         &lblPercentageCompleted, &lblStatus, &lblTotalNoOfRunningItems}) {
        l->SetCaption("0");
    }
    session_.counters = scan::ScanCounters{};
    session_.memoryNotSelected = false;
    session_.registryNotSelected = false;
    lvwSpywareFound.Clear();
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Clear();
    for (ui::ActionList* l : {&lvwFilesToBeDeleted, &lvwRegistryToBeDeleted, &lvwCookiesToDelete}) {
        l->Clear();
    }
    lvwFileNotFounds.Clear();
    frontEnd_.LockRedraw(false);

    session_.StopRequested = false;
    session_.ScanStartTime = FormatGeneralDate(host_.Now());
    // A scan that could not run (definitions missing) is not recorded as a
    // scan: no dates, no report, no "complete".
    const bool ran = RunScanPhases();
    lastScanRan_ = ran;
    if (ran) {
        session_.ScanEndTime = FormatGeneralDate(host_.Now());
        {
            const auto batch = settings_.Batch();
            settings_.Save(settings::kSettings, settings::keys::kLblLastScan, session_.ScanEndTime);
            if (optScanAllSelectedHardDrive.Value()) {
                settings_.Save(settings::kSettings, settings::keys::kLblLastFullScan,
                               session_.ScanEndTime);
            }
        }
        if (chkMakeLog.Checked()) {
            MakeReport();
        }
    }
    cmdRemove.SetVisible(true);
    cmdRemove.SetEnabled(true);
    cmdResults.SetEnabled(true);
    cmdSettings.SetEnabled(true);
    if (ran) {
        if (session_.StopRequested) {
            lblStatus.SetCaption("Scanning was cancelled.");
            lblPercentageCompleted.SetCaption("0% complete.");
            pbgMain.SetValue(0);
        } else {
            lblStatus.SetCaption("Scanning complete.");
            pb1.SetValue(100);
            pb2.SetValue(100);
            if (session_.UnattendedRemoval) {
                RemoveAllFound();
            }
        }
    }
    for (ui::Control* c :
         {static_cast<ui::Control*>(&cmdScan), static_cast<ui::Control*>(&cmdScanNow),
          static_cast<ui::Control*>(&cmdLog), static_cast<ui::Control*>(&cmdLiveUpdate),
          static_cast<ui::Control*>(&cmdStatus)}) {
        c->SetEnabled(true);
    }
    cmdStop.SetEnabled(false);
    cmdPause.SetEnabled(false);
    session_.ScanRunning = false;
    // The background timers as the settings say, the memory shield and the
    // schedule check held off while the window is shown.
    protection::ResumeBackgroundTimers(*protectionContext_);
    tmrTimeOut.SetEnabled(true);
    ShowStatusLabels();
}

bool FrmMain::RunScanPhases() {
    using namespace settings;
    auto& ctx = *scanContext_;
    if (!definitions_.DefinitionFilesPresent()) {
        host_.MsgBox(
            "Definition files are missing or they have been corrupted. Please run Liveupdate.",
            ui::kInformation, info_.productName);
        HideAllPages();
        frmOptions.SetVisible(true);
        return false;
    }
    const auto& counts = definitions_.Counts();
    const double cookieShare =
        counts.total > 0 ? static_cast<double>(counts.cookie) / counts.total * 100.0 : 0.0;

    pbgMain.SetVisible(true);
    for (ui::ProgressBar* bar : {&pbgMain, &pb1, &pb2}) {
        bar->SetMax(100);
        bar->SetValue(0);
    }

    if (settings_.GetNumber(kOptionAndSettings, keys::kChkScanCookies, 1) == 1) {
        shpCircle.SetVisible(false);
        lblPercentageCompleted.SetCaption("Inspecting Cookies...");
        session_.StatusPrefix = "Detecting Cookies: ";
        scan::ScanCookies(ctx);
        pb1.SetValue(100);
        pb2.SetValue(cookieShare);
        lblStatus.SetCaption("Finished Inpecting Cookies");
    }

    if (settings_.GetBool(kOptionAndSettings, keys::kChkSweepMemory, true)) {
        lblPercentageCompleted.SetCaption("Inspecting memory...");
        session_.StatusPrefix = "Inspecting Memory: ";
        ScanRunningProcesses();
    } else {
        lblMemoryInspected.SetCaption("Not Selected");
        session_.memoryNotSelected = true;
    }

    lblPercentageCompleted.SetCaption("Scanning registry...");
    session_.StatusPrefix = "Scanning Registry: ";
    pb1.SetValue(0);
    pb2.SetValue(cookieShare);
    if (settings_.GetBool(kOptionAndSettings, keys::kChkScanRegistry, true)) {
        shpCircle.Move(kRegistryCaptionLeft - 250, kRegistryCaptionTop + 11);
        scan::ScanRegistry(ctx);
    } else {
        lblRegistryInspected.SetCaption("Not Selected");
        session_.registryNotSelected = true;
    }

    pbgMain.SetMax(100);
    lblPercentageCompleted.SetCaption("Scanning known Spyware/Adware...");
    session_.StatusPrefix = "Scanning Known Spyware/Adware: ";
    pbgMain.SetValue(0);
    shpCircle.Move(kFilesCaptionLeft - 250, kFilesCaptionTop + 11);
    scan::ScanKnownFiles(ctx);

    scan::UpdateScanProgressText(ctx, "Scan Complete", 100, 100);
    // The last refresh may have come before the last item: show the true totals.
    scan::RefreshCounterLabels(ctx);
    return true;
}

void FrmMain::cmdStop_Click() {
    if (host_.MsgBox("Are you sure you want to stop the scan?", ui::kYesNo | ui::kQuestion,
                     info_.productName) == ui::MsgResult::kYes) {
        RequestStop();
    }
}

void FrmMain::lblStop_Click() {
    if (host_.MsgBox("Are you sure?", ui::kYesNo | ui::kQuestion, info_.productName) ==
        ui::MsgResult::kYes) {
        RequestStop();
    }
}

void FrmMain::RequestStop() {
    session_.StopRequested = true;
}

void FrmMain::cmdPause_Click() {
    host_.MsgBox(info_.productName + " has been paused.  Click OK to resume.", ui::kOkOnly,
                 info_.productName);
}

void FrmMain::ScanRunningProcesses() {
    scan::ScanRunningProcesses(*scanContext_);
}

void FrmMain::tmrMemoryInspected_Timer(protection::Trigger trigger) {
    protection::MemoryShieldTick(*protectionContext_, trigger);
}

void FrmMain::tmrCheckHomePage_Timer() {
    protection::HomePageShieldTick(*protectionContext_);
}

}  // namespace quellon::app
