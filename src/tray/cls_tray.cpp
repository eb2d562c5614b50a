#include "tray/cls_tray.h"

namespace quellon::tray {

std::string CutTip(std::string_view tip) {
    return std::string(tip.substr(0, kMaxTipLength));
}

ClsTray::ClsTray(TrayIconService& service, ui::Control& icon) : service_(service), icon_(icon) {}

void ClsTray::ShowIcon(const ui::Window& form) {
    iconShown_ = service_.ShowTrayIcon(CutTip(form.Caption()));
    SetRunningInTray(true);
}

void ClsTray::RemoveIcon(const ui::Window&) {
    service_.RemoveTrayIcon();
    iconShown_ = false;
    SetRunningInTray(false);
}

void ClsTray::ChangeToolTip(const ui::Window&, std::string_view tip) {
    if (bRunningInTray()) {
        service_.ChangeTrayTip(CutTip(tip));
    }
}

}  // namespace quellon::tray
