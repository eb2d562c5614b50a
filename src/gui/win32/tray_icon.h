// The program's icon in the notification area (Shell_NotifyIconW). Its mouse
// messages arrive at the owner window as kCallbackMessage with the mouse
// message in lParam; when Explorer starts again ("TaskbarCreated") the icon
// is added again.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quellon::gui::win32 {

class TrayIcon {
public:
    static constexpr UINT kCallbackMessage = WM_APP + 1;

    TrayIcon(HWND owner, HICON icon);
    ~TrayIcon();  // removes the icon
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    bool Show(const std::wstring& tip);
    void Remove();
    void SetTip(const std::wstring& tip);
    bool Shown() const { return shown_; }

    // The owner window's messages: passes a mouse message of the icon to
    // `onMouse` (WM_LBUTTONDBLCLK, WM_RBUTTONUP ...) and adds the icon again
    // after TaskbarCreated. True when the message was the icon's.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                       const std::function<void(int)>& onMouse);

private:
    HWND owner_;
    HICON icon_;
    std::wstring tip_;
    bool shown_ = false;
    UINT taskbarCreated_ = 0;
};

}  // namespace quellon::gui::win32
