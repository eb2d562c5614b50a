// The window program's services to the forms on Windows: the single-instance
// lock (a named mutex per user), the start-up registration, the restart
// companion, the engine's other windows (through the main window), the about
// box, the tray icon and the screen's work area.
#pragma once

#include <windows.h>

#include <memory>

#include "app/app_info.h"
#include "app/application.h"
#include "app/front_end.h"

namespace quellon::gui::win32 {

class MainWindow;
class Win32Host;

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
