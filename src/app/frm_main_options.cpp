// The option page: every control's change handler, the load of the stored
// options, the drive list and the Run-list entry (the schedule's tab is in
// frm_main_schedule.cpp).
#include "app/frm_main.h"
#include "common/convert.h"

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

}  // namespace

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
        const auto batch = settings_.Batch();
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
        tmrMemoryInspected.SetEnabled(chkAutoProtect.Checked() && !WindowShownNormal());
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
            const auto batch = settings_.Batch();
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
         [this](bool on) { tmrMemoryInspected.SetEnabled(on && !WindowShownNormal()); });
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
    // The controls set here store what they show (the defaults, on a new
    // profile): all of it in one write.
    const auto batch = s.Batch();
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
    // The day list and the pickers as the tab's rules have them for the
    // selected day (the date picker only for "Date & Time").
    scheduler_->ShowEnabledState();
    tmrScheduler.SetEnabled(scheduled);

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
    const auto batch = settings_.Batch();
    for (const auto& row : lvwHardDrives.Items()) {
        settings_.SaveOption(settings::kDrives, row.text, row.checked);
    }
}

void FrmMain::ApplyRunAtStartup() {
    using namespace settings;
    const bool run = settings_.GetNumber(kOptionAndSettings, keys::kChkRunAtStartup, 1) == 1;
    if (platform::StartupRegistration* registration = frontEnd_.StartupRegistration()) {
        registration->SetRunAtStartup(run);
    }
    auto& reg = platform_.registry;
    const platform::RegKey key = reg.CreateKey(platform::kHkeyLocalMachine, kRunKey);
    if (key == 0) {
        return;
    }
    if (run) {
        std::string data = info_.InstallFolder() + "\\" + info_.exeName;
        data += '\0';
        reg.SetValue(key, info_.exeName, platform::RegValue{platform::RegType::kString, data});
    } else {
        reg.DeleteValue(key, info_.exeName);
    }
    reg.CloseKey(key);
}

}  // namespace quellon::app
