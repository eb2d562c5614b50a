// The Quarantine menu: the quarantine folder, the exclusion list and the
// restore of a quarantined file.
#include "app/frm_main.h"

namespace quellon::app {

void FrmMain::mnuViewQuarantine_Click() {
    const std::string folder = definitions::JoinPath(info_.programFolder, "quarantine");
    platform_.files.CreateFolder(folder);
    host_.OpenDocument(folder);
}

void FrmMain::mnuViewExclusions_Click() {
    const std::string file = exclusions_.FilePath();
    if (definitions::FileExists(platform_.files, file)) {
        host_.OpenDocument(file);
        return;
    }
    host_.MsgBox("No exclusion file exists yet.", ui::kOkOnly, "No Exclusion File");
}

void FrmMain::mnuRestoreQuarantine_Click() {
    const auto files = quarantine_.List();
    if (files.empty()) {
        host_.MsgBox("The quarantine folder holds no files.", ui::kOkOnly | ui::kInformation,
                     info_.productName);
        return;
    }
    const auto choice = frontEnd_.ChooseQuarantinedFile(files);
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
