// The program in the notification area: the icon (ClsTray over the
// front-end's icon), the slide-up tray menu and its items, and the help
// window.
#include "app/frm_main.h"

namespace quellon::app {
void FrmMain::WireTray() {
    trayIcon.SetVisible(false);
    auto& menu = frmMenuPopUp;
    menu.mnuMaxmimaize.SetEnabled(false);
    menu.mnuMaxmimaize.onClick = [this] {
        ShowFromTray();
        frmMenuPopUp.Unload();
    };
    menu.mnuShowOptions.onClick = [this] {
        ShowFromTray();
        frmMenuPopUp.Unload();
        cmdSettings.Click();
    };
    menu.mnuScanNow.onClick = [this] {
        ShowFromTray();
        frmMenuPopUp.Unload();
        // A scan already running (the menu works meanwhile) goes on alone.
        if (ScanCanStart()) {
            lblStart.Click();
        }
    };
    menu.mnuClose.onClick = [this] { ExitFromTrayMenu(); };
}

void FrmMain::SendToTray() {
    frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    frmMainWindow.SetVisible(false);
    frmMenuPopUp.mnuMaxmimaize.SetEnabled(true);
    clsTray.ShowIcon(frmMainWindow);
    settings_.Save(settings::kSettings, settings::keys::kMinimized, "Yes");
}

void FrmMain::ShowFromTray() {
    frmMainWindow.SetWindowState(ui::Window::State::kNormal);
    frmMainWindow.SetVisible(true);
    // Shown again in normal state: the state handling stores "Minimized" = "No".
    Form_Resize();
}

void FrmMain::OnTrayMessage(int message) {
    if (!clsTray.bRunningInTray()) {
        return;
    }
    if (message == kTrayDoubleClick) {
        ShowFromTray();
    } else if (message == kTrayRightButtonUp) {
        OpenTrayMenu();
    }
}

void FrmMain::OpenTrayMenu() {
    const ScreenArea screen = frontEnd_.Screen();
    frmMenuPopUp.Form_Load({screen.width, screen.height, screen.taskbarHeight},
                           frmMainWindow.Visible(), lblResult.Enabled() || lblOptions.Enabled());
}

void FrmMain::ExitFromTrayMenu() {
    ShowFromTray();
    const std::string question =
        "Closing " + info_.productName +
        " may leave your system vulnerable to malicious programs. Are you sure you want to exit?";
    if (host_.MsgBox(question, ui::kYesNo | ui::kQuestion, info_.productName) ==
        ui::MsgResult::kYes) {
        // Run state, tray icon, then the main window's unload.
        Form_QueryUnload();
    } else {
        // Back to the tray, where it was ("Minimized" = "Yes" again).
        SendToTray();
        SetBackgroundTimers(true);
    }
    frmMenuPopUp.Unload();
}

void FrmMain::ShowHelpWindow() {
    form8.Form_Load();
    form8.SetVisible(true);
    host_.DoEvents();
    form8.SetVisible(false);
}

}  // namespace quellon::app
