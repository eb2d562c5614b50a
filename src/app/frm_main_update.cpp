// Live Update on the main window: the manual and the automatic check, the
// notice of an automatic update, and the restart that puts new definitions
// in place.
#include "app/frm_main.h"

#include <algorithm>

namespace quellon::app {
namespace {

// The window program's events run this many times before it ends for the
// restart, so that the companion is under way.
constexpr int kRestartEvents = 50001;

}  // namespace

update::UpdateCheck FrmMain::CheckForUpdates(bool manual) {
    if (updating_) {
        return {};
    }
    updating_ = true;
    // The shields and the schedule check go on between the files of the
    // check (which has one deadline for all of it) and are switched off
    // only while its files and versions are written.
    updateContext_->onWriting = [this](bool writing) { SetBackgroundTimers(!writing); };
    SetBackgroundTimers(true);
    if (manual) {
        cmdLiveUpdate.SetEnabled(false);
    }
    update::UpdateCheck check = update::CheckDefinitionVersions(*updateContext_);
    if (manual) {
        cmdLiveUpdate.SetEnabled(true);
    }
    lastUpdate_ = check;
    ++updateChecks_;
    SetBackgroundTimers(true);
    updating_ = false;
    return check;
}

void FrmMain::cmdUpdate_Click() {
    if (updating_) {
        return;
    }
    const update::UpdateCheck check = CheckForUpdates(true);
    if (check.downloaded) {
        settings_.Save(settings::kOptionAndSettings, settings::keys::kSHOW, "True");
        if (RestartAfterUpdate(true)) {
            return;
        }
    } else if (!check.failed && !check.kinds.empty()) {
        // A check that failed has said so; it is no "most recent list".
        host_.MsgBox(update::MostRecentMessage(settings_), ui::kOkOnly, info_.productName);
    }
    LoadSettingsIntoForm();
}

bool FrmMain::RestartAfterUpdate(bool visibleCompanion) {
    settings_.Save(settings::kOptionAndSettings, settings::keys::kRESTART, "True");
    if (!frontEnd_.StartCompanion(visibleCompanion)) {
        // Nothing can start the program again: the new definitions are put
        // in place and read now, as the next start would.
        ReloadDefinitions();
        frmSignatureUpdated.SetVisible(false);
        return false;
    }
    for (int i = 0; i < kRestartEvents; ++i) {
        host_.DoEvents();
    }
    trayIcon.SetVisible(false);
    frontEnd_.RemoveTrayIcon();
    host_.EndProgram();
    return true;
}

void FrmMain::ReloadDefinitions() {
    LoadDefinitions();
    // The process scan reads its definitions once a run: they are new now.
    exeCache_ = {};
    ShowStatusLabels();
}

void FrmMain::RunAutomaticUpdate() {
    // Live Update's own tray icon while it checks: the program's icon with
    // its tip when that is shown, an icon of its own otherwise.
    const std::string tip = info_.productName + " Live Update";
    if (clsTray.bRunningInTray()) {
        frontEnd_.ChangeTrayTip(tip);
    } else {
        frontEnd_.ShowTrayIcon(tip);
    }
    frmDownload.SetVisible(true);
    frmDownload.SetVisible(false);
    const update::UpdateCheck check = CheckForUpdates(false);
    frmDownload.SetVisible(false);
    // The check lets events run for many seconds: the window may have gone
    // to the tray (or the program been closed) meanwhile. Whether the icon
    // stays is asked now, or a window sent to the tray would be left hidden
    // without its icon, out of the user's reach.
    if (clsTray.bRunningInTray()) {
        frontEnd_.ShowTrayIcon(tray::CutTip(frmMainWindow.Caption()));
    } else {
        frontEnd_.RemoveTrayIcon();
    }
    if (!check.downloaded) {
        return;
    }
    const ScreenArea screen = frontEnd_.Screen();
    if (screen.width <= 0 || screen.height <= 0) {
        // No screen to show the notice on: the restart follows at once.
        settings_.Save(settings::kOptionAndSettings, settings::keys::kSHOW, "false");
        RestartAfterUpdate(false);
        return;
    }
    frmSignatureUpdated.Form_Load(screen.width, screen.height, screen.taskbarHeight);
    frmSignatureUpdated.tmrPopupSignatureUpdate.SetEnabled(true);
}

void FrmMain::timUpdate_Timer() {
    // Only seconds without a running scan count.
    if (!cmdScanNow.Enabled()) {
        return;
    }
    if (++updateIdleSeconds_ >= updateAfterSeconds_ && cmdScanNow.Enabled()) {
        updateIdleSeconds_ = 0;
        timUpdate.SetEnabled(false);
        RunAutomaticUpdate();
    }
}

void FrmMain::ArmAutomaticUpdate(int idleSeconds) {
    updateIdleSeconds_ = 0;
    updateAfterSeconds_ = std::max(1, idleSeconds);
    timUpdate.SetEnabled(true);
}

}  // namespace quellon::app
