// The composition of the window program: the Linux backend, the window host,
// the main form with its window, the single-instance lock, the autostart
// entry and the start window that hands over to the main window.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

class QLockFile;

namespace quellon::app {
class FrmMain;
class FrmSplash;
}  // namespace quellon::app
namespace quellon::posix {
class Backend;
class XdgAutostart;
}  // namespace quellon::posix

namespace quellon::gui {

class MainWindow;
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
    // The main form and window, made when the start window hands over.
    app::FrmMain& Form() { return *form_; }
    MainWindow& Window() { return *window_; }
    app::FrmSplash& Splash() { return *splash_; }
    posix::Backend& Backend() { return *backend_; }

    // Shows the start window; its timer loads the main window.
    void Start();
    // The main window was loaded and presented.
    bool Loaded() const { return loaded_; }
    // Loading ended at once (another instance runs).
    bool Refused() const { return refused_; }
    // Runs once the main window is up.
    std::function<void()> onLoaded;

    // The lock file that keeps a second instance from running.
    static std::filesystem::path LockPath(const std::filesystem::path& config);

private:
    void MakeMainWindow();
    bool AnotherInstanceRunning();

    ProgramOptions options_;
    std::unique_ptr<posix::Backend> backend_;
    std::unique_ptr<QtHost> host_;
    std::unique_ptr<app::FrmMain> form_;
    std::unique_ptr<posix::XdgAutostart> autostart_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<app::FrmSplash> splash_;
    std::unique_ptr<SplashWidget> splashWidget_;
    int lockState_ = -1;  // not tried yet; 1 held; 0 held by another
    bool loaded_ = false;
    bool refused_ = false;
};

// Shows a page as its button does: "status", "scan", "results" or
// "options" with its tab (1 to 4).
void ShowPage(app::FrmMain& form, const std::string& page, int tab);

}  // namespace quellon::gui
