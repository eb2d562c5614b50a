// The Results/Removal page: the ticks, Exclude, the removal of the ticked
// rows, and the scan report.
#include "app/frm_main.h"

#include <set>
#include <string>
#include <string_view>

#include "common/convert.h"
#include "common/text.h"

namespace quellon::app {
namespace {

// How many times the run lets pending events through while it gathers.
constexpr int kGatheringEvents = 20001;

}  // namespace

void FrmMain::SyncRemovalChecks(size_t row) {
    const auto& item = lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(row);
    const bool checked = item.checked;
    // A spyware gets one removal row, of the kind found first (the registry
    // is scanned before the files), so the row stands for the spyware's
    // registry entries and files alike: ticking it reaches both.
    auto registryRows = [&] {
        for (size_t i = 0; i < lvwRegistryToBeDeleted.Count(); ++i) {
            const ui::ListRow r = lvwRegistryToBeDeleted.Item(i);
            if (r.SubItemView(1) == item.text || r.SubItemView(3) == item.text) {
                lvwRegistryToBeDeleted.SetChecked(i, checked);
            }
        }
    };
    auto fileRows = [&] {
        for (size_t i = 0; i < lvwFilesToBeDeleted.Count(); ++i) {
            if (lvwFilesToBeDeleted.Item(i).SubItemView(1) == item.text) {
                lvwFilesToBeDeleted.SetChecked(i, checked);
            }
        }
    };
    switch (item.smallIcon) {
        case scan::kIconCookie:
            for (size_t i = 0; i < lvwCookiesToDelete.Count(); ++i) {
                if (lvwCookiesToDelete.Item(i).text == item.SubItem(1)) {
                    lvwCookiesToDelete.SetChecked(i, checked);
                }
            }
            break;
        case scan::kIconRegistry:
            registryRows();
            fileRows();
            break;
        case scan::kIconFile:
            fileRows();
            registryRows();
            break;
        default:
            break;
    }
}

void FrmMain::cmdSelectAll_Click() {
    // Ticks the action rows that ticking each removal row in turn would
    // (SyncRemovalChecks), in one pass over each action list: a large
    // result has thousands of removal rows and tens of thousands of action
    // rows, and a pass for every removal row took minutes.
    auto& removal = lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    std::set<std::string, std::less<>> names, cookies;
    for (size_t i = 0; i < removal.Count(); ++i) {
        const ui::ListItem& item = removal.Item(i);
        if (item.checked) {
            continue;
        }
        if (item.smallIcon == scan::kIconCookie) {
            cookies.insert(item.SubItem(1));
        } else if (item.smallIcon == scan::kIconRegistry || item.smallIcon == scan::kIconFile) {
            names.insert(item.text);
        }
        removal.SetCheckedWithoutEvent(i, true);
    }
    auto named = [](const std::set<std::string, std::less<>>& set, std::string_view text) {
        return set.find(text) != set.end();
    };
    for (size_t i = 0; !names.empty() && i < lvwRegistryToBeDeleted.Count(); ++i) {
        const ui::ListRow r = lvwRegistryToBeDeleted.Item(i);
        if (named(names, r.SubItemView(1)) || named(names, r.SubItemView(3))) {
            lvwRegistryToBeDeleted.SetChecked(i, true);
        }
    }
    for (size_t i = 0; !names.empty() && i < lvwFilesToBeDeleted.Count(); ++i) {
        if (named(names, lvwFilesToBeDeleted.Item(i).SubItemView(1))) {
            lvwFilesToBeDeleted.SetChecked(i, true);
        }
    }
    for (size_t i = 0; !cookies.empty() && i < lvwCookiesToDelete.Count(); ++i) {
        if (named(cookies, lvwCookiesToDelete.Item(i).text)) {
            lvwCookiesToDelete.SetChecked(i, true);
        }
    }
}

void FrmMain::RemoveTickedRows() {
    lvwFilesToBeDeleted.RemoveChecked();
    lvwRegistryToBeDeleted.RemoveChecked();
    lvwSpywareFound.RemoveChecked();
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.RemoveChecked();
    lblDeletingCaption.SetCaption("");
}

void FrmMain::cmdExclude_Click() {
    auto& removal = lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    if (removal.Count() == 0 && lvwRegistryToBeDeleted.Count() == 0 &&
        lvwSpywareFound.Count() == 0) {
        host_.MsgBox("Sorry, there are no entries to be excluded.", ui::kOkOnly | ui::kInformation,
                     info_.productName);
        return;
    }
    const std::string question =
        "Are you sure you want to exclude the selected files?\r\n\r\n"
        "Excluded files will not show up as Adware/Spyware on future scans.\r\n\r\n"
        "You can edit the list of excluded files through the Quarantine menu.";
    if (host_.MsgBox(question, ui::kYesNo, "Really Exclude?") != ui::MsgResult::kYes) {
        return;
    }
    bool stored = true;
    for (size_t i = 0; i < removal.Count(); ++i) {
        const auto& row = removal.Item(i);
        const std::string name = text::Replace(row.text, "Cookie: ", "");
        if (row.checked) {
            stored = exclusions_.Append(row.SubItem(1)) && stored;
            stored = exclusions_.Append(name) && stored;
        }
    }
    RemoveTickedRows();
    if (!stored) {
        host_.MsgBox("The exclusion list " + exclusions_.FilePath() +
                         " could not be written. The excluded items are left alone until the "
                         "program ends and will show up again after that.",
                     ui::kOkOnly | ui::kExclamation, info_.productName);
    }
}

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
    frontEnd_.ShowModal(frmReport);
    lblViewLogFile.SetEnabled(true);
}

}  // namespace quellon::app
