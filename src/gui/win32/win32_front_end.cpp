#include "gui/win32/win32_front_end.h"

#include <sddl.h>

#include <string>

#include "app/start_up.h"
#include "gui/win32/dialogs.h"
#include "gui/win32/main_window.h"
#include "gui/win32/text.h"
#include "gui/win32/tray_icon.h"
#include "gui/win32/win32_host.h"

namespace quellon::gui::win32 {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The security identifier of the user this process runs as ("S-1-5-21-...");
// empty when it cannot be read.
std::wstring UserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    std::wstring text;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
        LPWSTR sid = nullptr;
        if (::ConvertSidToStringSidW(user->User.Sid, &sid)) {
            text = sid;
            ::LocalFree(sid);
        }
    }
    ::CloseHandle(token);
    return text;
}

}  // namespace

RunValueRegistration::RunValueRegistration(std::wstring valueName, std::filesystem::path program,
                                           HKEY root)
    : valueName_(std::move(valueName)), program_(std::move(program)), root_(root) {}

std::wstring RunValueRegistration::Command() const {
    // Quoted, so that a folder with spaces (Program Files) is never read as
    // a shorter program's name followed by arguments.
    return L"\"" + program_.wstring() + L"\"";
}

bool RunValueRegistration::SetRunAtStartup(bool run) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root_, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    LSTATUS status;
    if (run) {
        const std::wstring data = Command();
        status = ::RegSetValueExW(key, valueName_.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(data.c_str()),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    } else {
        status = ::RegDeleteValueW(key, valueName_.c_str());
        if (status == ERROR_FILE_NOT_FOUND) {
            status = ERROR_SUCCESS;
        }
    }
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

Win32FrontEnd::Win32FrontEnd(app::AppInfo info, Win32Host& host, std::wstring mutexName,
                             std::unique_ptr<platform::StartupRegistration> registration,
                             app::Folders folders)
    : info_(std::move(info)),
      host_(host),
      mutexName_(std::move(mutexName)),
      registration_(std::move(registration)),
      folders_(std::move(folders)) {}

Win32FrontEnd::~Win32FrontEnd() {
    if (mutex_ != nullptr) {
        if (lockState_ == 1) {
            ::ReleaseMutex(mutex_);
        }
        ::CloseHandle(mutex_);
    }
}

std::wstring Win32FrontEnd::MutexNameForUser() {
    // One lock per user in the user's session; another user's copy runs on.
    std::wstring name = L"Local\\QuellonPro-";
    const std::wstring sid = UserSid();
    if (!sid.empty()) {
        return name + sid;
    }
    wchar_t user[256] = {};
    DWORD size = 256;
    if (::GetUserNameW(user, &size)) {
        // A name with '\' would be read as a namespace.
        std::wstring plain(user);
        for (wchar_t& c : plain) {
            if (c == L'\\') {
                c = L'_';
            }
        }
        return name + plain;
    }
    return name + L"User";
}

bool Win32FrontEnd::AnotherInstanceRunning() {
    if (mutexName_.empty()) {
        return false;
    }
    if (lockState_ < 0) {
        HANDLE mutex = ::CreateMutexW(nullptr, TRUE, mutexName_.c_str());
        const DWORD error = ::GetLastError();
        if (mutex == nullptr) {
            // The name exists and this user may not open it: someone holds it.
            lockState_ = 0;
        } else if (error == ERROR_ALREADY_EXISTS) {
            ::CloseHandle(mutex);
            lockState_ = 0;
        } else {
            mutex_ = mutex;
            lockState_ = 1;
        }
    }
    return lockState_ == 0;
}

bool Win32FrontEnd::StartCompanion(bool) {
    wchar_t path[32768] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, 32768);
    if (length == 0 || length >= 32768) {
        return false;
    }
    return app::StartRestartCompanion(
        std::filesystem::path(path), static_cast<std::uint32_t>(::GetCurrentProcessId()), folders_);
}

void Win32FrontEnd::LockRedraw(bool lock) {
    HWND hwnd = window_ != nullptr ? window_->Handle() : nullptr;
    if (hwnd == nullptr || (lock && !::IsWindowVisible(hwnd))) {
        return;
    }
    ::SendMessageW(hwnd, WM_SETREDRAW, lock ? FALSE : TRUE, 0);
    if (!lock) {
        ::RedrawWindow(hwnd, nullptr, nullptr,
                       RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

void Win32FrontEnd::ShowModal(ui::Window& window) {
    if (WindowDialog* dialog = window_ != nullptr ? window_->DialogFor(window) : nullptr) {
        dialog->RunModal();
    }
}

void Win32FrontEnd::ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) {
    WindowDialog* dialog = window_ != nullptr ? window_->DialogFor(alert) : nullptr;
    if (dialog == nullptr) {
        // Nobody can answer an alert that cannot be shown: it counts as closed.
        alert.SetVisible(false);
        return;
    }
    alert.SetVisible(true);
    dialog->BringToFront();
    // Messages run (the windows stay responsive) without spinning.
    host_.RunUntil([&] { return answered() || !alert.Visible(); });
}

void Win32FrontEnd::ShowAbout() {
    ShowAboutBox(window_ != nullptr ? window_->Handle() : nullptr, info_.productName,
                 std::to_string(info_.major) + "." + std::to_string(info_.minor));
}

std::optional<size_t> Win32FrontEnd::ChooseQuarantinedFile(
    const std::vector<removal::QuarantinedFile>& files) {
    return win32::ChooseQuarantinedFile(files, host_,
                                        window_ != nullptr ? window_->Handle() : nullptr);
}

bool Win32FrontEnd::ShowTrayIcon(std::string_view tip) {
    return window_ != nullptr && window_->Tray().Show(Wide(tip));
}

void Win32FrontEnd::RemoveTrayIcon() {
    if (window_ != nullptr) {
        window_->Tray().Remove();
    }
}

void Win32FrontEnd::ChangeTrayTip(std::string_view tip) {
    if (window_ != nullptr) {
        window_->Tray().SetTip(Wide(tip));
    }
}

app::ScreenArea ScreenOf(const RECT& screen, const RECT& workArea) {
    app::ScreenArea area;
    area.width = screen.right - screen.left;
    area.height = screen.bottom - screen.top;
    // The slide-up windows rise from the bottom: a taskbar at the top or a
    // side leaves the bottom edge free.
    area.taskbarHeight = std::max(0L, screen.bottom - workArea.bottom);
    return area;
}

app::ScreenArea Win32FrontEnd::Screen() {
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    RECT work = screen;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work = screen;
    }
    return ScreenOf(screen, work);
}

}  // namespace quellon::gui::win32
