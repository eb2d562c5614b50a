// The main window's construction: its controls, their wiring to the
// procedures, the engine's start-up and the background timers.
#include "app/frm_main.h"

namespace quellon::app {

FrmMain::FrmMain(AppInfo info, platform::Platform& platform, ui::Host& host,
                 app::FrontEnd& frontEnd)
    : clsTray(frontEnd, trayIcon),
      frmMenuPopUp(host),
      form8(platform.files, host, settings_, info.InstallFolder()),
      frmDelete(host),
      frmReport(platform.files, host,
                definitions::JoinPath(info.programFolder, report::kReportFileName),
                info.productName),
      frmSpywareFoundAlert(platform.processes, exclusions_, host, info.productName),
      frmHomePageChangedAlert(settings_, platform.registry, info.productName),
      frmSignatureUpdated(info.productName),
      info_(std::move(info)),
      platform_(platform),
      host_(host),
      frontEnd_(frontEnd),
      settings_(platform.settings, info_.productName),
      definitions_(platform.files, info_.programFolder),
      trust_{platform.signatures, info_.updateKeys},
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
    removalContext_ = std::make_unique<removal::RemovalContext>(removal::RemovalContext{
        lvwPicRemoveListOfSpywareFoundAndToBeRemoved, lvwFilesToBeDeleted, lvwRegistryToBeDeleted,
        lvwCookiesToDelete, pgbDeleteSpywaresFound, lblDeletingPercentageCompleted,
        lblDeletingCaption, frmDelete, quarantine_, platform_, host_});
    protectionContext_ = std::make_unique<protection::ProtectionContext>(
        protection::ProtectionContext{settings_, Timers(), platform_, frontEnd_, *scanContext_,
                                      frmSpywareFoundAlert, frmHomePageChangedAlert});
    protectionContext_->windowShown = [this] { return WindowShownNormal(); };
    protectionContext_->scanStart = &cmdScanNow;
    protectionContext_->beforeLook = [this] { RereadChangedFiles(); };
    scanContext_->onShieldDetection = [this](const std::string& name, const std::string& company) {
        protection::ReportShieldDetection(*protectionContext_, name, company);
    };
    scanContext_->onShieldQuestion9x = [this](const std::string& name, const std::string& company,
                                              std::uint32_t pid) {
        return protection::AskAboutProgram9x(*protectionContext_, name, company, pid);
    };
    updateContext_ = std::make_unique<update::UpdateContext>(
        update::UpdateContext{platform_, host_, settings_, frmDownload, tmrTimeOut, lblWebText,
                              cmdLiveUpdate, info_.programFolder});
    updateContext_->productName = info_.productName;
    updateContext_->site = info_.comments;
    updateContext_->trust = &trust_;
    tmrTimeOut.onTick = [this] { update::TimeOutTick(*updateContext_); };
    timUpdate.onTick = [this] { timUpdate_Timer(); };
    cmdLiveUpdate.onClick = [this] { cmdUpdate_Click(); };
    mnuFileLiveUpdate.onClick = [this] { cmdUpdate_Click(); };
    frmSignatureUpdated.cmdUpdateSuccesfullOK.onClick = [this] {
        // Before any update (the Debug menu shows the notice so) it only closes.
        if (!lastUpdate_.downloaded) {
            frmSignatureUpdated.tmrPopupSignatureUpdate.SetEnabled(false);
            frmSignatureUpdated.tmrEnablePopDownTimer.SetEnabled(false);
            frmSignatureUpdated.tmrPopDown.SetEnabled(false);
            frmSignatureUpdated.SetVisible(false);
            return;
        }
        settings_.Save(settings::kOptionAndSettings, settings::keys::kSHOW, "false");
        frmSignatureUpdated.tmrPopupSignatureUpdate.SetEnabled(false);
        RestartAfterUpdate(false);
    };
    tmrMemoryInspected.onTick = [this] { tmrMemoryInspected_Timer(); };
    tmrCheckHomePage.onTick = [this] { tmrCheckHomePage_Timer(); };
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
    WireSchedule();
    WireTray();
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
    // The stored version follows the installed file: a "DL" file set aside
    // takes its version back, so that the next check fetches the kind again.
    lastInstall_ = definitions_.InstallDownloadedDefinitions(trust_);
    for (const definitions::InstallOutcome& outcome : lastInstall_) {
        if (outcome.setAside) {
            settings_.Save(settings::kOptionAndSettings, update::InfoOf(outcome.kind).versionKey,
                           std::to_string(outcome.liveVersion.value_or(0)));
        }
    }
    exclusions_.Load();
    definitions_.CountDefinitionLines();
    StampReadFiles();
}

namespace {

constexpr std::array<definitions::Kind, 4> kKinds = {
    definitions::Kind::kFile, definitions::Kind::kRegistry, definitions::Kind::kExe,
    definitions::Kind::kCookie};

}  // namespace

void FrmMain::StampReadFiles() {
    auto& files = platform_.files;
    exclusionStamp_ = files.StampFile(exclusions_.FilePath());
    for (size_t i = 0; i < kKinds.size(); ++i) {
        definitionStamps_[i] = files.StampFile(definitions_.PathOf(kKinds[i]));
    }
}

void FrmMain::RereadChangedFiles() {
    auto& files = platform_.files;
    // A stamp that cannot be taken tells nothing: what was read stays.
    auto changed = [&files](std::optional<platform::FileStamp>& seen, const std::string& path) {
        std::optional<platform::FileStamp> now = files.StampFile(path);
        if (!now || !seen || *now == *seen) {
            return false;
        }
        seen = now;
        return true;
    };
    if (changed(exclusionStamp_, exclusions_.FilePath())) {
        exclusions_.Load();
    }
    bool definitionsChanged = false;
    for (size_t i = 0; i < kKinds.size(); ++i) {
        definitionsChanged =
            changed(definitionStamps_[i], definitions_.PathOf(kKinds[i])) || definitionsChanged;
    }
    if (definitionsChanged) {
        // The process scan reads its definitions once: they are new now.
        exeCache_ = {};
        ShowStatusLabels();
    }
}

std::vector<ui::Timer*> FrmMain::Timers_All() {
    return {&tmrScroll,
            &tmrScheduler,
            &tmrCheckHomePage,
            &tmrMemoryInspected,
            &tmrTimeOut,
            &timUpdate,
            &tmrCheckSignature,
            &frmSignatureUpdated.tmrPopupSignatureUpdate,
            &frmSignatureUpdated.tmrEnablePopDownTimer,
            &frmSignatureUpdated.tmrPopDown};
}

settings::BackgroundTimers FrmMain::Timers() {
    return {tmrScheduler, tmrCheckHomePage, tmrMemoryInspected, tmrTimeOut};
}

bool FrmMain::WindowShownNormal() const {
    return frmMainWindow.Visible() && frmMainWindow.WindowState() == ui::Window::State::kNormal;
}

bool FrmMain::ShieldTickRunning() const {
    return protectionContext_->busy;
}

void FrmMain::SetBackgroundTimers(bool enable) {
    settings::SetBackgroundTimers(settings_, Timers(), enable);
}

}  // namespace quellon::app
