// Removal of the ticked rows, the scan report and the quarantine menu's
// restore.
#include "app/frm_main.h"
#include "common/convert.h"
#include "common/text.h"

namespace quellon::app {
namespace {

// How many times the run lets pending events through while it gathers.
constexpr int kGatheringEvents = 20001;

}  // namespace

void FrmMain::ConfirmRemoval() {
    // The run lets clicks through; a second Delete meanwhile is not a second run.
    if (removing_) {
        return;
    }
    const bool ask = !session_.UnattendedRemoval;
    auto& removal = lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    bool ticked = false;
    for (const auto& item : removal.Items()) {
        if (item.checked) {
            ticked = true;
            break;
        }
    }
    if (!ticked) {
        if (ask) {
            host_.MsgBox(
                "No entries are selected.  You must check the box next to at least one item in "
                "the list.",
                ui::kOkOnly | ui::kInformation, info_.productName);
        }
        return;
    }
    if (removal.Count() == 0 && lvwRegistryToBeDeleted.Count() == 0 &&
        lvwSpywareFound.Count() == 0) {
        if (ask) {
            host_.MsgBox("Sorry, there are no entries to be deleted.",
                         ui::kOkOnly | ui::kInformation, info_.productName);
        }
        return;
    }
    std::string question =
        "Are you sure you want to delete the selected files?\r\n\r\n"
        "Deleted files will be backed up in the following folder in case you need to recover "
        "them:\r\n\r\n" +
        quarantine_.Folder();
    if (systemRestore_.IsSystemRestoreAvailable()) {
        question +=
            "\r\n\r\nIn addition, a System Restore Point will be created using Windows System "
            "Restore, accessible through:\r\n\r\n"
            "Start > Programs > Accessories > System Tools > System Restore";
    }
    if (ask && host_.MsgBox(question, ui::kYesNo, "Really Delete?") != ui::MsgResult::kYes) {
        return;
    }
    pgbDeleteSpywaresFound.SetVisible(true);
    lblDeletingPercentageCompleted.SetVisible(true);
    lblDeletingCaption.SetVisible(true);
    frmDelete.lstProblem.Clear();
    RunRemoval();
}

void FrmMain::RunRemoval() {
    if (removing_) {
        return;
    }
    removing_ = true;
    platform_.files.CreateFolder(quarantine_.Folder());

    ShowPages(false, false, true, false);
    lblRemove.SetEnabled(false);
    for (ui::Label* l : {&lblSweepNow, &lblOptions, &lblResult, &lblExit}) {
        l->SetEnabled(true);
    }
    pgbDeleteSpywaresFound.SetVisible(true);
    lblDeletingPercentageCompleted.SetVisible(true);
    lblDeletingCaption.SetVisible(true);

    lblDeletingPercentageCompleted.SetCaption("Gathering information...");
    for (int i = 0; i < kGatheringEvents; ++i) {
        host_.DoEvents();
    }
    lblDeletingPercentageCompleted.SetCaption("");

    bool restorePoint = false;
    if (systemRestore_.IsSystemRestoreAvailable()) {
        lblDeletingPercentageCompleted.SetCaption("Creating Restore Point...");
        host_.DoEvents();
        restorePoint = systemRestore_.BeginRestorePoint(
            info_.productName + " Restore Point " + FormatGeneralDate(host_.Now()),
            removal::kRemovalRestorePointType);
    }

    quarantine_.BeginRun();
    quarantine_.FirstRemovalPass = true;
    RemoveCheckedItems();
    quarantine_.FirstRemovalPass = false;
    RemoveCheckedItems();

    if (restorePoint) {
        systemRestore_.EndRestorePoint();
    }
    RemoveTickedRows();

    pgbDeleteSpywaresFound.SetValue(pgbDeleteSpywaresFound.Max());
    lblDeletingPercentageCompleted.SetCaption("100% complete");
    LoadSettingsIntoForm();
    lblRemove.SetEnabled(true);

    using namespace settings;
    const std::int64_t total =
        convert::ToNumber(settings_.Get(kSettings, keys::kLblDefRemoved, "0"), 0) +
        convert::ToNumber(lblRemovePicSoftwareFound.Caption(), 0) +
        convert::ToNumber(lbltracesFound.Caption(), 0);
    settings_.Save(kSettings, keys::kLblDefRemoved, text::ToDecimal(total));
    ShowStatusLabels();

    pgbDeleteSpywaresFound.SetVisible(false);
    lblDeletingPercentageCompleted.SetVisible(false);
    lblDeletingCaption.SetVisible(false);
    removing_ = false;
}

void FrmMain::RemoveCheckedItems() {
    removal::RemoveCheckedItems(*removalContext_);
}

void FrmMain::RemoveAllFound() {
    cmdRemove.Click();
    cmdSelectAll.Click();
    Command4.Click();
}

// ---------------------------------------------------------------------------
// Report

void FrmMain::MakeReport() {
    report::MakeReport(
        report::ReportInput{info_.productName, info_.major, info_.minor, session_.ScanStartTime,
                            session_.ScanEndTime, lblMemoryInspected.Caption(),
                            lblRegistryInspected.Caption(), lblFilesFolderInspected.Caption(),
                            lvwPicRemoveListOfSpywareFoundAndToBeRemoved, info_.programFolder},
        platform_.files);
}

void FrmMain::cmdLog_Click() {
    lblViewLogFile.SetEnabled(false);
    frmReport.Form_Load();
    frmReport.SetVisible(true);
    if (showModal) {
        showModal(frmReport);
    }
    lblViewLogFile.SetEnabled(true);
}

// ---------------------------------------------------------------------------
// Quarantine menu: restore

void FrmMain::mnuRestoreQuarantine_Click() {
    const auto files = quarantine_.List();
    if (files.empty()) {
        host_.MsgBox("The quarantine folder holds no files.", ui::kOkOnly | ui::kInformation,
                     info_.productName);
        return;
    }
    if (!chooseQuarantinedFile) {
        return;
    }
    const auto choice = chooseQuarantinedFile(files);
    if (!choice || *choice >= files.size()) {
        return;
    }
    const auto& file = files[*choice];
    std::string target;
    switch (quarantine_.Restore(file.name, {}, &target)) {
        case removal::RestoreResult::kRestored:
            host_.MsgBox(file.name + " was restored to " + target + ".",
                         ui::kOkOnly | ui::kInformation, info_.productName);
            break;
        case removal::RestoreResult::kTargetExists:
            host_.MsgBox(target +
                             " already exists. Nothing was overwritten; the copy stays in "
                             "the quarantine folder.",
                         ui::kOkOnly | ui::kExclamation, info_.productName);
            break;
        case removal::RestoreResult::kNoLocation:
            host_.MsgBox("The quarantine log does not say where " + file.name +
                             " came from. It stays in the quarantine folder.",
                         ui::kOkOnly | ui::kExclamation, info_.productName);
            break;
        case removal::RestoreResult::kNotInQuarantine:
        case removal::RestoreResult::kFailed:
            host_.MsgBox(file.name + " could not be restored to " + target + ".",
                         ui::kOkOnly | ui::kCritical, info_.productName);
            break;
    }
}

}  // namespace quellon::app
