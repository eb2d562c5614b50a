// The window program's services to the forms on Windows: the single-instance
// lock (a named mutex per user), the start-up registration, the restart
// companion, the engine's other windows (through the main window), the about
// box, the tray icon and the screen's work area.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/app_info.h"
#include "app/application.h"
#include "app/front_end.h"

namespace quellon::gui::win32 {

class MainWindow;
class Win32Host;

// The start with the user's session on Windows: the value `valueName` in
// the Run key of `root` (the user's own by default), whose data is the
// program's quoted path.
class RunValueRegistration : public platform::StartupRegistration {
public:
    RunValueRegistration(std::wstring valueName, std::filesystem::path program,
                         HKEY root = HKEY_CURRENT_USER);
    bool SetRunAtStartup(bool run) override;
    // The command the session runs: "C:\...\quellon-pro.exe" in quotes.
    std::wstring Command() const;

private:
    std::wstring valueName_;
    std::filesystem::path program_;
    HKEY root_;
};

// The screen of `screen` with the work area `workArea`: the taskbar is what
// the work area leaves free at the bottom.
app::ScreenArea ScreenOf(const RECT& screen, const RECT& workArea);

class Win32FrontEnd : public app::FrontEnd {
public:
    // `mutexName` empty: no single-instance lock (every start may run).
    // `folders` are those a restart starts the program with again.
    Win32FrontEnd(app::AppInfo info, Win32Host& host, std::wstring mutexName,
                  std::unique_ptr<platform::StartupRegistration> registration,
                  app::Folders folders = {});
    ~Win32FrontEnd() override;
    Win32FrontEnd(const Win32FrontEnd&) = delete;
    Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;

    // The window the services act on; null detaches it (the window
    // services then do nothing).
    void Attach(MainWindow* window) { window_ = window; }

    // The lock's name for the user this program runs as.
    static std::wstring MutexNameForUser();

    bool AnotherInstanceRunning() override;
    platform::StartupRegistration* StartupRegistration() override { return registration_.get(); }
    bool StartCompanion(bool visible) override;
    void LockRedraw(bool lock) override;
    void ShowModal(ui::Window& window) override;
    void ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) override;
    void ShowAbout() override;
    std::optional<size_t> ChooseQuarantinedFile(
        const std::vector<removal::QuarantinedFile>& files) override;
    bool ShowTrayIcon(std::string_view tip) override;
    void RemoveTrayIcon() override;
    void ChangeTrayTip(std::string_view tip) override;
    app::ScreenArea Screen() override;

private:
    app::AppInfo info_;
    Win32Host& host_;
    std::wstring mutexName_;
    HANDLE mutex_ = nullptr;
    int lockState_ = -1;  // not tried yet; 1 held; 0 held by another
    std::unique_ptr<platform::StartupRegistration> registration_;
    app::Folders folders_;
    MainWindow* window_ = nullptr;
};

}  // namespace quellon::gui::win32
