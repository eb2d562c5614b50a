// The window program's services to the forms: the single-instance lock, the
// autostart entry, the dialogs of the main window, the about box and the
// tray icon.
#pragma once

#include <filesystem>
#include <memory>

#include "app/app_info.h"
#include "app/application.h"
#include "app/front_end.h"

class QLockFile;

namespace quellon::gui {

class MainWindow;
class QtHost;

class QtFrontEnd : public app::FrontEnd {
public:
    // `lockPath` empty: no single-instance lock (every start may run).
    // `folders` are those a restart starts the program with again.
    QtFrontEnd(app::AppInfo info, QtHost& host, const std::filesystem::path& lockPath,
               std::unique_ptr<platform::StartupRegistration> registration,
               app::Folders folders = {});
    ~QtFrontEnd() override;
    QtFrontEnd(const QtFrontEnd&) = delete;
    QtFrontEnd& operator=(const QtFrontEnd&) = delete;

    // The window the services act on; null detaches it (the window
    // services then do nothing).
    void Attach(MainWindow* window) { window_ = window; }

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
    QtHost& host_;
    std::unique_ptr<QLockFile> lock_;
    int lockState_ = -1;  // not tried yet; 1 held; 0 held by another
    std::unique_ptr<platform::StartupRegistration> registration_;
    app::Folders folders_;
    MainWindow* window_ = nullptr;
};

}  // namespace quellon::gui
