#include "app/frm_main.h"

#include "common/convert.h"
#include "common/text.h"
#include "scan/scanners.h"

namespace quellon::app {
namespace {

constexpr std::string_view kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string_view DriveTypeText(platform::DriveType type) {
    switch (type) {
        case platform::DriveType::kFixed:
            return "Fixed Disk";
        case platform::DriveType::kRemovable:
            return "Removable Drive";
        case platform::DriveType::kRemote:
            return "Remote Disk";
        case platform::DriveType::kCdRom:
            return "CDROM Drive";
        case platform::DriveType::kUnknown:
            break;
    }
    return "Unknown";
}

// Design-time places of the counter captions that the marker shape points at.
constexpr int kRegistryCaptionLeft = 1215, kRegistryCaptionTop = 1005;
constexpr int kFilesCaptionLeft = 1215, kFilesCaptionTop = 1365;

}  // namespace

FrmMain::FrmMain(AppInfo info, platform::Platform& platform, ui::Host& host)
    : frmDelete(host),
      frmReport(platform.files, host,
                definitions::JoinPath(info.programFolder, report::kReportFileName),
                info.productName),
      info_(std::move(info)),
      platform_(platform),
      host_(host),
      settings_(platform.settings, info_.productName),
      definitions_(platform.files, info_.programFolder),
      exclusions_(platform.files, host, info_.programFolder),
      quarantine_(platform, host, info_.programFolder),
      systemRestore_(platform) {
    OptionButtonGroups();
    lvwSpywareFound.columns = {"Spyware/Adware Found"};
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.columns = {"Spyware/Adware Found", "Location"};
    lvwRegistryToBeDeleted.columns = {"Main Key", "KeyValue", "Value", "SpywareName"};
    lvwCookiesToDelete.columns = {"Cookie Name", "CookieLocation"};
    cmdStop.SetEnabled(false);
    cmdPause.SetEnabled(false);

    scanControls_ = std::make_unique<scan::ScanControls>(
        scan::ScanControls{lblMemoryInspected,
                           lblRegistryInspected,
                           lblFilesFolderInspected,
                           lblSoftwareFound,
                           lblRemovePicSoftwareFound,
                           lbltracesFound,
                           lblPercentageCompleted,
                           lblStatus,
                           lblTotalNoOfRunningItems,
                           pb1,
                           pb2,
                           pbgMain,
                           lvwSpywareFound,
                           lvwPicRemoveListOfSpywareFoundAndToBeRemoved,
                           lvwFilesToBeDeleted,
                           lvwFileNotFounds,
                           lvwRegistryToBeDeleted,
                           lvwCookiesToDelete,
                           lvwBlockedCookies,
                           cmdScan});
    scanContext_ = std::make_unique<scan::ScanContext>(scan::ScanContext{*scanControls_,
                                                                         session_,
                                                                         platform_,
                                                                         host_,
                                                                         definitions_,
                                                                         exclusions_,
                                                                         settings_,
                                                                         exeCache_,
                                                                         info_.productName,
                                                                         {}});
    scanContext_->onShieldDetection = [this](const std::string& name, const std::string& company) {
        if (onShieldDetection) {
            onShieldDetection(name, company);
        }
    };
    removalContext_ = std::make_unique<removal::RemovalContext>(removal::RemovalContext{
        lvwPicRemoveListOfSpywareFoundAndToBeRemoved, lvwFilesToBeDeleted, lvwRegistryToBeDeleted,
        lvwCookiesToDelete, pgbDeleteSpywaresFound, lblDeletingPercentageCompleted,
        lblDeletingCaption, frmDelete, quarantine_, platform_, host_});
    cmdScanNow.onClick = [this] { StartScan(); };
    lblStart.onClick = [this] { StartScan(); };
    cmdStop.onClick = [this] { cmdStop_Click(); };
    lblStop.onClick = [this] { lblStop_Click(); };
    cmdPause.onClick = [this] { cmdPause_Click(); };
    lblPause.onClick = [this] { cmdPause_Click(); };
    lvwHardDrives.onItemCheck = [this](size_t) {
        if (!loadingDrives_) {
            SaveDriveChecks();
        }
    };
    WireOptionHandlers();
    WireShell();
}

FrmMain::~FrmMain() {
    for (ui::Timer* t : Timers_All()) {
        host_.RemoveTimer(*t);
    }
}

void FrmMain::OptionButtonGroups() {
    ui::OptionButton::Group({&optMemorySheildOn, &optMemorySheildOff});
    ui::OptionButton::Group({&optIEHomePageSheildOn, &optIEHomePageSheildOff});
    ui::OptionButton::Group(
        {&optAlwaysnotifybeforerestoring, &optRestoredefaultwithoutnotification});
    ui::OptionButton::Group({&optScanAllSelectedHardDrive, &optScanOnlyKnownSoftwares});
}

void FrmMain::LoadDefinitions() {
    definitions_.InstallDownloadedDefinitions();
    exclusions_.Load();
    definitions_.CountDefinitionLines();
}

settings::BackgroundTimers FrmMain::Timers() {
    return {tmrScheduler, tmrCheckHomePage, tmrMemoryInspected, tmrTimeOut};
}

void FrmMain::SetBackgroundTimers(bool enable) {
    settings::SetBackgroundTimers(settings_, Timers(), enable);
}

// ---------------------------------------------------------------------------
// Scan

void FrmMain::StartScan() {
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

    if (lockRedraw) {
        lockRedraw(true);
    }
    for (ui::Label* l : {&lblRegistryInspected, &lblFilesFolderInspected, &lblMemoryInspected,
                         &lblSoftwareFound, &lblRemovePicSoftwareFound, &lbltracesFound,
                         &lblPercentageCompleted, &lblStatus, &lblTotalNoOfRunningItems}) {
        l->SetCaption("0");
    }
    session_.counters = scan::ScanCounters{};
    session_.memoryNotSelected = false;
    session_.registryNotSelected = false;
    for (ui::ListView* l :
         {&lvwSpywareFound, &lvwPicRemoveListOfSpywareFoundAndToBeRemoved, &lvwFilesToBeDeleted,
          &lvwFileNotFounds, &lvwRegistryToBeDeleted, &lvwCookiesToDelete}) {
        l->Clear();
    }
    if (lockRedraw) {
        lockRedraw(false);
    }

    session_.StopRequested = false;
    session_.ScanStartTime = FormatGeneralDate(host_.Now());
    // A scan that could not run (definitions missing) is not recorded as a
    // scan: no dates, no report, no "complete".
    const bool ran = RunScanPhases();
    lastScanRan_ = ran;
    if (ran) {
        session_.ScanEndTime = FormatGeneralDate(host_.Now());
        settings_.Save(settings::kSettings, settings::keys::kLblLastScan, session_.ScanEndTime);
        if (optScanAllSelectedHardDrive.Value()) {
            settings_.Save(settings::kSettings, settings::keys::kLblLastFullScan,
                           session_.ScanEndTime);
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
    using namespace settings;
    tmrScheduler.SetEnabled(
        settings_.GetNumber(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, 0) == 1);
    tmrCheckHomePage.SetEnabled(
        settings_.GetBool(kOptionAndSettings, keys::kOptIEHomePageSheildOn, true));
    tmrMemoryInspected.SetEnabled(
        settings_.GetBool(kOptionAndSettings, keys::kOptMemorySheildOn, true));
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

// ---------------------------------------------------------------------------
// Pages and status

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

// ---------------------------------------------------------------------------
// Options

void FrmMain::WireOptionHandlers() {
    using namespace settings;
    auto check = [this](ui::CheckBox& box, std::string_view section, std::string_view key) {
        box.onChange = [this, &box, section, key] {
            settings_.SaveCheck(section, key, box.Checked());
        };
    };
    check(chkMakeLog, kOptionAndSettings, keys::kChkMakeLog);
    check(chkSweepMemory, kOptionAndSettings, keys::kChkSweepMemory);
    check(chkScanRegistry, kOptionAndSettings, keys::kChkScanRegistry);
    check(chkScanCookies, kOptionAndSettings, keys::kChkScanCookies);
    check(chkAutomaticUpdate, kOptionAndSettings, keys::kChkAutomaticUpdate);
    check(chkAutoDel, kSettings, keys::kChkAutoDel);
    chkRunAtStartup.onChange = [this] {
        settings_.SaveCheck(kOptionAndSettings, keys::kChkRunAtStartup, chkRunAtStartup.Checked());
        ApplyRunAtStartup();
    };

    auto savePair = [this](std::string_view onKey, std::string_view offKey, bool on) {
        settings_.SaveOption(kOptionAndSettings, onKey, on);
        settings_.SaveOption(kOptionAndSettings, offKey, !on);
    };
    auto homePageControls = [this](bool on) {
        tmrCheckHomePage.SetEnabled(on);
        optAlwaysnotifybeforerestoring.SetEnabled(on);
        optRestoredefaultwithoutnotification.SetEnabled(on);
    };
    chkAutoProtect.onChange = [this, savePair] {
        savePair(keys::kOptMemorySheildOn, keys::kOptMemorySheildOff, chkAutoProtect.Checked());
        tmrMemoryInspected.SetEnabled(chkAutoProtect.Checked());
    };
    chkHomePage.onChange = [this, savePair, homePageControls] {
        savePair(keys::kOptIEHomePageSheildOn, keys::kOptIEHomePageSheildOff,
                 chkHomePage.Checked());
        homePageControls(chkHomePage.Checked());
    };

    // An option button acts when it becomes selected; both keys of its pair
    // are written from the two buttons.
    auto pair = [this](ui::OptionButton& on, ui::OptionButton& off, std::string_view onKey,
                       std::string_view offKey, std::function<void(bool)> effect) {
        auto handler = [this, &on, &off, onKey, offKey, effect](ui::OptionButton& self) {
            if (!self.Value()) {
                return;
            }
            settings_.SaveOption(kOptionAndSettings, onKey, on.Value());
            settings_.SaveOption(kOptionAndSettings, offKey, off.Value());
            if (effect) {
                effect(on.Value());
            }
        };
        on.onChange = [handler, &on] { handler(on); };
        off.onChange = [handler, &off] { handler(off); };
    };
    pair(optMemorySheildOn, optMemorySheildOff, keys::kOptMemorySheildOn, keys::kOptMemorySheildOff,
         [this](bool on) { tmrMemoryInspected.SetEnabled(on); });
    pair(optIEHomePageSheildOn, optIEHomePageSheildOff, keys::kOptIEHomePageSheildOn,
         keys::kOptIEHomePageSheildOff, homePageControls);
    pair(optAlwaysnotifybeforerestoring, optRestoredefaultwithoutnotification,
         keys::kOptAlwaysnotifybeforerestoring, keys::kOptRestoredefaultwithoutnotification,
         nullptr);
    pair(optScanAllSelectedHardDrive, optScanOnlyKnownSoftwares, keys::kOptScanAllSelectedHardDrive,
         keys::kOptScanOnlyKnownSoftwares,
         [this](bool complete) { lvwHardDrives.SetVisible(complete); });
}

void FrmMain::LoadSettingsIntoForm() {
    using namespace settings;
    auto& s = settings_;
    s.Save(kOptionAndSettings, keys::kSHOW, "True");
    optIEHomePageSheildOn.SetValue(
        s.GetBool(kOptionAndSettings, keys::kOptIEHomePageSheildOn, true));
    chkHomePage.SetChecked(optIEHomePageSheildOn.Value());
    chkMakeLog.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkMakeLog, 1) != 0);
    optIEHomePageSheildOff.SetValue(
        s.GetBool(kOptionAndSettings, keys::kOptIEHomePageSheildOff, false));
    optAlwaysnotifybeforerestoring.SetValue(
        s.GetBool(kOptionAndSettings, keys::kOptAlwaysnotifybeforerestoring, true));
    optRestoredefaultwithoutnotification.SetValue(
        s.GetBool(kOptionAndSettings, keys::kOptRestoredefaultwithoutnotification, false));
    optMemorySheildOn.SetValue(s.GetBool(kOptionAndSettings, keys::kOptMemorySheildOn, true));
    chkAutoProtect.SetChecked(optMemorySheildOn.Value());
    optMemorySheildOff.SetValue(s.GetBool(kOptionAndSettings, keys::kOptMemorySheildOff, false));
    chkSweepMemory.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkSweepMemory, 1) != 0);
    chkScanRegistry.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkScanRegistry, 1) != 0);
    optScanAllSelectedHardDrive.SetValue(
        s.GetBool(kOptionAndSettings, keys::kOptScanAllSelectedHardDrive, true));
    // Every load starts on "Quick Scan", whatever is stored.
    optScanOnlyKnownSoftwares.SetValue(true);
    chkRunAtStartup.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkRunAtStartup, 0) != 0);
    chkSweepMemory.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkSweepMemory, 1) != 0);
    chkScanRegistry.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkScanRegistry, 1) != 0);
    chkScanCookies.SetChecked(s.GetNumber(kOptionAndSettings, keys::kChkScanCookies, 1) != 0);
    lblLastUpdate.SetCaption("Signatures Last Updated On " +
                             s.Get(kOptionAndSettings, keys::kSignatureUpdateDate, "0"));
    const bool scheduled = s.GetNumber(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, 0) != 0;
    chkAutomaticScanYesOrNo.SetChecked(scheduled);
    dtpScheduleDate.SetEnabled(scheduled);
    dtpScheduleTime.SetEnabled(scheduled);
    tmrScheduler.SetEnabled(scheduled);
    cmbDays.SetEnabled(scheduled);

    // All stored drive states are read before any row changes, because each
    // change stores the state of every row.
    std::vector<bool> states;
    for (const auto& row : lvwHardDrives.Items()) {
        states.push_back(s.GetBool(kDrives, row.text, true));
    }
    for (size_t i = 0; i < states.size() && i < lvwHardDrives.Count(); ++i) {
        lvwHardDrives.SetChecked(i, states[i]);
    }
}

void FrmMain::LoadDriveList() {
    loadingDrives_ = true;
    lvwHardDrives.Clear();
    for (const auto& drive : platform_.shell.Drives()) {
        std::string row = "Drive ";
        row += drive.letter;
        row += ": ";
        row += DriveTypeText(drive.type);
        lvwHardDrives.Add(row).checked = true;
    }
    loadingDrives_ = false;
}

void FrmMain::SaveDriveChecks() {
    for (const auto& row : lvwHardDrives.Items()) {
        settings_.SaveOption(settings::kDrives, row.text, row.checked);
    }
}

void FrmMain::ApplyRunAtStartup() {
    using namespace settings;
    const bool run = settings_.GetNumber(kOptionAndSettings, keys::kChkRunAtStartup, 1) == 1;
    if (startupRegistration) {
        startupRegistration->SetRunAtStartup(run);
    }
    auto& reg = platform_.registry;
    const platform::RegKey key = reg.CreateKey(platform::kHkeyLocalMachine, kRunKey);
    if (key == 0) {
        return;
    }
    if (run) {
        std::string data = info_.programFolder + "\\" + info_.exeName;
        data += '\0';
        reg.SetValue(key, info_.exeName, platform::RegValue{platform::RegType::kString, data});
    } else {
        reg.DeleteValue(key, info_.exeName);
    }
    reg.CloseKey(key);
}

}  // namespace quellon::app
