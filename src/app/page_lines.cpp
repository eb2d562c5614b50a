#include "app/page_lines.h"

#include "app/frm_main.h"

namespace quellon::app {

std::array<LabelLine, 6> DefinitionLines(FrmMain& f) {
    return {{{"Definitions loaded", f.lblDefCount, "lblDefCount"},
             {"Program version", f.lblVersion, "lblVersion"},
             {"Definition version", f.lblDefVersion, "lblDefVersion"},
             {"Items removed", f.lblDefRemoved, "lblDefRemoved"},
             {"Last scan", f.lblLastScan, "lblLastScan"},
             {"Last complete scan", f.lblLastFullScan, "lblLastFullScan"}}};
}

std::array<LabelLine, 6> ScanCounters(FrmMain& f) {
    return {{{"Running Processes", f.lblTotalNoOfRunningItems, "lblTotalNoOfRunningItems"},
             {"Memory Items Inspected", f.lblMemoryInspected, "lblMemoryInspected"},
             {"Registry Entries Inspected", f.lblRegistryInspected, "lblRegistryInspected"},
             {"Files/Folders Inspected", f.lblFilesFolderInspected, "lblFilesFolderInspected"},
             {"Spyware Found", f.lblSoftwareFound, "lblSoftwareFound"},
             {"Traces Found", f.lbltracesFound, "lbltracesFound"}}};
}

std::array<BarLine, 3> ScanBars(FrmMain& f) {
    return {{{"Current task", f.pb1, "pb1", false},
             {"Overall progress", f.pb2, "pb2", false},
             {"Activity", f.pbgMain, "pbgMain", true}}};
}

std::array<Guard, 5> Guards(FrmMain& f) {
    return {{{"Memory shield", f.chkAutoProtect, &f.tmrMemoryInspected, true},
             {"Home page shield", f.chkHomePage, &f.tmrCheckHomePage, false},
             {"Scheduled scans", f.chkAutomaticScanYesOrNo, &f.tmrScheduler, true},
             {"Automatic Live Update", f.chkAutomaticUpdate, nullptr, false},
             {"Run at startup", f.chkRunAtStartup, nullptr, false}}};
}

GuardText ShowGuard(FrmMain& f, const Guard& guard) {
    if (!guard.option.Checked()) {
        return {GuardState::kOff, "Off"};
    }
    if (guard.timer == nullptr || guard.timer->Enabled()) {
        return {GuardState::kOn, "On"};
    }
    if (f.Session().ScanRunning) {
        return {GuardState::kPaused, "On, paused during the scan"};
    }
    if (f.frmSpywareFoundAlert.Visible() || f.frmHomePageChangedAlert.Visible()) {
        return {GuardState::kPaused, "On, paused while an alert waits"};
    }
    if (guard.pausesWhileShown) {
        return {GuardState::kPaused, "On, paused while this window is shown"};
    }
    return {GuardState::kPaused, "On, paused"};
}

std::vector<ui::Observable*> GuardSources(FrmMain& f, const Guard& guard) {
    std::vector<ui::Observable*> sources{&guard.option, &f.cmdScanNow, &f.frmSpywareFoundAlert,
                                         &f.frmHomePageChangedAlert};
    if (guard.timer != nullptr) {
        sources.push_back(guard.timer);
    }
    return sources;
}

}  // namespace quellon::app
