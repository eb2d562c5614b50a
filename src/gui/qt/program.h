// The window program: the shared start-up (app::StartUp: backend, folders,
// lock, registration, the start window's hand-over, teardown) with the
// window's own parts: the Qt host, the front-end services, the main window
// and the start window's widget.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace quellon::app {
class Application;
class FrmMain;
class FrmSplash;
class StartUp;
}  // namespace quellon::app

namespace quellon::gui {

class MainWindow;
class QtFrontEnd;
class QtHost;
class SplashWidget;

struct ProgramOptions {
    std::filesystem::path home, machine, config;
    // Where the autostart entry goes; empty: the user's autostart folder.
    std::filesystem::path autostartFolder;
    // The program the desktop session starts; empty: this executable.
    std::filesystem::path executable;
};

class Program {
public:
    explicit Program(const ProgramOptions& options);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    QtHost& Host() { return *host_; }
    app::Application& App();
    // The main form and window, made when the start window hands over.
    app::FrmMain& Form();
    MainWindow& Window() { return *window_; }
    app::FrmSplash& Splash();

    // Shows the start window; its timer loads the main window.
    void Start();
    // The main window was loaded and presented.
    bool Loaded() const;
    // Loading ended at once (another instance runs).
    bool Refused() const;
    // Runs once the main window is up.
    std::function<void()> onLoaded;

    // The lock file that keeps a second instance from running.
    static std::filesystem::path LockPath(const std::filesystem::path& config);

private:
    std::unique_ptr<app::StartUp> startUp_;
    std::unique_ptr<QtHost> host_;
    std::unique_ptr<QtFrontEnd> frontEnd_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<SplashWidget> splashWidget_;
};

}  // namespace quellon::gui
