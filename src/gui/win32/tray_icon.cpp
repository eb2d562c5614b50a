#include "gui/win32/tray_icon.h"

#include <shellapi.h>

#include <cwchar>

namespace quellon::gui::win32 {

namespace {

constexpr UINT kIconId = 1;

NOTIFYICONDATAW Data(HWND owner, HICON icon, const std::wstring& tip) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TrayIcon::kCallbackMessage;
    data.hIcon = icon;
    // The tip's room, with its end; a longer tip is cut, not refused.
    const size_t room = sizeof data.szTip / sizeof data.szTip[0] - 1;
    std::wcsncpy(data.szTip, tip.c_str(), room);
    data.szTip[room] = L'\0';
    return data;
}

}  // namespace

TrayIcon::TrayIcon(HWND owner, HICON icon)
    : owner_(owner), icon_(icon), taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")) {
    // A program running with more rights than Explorer still hears that the
    // taskbar came back.
    if (owner_ != nullptr && taskbarCreated_ != 0) {
        ::ChangeWindowMessageFilterEx(owner_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    }
}

TrayIcon::~TrayIcon() {
    Remove();
}

bool TrayIcon::Show(const std::wstring& tip) {
    tip_ = tip;
    NOTIFYICONDATAW data = Data(owner_, icon_, tip_);
    // The classic form: the mouse message itself arrives in lParam.
    if (::Shell_NotifyIconW(shown_ ? NIM_MODIFY : NIM_ADD, &data)) {
        shown_ = true;
        return true;
    }
    // An icon left behind (the taskbar came back meanwhile) is changed
    // instead of added twice.
    if (!shown_ && ::Shell_NotifyIconW(NIM_MODIFY, &data)) {
        shown_ = true;
        return true;
    }
    return false;
}

void TrayIcon::Remove() {
    if (!shown_) {
        return;
    }
    NOTIFYICONDATAW data = Data(owner_, icon_, L"");
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    shown_ = false;
}

void TrayIcon::SetTip(const std::wstring& tip) {
    tip_ = tip;
    if (!shown_) {
        return;
    }
    NOTIFYICONDATAW data = Data(owner_, icon_, tip_);
    data.uFlags = NIF_TIP;
    ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

bool TrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                             const std::function<void(int)>& onMouse) {
    if (message == kCallbackMessage) {
        if (wParam == kIconId && onMouse) {
            onMouse(static_cast<int>(LOWORD(lParam)));
        }
        return true;
    }
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        // Explorer started again with an empty notification area.
        if (shown_) {
            shown_ = false;
            Show(tip_);
        }
        return true;
    }
    return false;
}

}  // namespace quellon::gui::win32
