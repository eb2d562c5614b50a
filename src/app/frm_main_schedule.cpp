// The "Scheduled Scans" tab and tmrScheduler: the scheduler over the main
// window's controls, and the schedule line of the status page.
#include "app/frm_main.h"

namespace quellon::app {

void FrmMain::WireSchedule() {
    scheduler_ = std::make_unique<scheduler::Scheduler>(scheduler::ScheduleContext{
        scheduler::ScheduleControls{chkAutomaticScanYesOrNo, cmbDays, dtpScheduleDate,
                                    dtpScheduleTime, CmdProceed, cmdDefaultSetting, chkAutoDel,
                                    tmrScheduler},
        settings_, host_, info_.productName, lblStart, session_.UnattendedRemoval,
        [this] {
            return frmMainWindow.Visible() &&
                   frmMainWindow.WindowState() == ui::Window::State::kNormal;
        },
        [this] { return ScanCanStart(); }});
    scheduler_->Wire();
    // The status page names the next scan after every load of the schedule
    // (Apply too) and every scheduled scan.
    scheduler_->onLoaded = [this] { ShowScheduleLabel(); };
    scheduler_->onScanEnded = [this] { ShowScheduleLabel(); };
}

void FrmMain::ScheduleWindowShown() {
    // No due second passed while the window was shown is caught up later.
    scheduler_->Rearm();
    ShowScheduleLabel();
}

bool FrmMain::ScanCanStart() const {
    return cmdScanNow.Enabled() && !removing_;
}

bool FrmMain::SaveSchedule() {
    return scheduler_->SaveSchedule();
}

void FrmMain::LoadSchedule() {
    scheduler_->LoadSchedule();
}

void FrmMain::CmdProceed_Click() {
    scheduler_->CmdProceed_Click();
}

void FrmMain::cmdDefaultSetting_Click() {
    scheduler_->cmdDefaultSetting_Click();
}

void FrmMain::tmrScheduler_Timer() {
    scheduler_->tmrScheduler_Timer();
}

void FrmMain::ShowScheduleLabel() {
    using scheduler::Words;
    const scheduler::Schedule schedule = scheduler::ReadSchedule(settings_);
    const DateTime now = host_.Now();
    // A scan that did not run is told until a later one starts.
    const std::optional<DateTime> missed = scheduler_->MissedScan(schedule, now);
    const std::string missedWords =
        missed ? "missed scan " + scheduler::DescribeDue(*missed, Words::kWindow) : std::string();
    if (!schedule.on) {
        lblSchedule.SetCaption(missed ? "none; " + missedWords : std::string("none"));
        return;
    }
    std::string caption = scheduler::Describe(schedule, Words::kWindow);
    if (auto next = scheduler_->NextScan(schedule, now)) {
        caption += "; next scan " + scheduler::DescribeDue(*next, Words::kWindow);
    } else {
        caption += "; no scan to come";
    }
    if (missed) {
        caption += "; " + missedWords;
    }
    lblSchedule.SetCaption(caption);
}

}  // namespace quellon::app
