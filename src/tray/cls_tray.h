// The program's icon in the notification area. ClsTray keeps whether the
// program runs in the tray; the icon itself is the front-end's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ui/controls.h"

namespace quellon::tray {

// What a front-end does with the icon.
class TrayIconService {
public:
    virtual ~TrayIconService() = default;
    // Shows the program's icon with a tip; false where there is no
    // notification area.
    virtual bool ShowTrayIcon(std::string_view tip) = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual void ChangeTrayTip(std::string_view tip) = 0;
};

// A tip holds at most 64 characters with its terminating NUL.
inline constexpr size_t kMaxTipLength = 63;
std::string CutTip(std::string_view tip);

class ClsTray {
public:
    // `icon` is the model of the icon a front-end mirrors: shown exactly
    // while the program runs in the tray.
    ClsTray(TrayIconService& service, ui::Control& icon);

    bool bRunningInTray() const { return icon_.Visible(); }
    void SetRunningInTray(bool running) { icon_.SetVisible(running); }

    // Adds the icon with the form's caption as its tip; the program runs in
    // the tray from then on, also where the desktop has no notification
    // area (the window then stays minimised on the taskbar instead).
    void ShowIcon(const ui::Window& form);
    // Deletes the icon; the program no longer runs in the tray.
    void RemoveIcon(const ui::Window& form);
    // A new tip, only while the program runs in the tray.
    void ChangeToolTip(const ui::Window& form, std::string_view tip);

    // Whether the last ShowIcon found a notification area.
    bool IconShown() const { return iconShown_; }

private:
    TrayIconService& service_;
    ui::Control& icon_;
    bool iconShown_ = false;
};

}  // namespace quellon::tray
