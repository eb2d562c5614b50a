// The main window: its controls as models and its procedures. A front-end
// mirrors the models; the engine runs the same whether a window shows them
// or not.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_info.h"
#include "app/front_end.h"
#include "definitions/definition_set.h"
#include "definitions/exclusion_list.h"
#include "platform/platform.h"
#include "protection/alerts.h"
#include "protection/shields.h"
#include "removal/frm_delete.h"
#include "removal/quarantine_store.h"
#include "removal/removal_run.h"
#include "removal/system_restore.h"
#include "report/report.h"
#include "scan/scan_context.h"
#include "scheduler/scheduler.h"
#include "settings/background_timers.h"
#include "settings/settings_store.h"
#include "tray/cls_tray.h"
#include "tray/form8.h"
#include "tray/frm_menu_popup.h"
#include "ui/controls.h"
#include "ui/host.h"
#include "update/frm_download.h"
#include "update/frm_signature_updated.h"
#include "update/live_update.h"

namespace quellon::app {

// The mouse messages of the tray icon that a front-end passes to
// FrmMain::OnTrayMessage, as the notification area sends them on Windows.
inline constexpr int kTrayDoubleClick = 0x203;
inline constexpr int kTrayRightButtonUp = 0x205;

// A marker shape placed beside the counter of the running phase.
struct Shape : ui::Control {
    int left = 0;
    int top = 0;
    void Move(int l, int t) {
        left = l;
        top = t;
    }
};

class FrmMain {
public:
    FrmMain(AppInfo info, platform::Platform& platform, ui::Host& host, FrontEnd& frontEnd);
    ~FrmMain();
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    const AppInfo& Info() const { return info_; }
    settings::SettingsStore& Settings() { return settings_; }
    definitions::DefinitionSet& Definitions() { return definitions_; }
    definitions::ExclusionList& Exclusions() { return exclusions_; }
    scan::ScanSession& Session() { return session_; }
    platform::Platform& Platform() { return platform_; }
    ui::Host& Host() { return host_; }
    app::FrontEnd& FrontEnd() { return frontEnd_; }

    // Start-up of the engine: downloaded definitions put in place, the
    // exclusion list loaded, the definitions counted.
    void LoadDefinitions();
    // Reads the exclusion list and the definition files again when another
    // program (another window, a `watch`, an update) changed them since they
    // were read: one look at each file's stamp.
    void RereadChangedFiles();
    // What the last LoadDefinitions did with the downloaded "DL" files.
    const std::vector<definitions::InstallOutcome>& LastInstall() const { return lastInstall_; }

    // --- Scan page --------------------------------------------------------
    // The "Start" button: one whole scan.
    void StartScan();
    void cmdScanNow_Click() { StartScan(); }
    // The phases; false when the definition files are missing.
    bool RunScanPhases();
    // Whether the last scan ran its phases (false: definitions missing).
    bool LastScanRan() const { return lastScanRan_; }
    // "Stop" asks first; RequestStop stops without asking.
    void cmdStop_Click();
    void lblStop_Click();
    void RequestStop();
    // "Pause" holds the scan in a modal box until OK.
    void cmdPause_Click();
    // The process scan, shared by the scan and the memory shield.
    void ScanRunningProcesses();
    // The shields' timer ticks. A look asked for now (a start-up action)
    // runs the memory shield also while the window is shown.
    void tmrMemoryInspected_Timer(protection::Trigger trigger = protection::Trigger::kTimer);
    void tmrCheckHomePage_Timer();
    // Whether a shield's tick runs (its alert may wait): no scan starts then.
    bool ShieldTickRunning() const;
    // What the shields work with (the command line answers their questions
    // through it).
    protection::ProtectionContext& Protection() { return *protectionContext_; }
    // Whether the window is shown in normal state (the memory shield and the
    // schedule check pause meanwhile).
    bool WindowShownNormal() const;
    // The context the scanners work with.
    scan::ScanContext& ScanContext() { return *scanContext_; }

    // --- Status page ------------------------------------------------------
    void ShowStatusLabels();
    void HideAllPages();
    void ShowScanPage();

    // --- Options ----------------------------------------------------------
    void LoadSettingsIntoForm();
    void LoadDriveList();
    void SetBackgroundTimers(bool enable);
    // The Run-list entry that starts the program with the system.
    void ApplyRunAtStartup();

    // --- Start-up, window state and exit -----------------------------------
    // Loads the window in start-up order; false when the program ends at once
    // (another instance runs).
    bool Form_Load();
    // The window state changed (normal, minimised).
    void Form_Resize();
    // System close and File "Exit": run-state keys, tray icon, then Unload.
    void Form_QueryUnload();
    // Unloads every window and ends the program.
    void Unload();
    void SendToTray();
    // Mouse messages of the tray icon (kTrayDoubleClick, kTrayRightButtonUp).
    void OnTrayMessage(int message);
    // The window back from the tray in normal state (a double click on the
    // icon, "Show Program").
    void ShowFromTray();
    // Opens the slide-up tray menu above the taskbar.
    void OpenTrayMenu();
    // The tray menu's "Exit Program": asks first; No sends the window back
    // to the tray.
    void ExitFromTrayMenu();
    // The help window: loaded (it opens the help file), shown, events run
    // once, unloaded.
    void ShowHelpWindow();
    void ShowPages(bool startUp, bool options, bool results, bool sweep);

    // --- Scheduled scans ------------------------------------------------------
    bool SaveSchedule();
    void LoadSchedule();
    // Apply and Reset of the "Scheduled Scans" tab.
    void CmdProceed_Click();
    void cmdDefaultSetting_Click();
    void tmrScheduler_Timer();
    scheduler::Scheduler& Scheduler() { return *scheduler_; }
    // Whether a scan could start now: none runs and no removal runs.
    bool ScanCanStart() const;
    // The schedule and its next scan in words on the status page.
    void ShowScheduleLabel();

    // --- Results/Removal page -----------------------------------------------
    void cmdExclude_Click();
    void cmdSelectAll_Click();
    // Copies a removal row's tick to the action rows it stands for.
    void SyncRemovalChecks(size_t row);
    // Drops the ticked rows of the action lists, the result list and the
    // removal list.
    void RemoveTickedRows();
    // "Delete": asks, then runs the removal of the ticked rows.
    void ConfirmRemoval();
    // The removal run: quarantine folder, restore point, two passes, list
    // clean-up and the running total.
    void RunRemoval();
    // One pass over the action lists.
    void RemoveCheckedItems();
    // What a scheduled scan with automatic deletion does after the scan:
    // "Continue", "Select All" and "Delete", asking nothing.
    void RemoveAllFound();
    removal::QuarantineStore& Quarantine() { return quarantine_; }
    removal::SystemRestore& SystemRestore() { return systemRestore_; }

    // --- Report ---------------------------------------------------------------
    // Writes Scan_Log.txt for the last scan.
    void MakeReport();
    // "View Log", "Show Report" and File "View Log": the report window, modally.
    void cmdLog_Click();

    // --- Live Update ----------------------------------------------------------
    // "Run Live Update Now" and File "Run Live Update": the check, then the
    // restart when something was downloaded, else "You are using the most
    // recent definition list ...".
    void cmdUpdate_Click();
    // The check alone, with the background timers off meanwhile; a manual
    // check shows frmDownload. Nothing while another check runs.
    update::UpdateCheck CheckForUpdates(bool manual);
    // The automatic update: the check, and after a download the notice that
    // slides up and then restarts the program.
    void RunAutomaticUpdate();
    // timUpdate's tick: the idle seconds (no scan running) counted; the
    // 300th runs the automatic update, once.
    void timUpdate_Timer();
    // The idle seconds until the automatic update runs (again).
    void ArmAutomaticUpdate(int idleSeconds);
    // The restart after a download: "RESTART" stored, the companion
    // started, the program ended (true). Without a companion the new
    // definitions are put in place and read now instead (false).
    bool RestartAfterUpdate(bool visibleCompanion);
    // Puts downloaded definitions in place and reads the definitions anew.
    void ReloadDefinitions();
    const update::UpdateCheck& LastUpdateCheck() const { return lastUpdate_; }
    unsigned UpdateChecks() const { return updateChecks_; }
    update::UpdateContext& UpdateContext() { return *updateContext_; }

    // --- Menus ----------------------------------------------------------------
    void mnuViewQuarantine_Click();
    void mnuViewExclusions_Click();
    // "Restore...": puts a file chosen from the quarantine back where it was.
    void mnuRestoreQuarantine_Click();
    void mnuSettingsItem_Click(int index);

    // Whether the web-site window is open (the program then ends with it).
    bool endWithWebsiteWindow = false;

    // --- Controls ---------------------------------------------------------
    // The window itself and its navigation.
    ui::Window frmMainWindow;
    ui::Frame PicStartUp, PicOptions, PicResults, PicSweepNow;
    ui::Label lblOptions{"Options"}, lblResult{"Result"}, lblSweepNow{"Sweep Now"},
        lblRemove{"Remove"}, lblExit{"Exit"}, lblHide{"X"}, lblViewLogFile{"Show Report"};
    ui::Label Label22, lblDefCaption{"Definitions"};
    ui::Button cmdWebsite, Command5{"Send to Tray"};
    ui::TabStrip TabStrip1;
    ui::Frame frmView[4];
    // Menus.
    ui::Button mnuFileScanNow{"Scan Now"}, mnuFileViewLog{"View Log"},
        mnuFileLiveUpdate{"Run Live Update"}, mnuFileMinimize{"Minimize to Tray"},
        mnuFileExit{"Exit"};
    ui::Button mnuSettingsItem[4] = {ui::Button{"Scan Options"}, ui::Button{"Proactive Protection"},
                                     ui::Button{"Schedule"}, ui::Button{"Auto Update"}};
    ui::Button mnuQuarItem[3] = {ui::Button{"View Quarantine"}, ui::Button{"View Exclusions"},
                                 ui::Button{"Restore..."}};
    ui::Button mnuViewHelp{"View Help"}, mnuAbout{"About this software"};
    ui::Button mnuDebugHomepage{"Show Homepage Changed"},
        mnuDebugSignature{"Show SignatureUpdated"}, mnuDebugSpyware{"Show SpywareFound"};
    // The tray icon (shown while the program lives in the notification
    // area), the object that shows it, the tray menu and the help window.
    ui::Control trayIcon;
    tray::ClsTray clsTray;
    tray::FrmMenuPopUp frmMenuPopUp;
    tray::Form8 form8;
    // Results/Removal page.
    ui::Button cmdExclude{"Exclude"}, cmdSelectAll{"Select All"}, Command4{"Delete"};
    ui::ProgressBar pgbDeleteSpywaresFound;
    ui::Label lblDeletingPercentageCompleted, lblDeletingCaption;
    // Schedule tab.
    ui::Button CmdProceed{"Apply"};
    // Pages.
    ui::Frame frmStatus{"Status"}, frmScan{"Scan"}, frmResults{"Results"}, frmOptions{"Options"};
    ui::Button cmdStatus{"Status"}, cmdScan{"Scan Now"}, cmdResults{"Results/Removal"},
        cmdSettings{"Settings"};
    ui::Button cmdLog{"View Log"}, cmdLiveUpdate{"Run Live Update Now"};
    // Scan page.
    ui::Button cmdScanNow{"Start"}, cmdStop{"Stop"}, cmdPause{"Pause"};
    ui::Button cmdRemove{"Click Here to Continue"};
    ui::Label lblStart{"Start"}, lblStop{"Stop"}, lblPause{"Pause"};
    ui::Label lblMemoryInspected{"0"}, lblRegistryInspected{"0"}, lblFilesFolderInspected{"0"};
    ui::Label lblSoftwareFound{"0"}, lblRemovePicSoftwareFound{"0"}, lbltracesFound{"0"};
    ui::Label lblPercentageCompleted{"0"}, lblStatus{"0"}, lblTotalNoOfRunningItems{"0"};
    ui::ProgressBar pb1, pb2, pbgMain;
    Shape shpCircle;
    ui::ListView lvwSpywareFound;
    // Results/Removal page.
    ui::ListView lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    // Working lists, never shown: what a removal acts on, packed, as a
    // scan may find tens of thousands of traces.
    ui::ActionList lvwFilesToBeDeleted, lvwRegistryToBeDeleted, lvwCookiesToDelete;
    ui::ListView lvwBlockedCookies;
    // A row for each listed file that is not there: packed, as a large set
    // of definitions gives nearly one a line.
    ui::PackedList lvwFileNotFounds;
    // The window listing files that could not be deleted, and the report window.
    removal::FrmDelete frmDelete;
    report::FrmReport frmReport;
    // The shields' alerts.
    protection::FrmSpywareFoundAlert frmSpywareFoundAlert;
    protection::FrmHomePageChangedAlert frmHomePageChangedAlert;
    // Live Update's windows and the label an error page shows in.
    update::FrmDownload frmDownload;
    update::FrmSignatureUpdated frmSignatureUpdated;
    ui::Label lblWebText;
    // Status page.
    ui::Label lblDefCount, lblVersion, lblDefVersion, lblDefRemoved, lblLastScan, lblLastFullScan;
    ui::Label lblSchedule;
    // Option page.
    ui::CheckBox chkMakeLog{"Save scan results to log"};
    ui::CheckBox chkSweepMemory{"Scan Running Processes"};
    ui::CheckBox chkScanRegistry{"Scan Windows Registry"};
    ui::CheckBox chkScanCookies{"Scan Internet Cookies"};
    ui::CheckBox chkRunAtStartup{"Run at Startup and protect my computer automatically"};
    ui::CheckBox chkAutomaticUpdate{"Enable automatic Live update (recommended)"};
    ui::CheckBox chkAutoDel{"Delete spyware automatically after scheduled scan"};
    ui::CheckBox chkAutomaticScanYesOrNo{"Enable Scheduled Scans"};
    ui::CheckBox chkAutoProtect{"Enable"};
    ui::CheckBox chkHomePage{"Enable"};
    ui::OptionButton optMemorySheildOn{"Enabled"}, optMemorySheildOff{"Disabled"};
    ui::OptionButton optIEHomePageSheildOn{"Enabled"}, optIEHomePageSheildOff{"Disabled"};
    ui::OptionButton optAlwaysnotifybeforerestoring{"Ask me what I would like to do"};
    ui::OptionButton optRestoredefaultwithoutnotification{"Silently restore my original home page"};
    ui::OptionButton optScanAllSelectedHardDrive{"Complete System Scan"};
    ui::OptionButton optScanOnlyKnownSoftwares{"Quick Scan"};
    ui::Button cmdDefaultSetting{"Reset"};
    ui::Label lblLastUpdate{"Last update"};
    ui::ListView lvwHardDrives;
    ui::DateTimePicker dtpScheduleDate, dtpScheduleTime;
    ui::ComboBox cmbDays;
    // Timers.
    ui::Timer tmrScroll{200, true}, tmrScheduler{10, true}, tmrCheckHomePage{5000, true},
        tmrMemoryInspected{10000, true}, tmrTimeOut{30000, true}, timUpdate{1000, false},
        tmrCheckSignature{60000, false};

private:
    void WireOptionHandlers();
    void WireShell();
    void WireSchedule();
    void WireTray();
    // The window shown in normal state: the schedule check forgets what it
    // checked, and the status page's schedule line is brought up to date.
    void ScheduleWindowShown();
    void OptionButtonGroups();
    void SaveDriveChecks();
    settings::BackgroundTimers Timers();
    std::vector<ui::Timer*> Timers_All();

    AppInfo info_;
    platform::Platform& platform_;
    ui::Host& host_;
    app::FrontEnd& frontEnd_;
    settings::SettingsStore settings_;
    definitions::DefinitionSet definitions_;
    definitions::UpdateTrust trust_;
    definitions::ExclusionList exclusions_;
    scan::ScanSession session_;
    scan::ExeDefinitionCache exeCache_;
    removal::QuarantineStore quarantine_;
    removal::SystemRestore systemRestore_;
    std::unique_ptr<scan::ScanControls> scanControls_;
    std::unique_ptr<scan::ScanContext> scanContext_;
    bool loadingDrives_ = false;
    bool lastScanRan_ = false;
    std::unique_ptr<removal::RemovalContext> removalContext_;
    std::unique_ptr<protection::ProtectionContext> protectionContext_;
    std::unique_ptr<update::UpdateContext> updateContext_;
    update::UpdateCheck lastUpdate_;
    std::vector<definitions::InstallOutcome> lastInstall_;
    unsigned updateChecks_ = 0;
    bool updating_ = false;
    int updateIdleSeconds_ = 0;
    int updateAfterSeconds_ = 300;
    std::unique_ptr<scheduler::Scheduler> scheduler_;
    bool removing_ = false;
    // The stamps of the exclusion list and of the four definition files as
    // they were last read (nullopt: not known).
    void StampReadFiles();
    std::optional<platform::FileStamp> exclusionStamp_;
    std::array<std::optional<platform::FileStamp>, 4> definitionStamps_;
};

}  // namespace quellon::app
