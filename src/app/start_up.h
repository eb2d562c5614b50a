// Start-up that every window front-end shares: the command line (folders and
// start-up actions), the check of the folders, the single-instance lock's
// place, the start-up registration, the start window's hand-over to the main
// window, the start-up actions run through the main form, and the teardown.
// A front-end supplies its Host, its FrontEnd and its widgets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"

namespace quellon::ui {
class Host;
}

namespace quellon::app {

class FrmMain;
class FrmSplash;
class FrontEnd;

// What the window program does once its main window is up (for scripts and
// screenshots).
struct StartUpActions {
    // Presses Start.
    bool scan = false;
    // After the scan, ticks every row found and deletes them without asking.
    bool remove = false;
    // Runs one tick of a shield: "memory" or "homepage"; empty: none.
    std::string shield;
    // Shows the Live Update notice.
    bool notice = false;
    // "status", "scan", "results" or "options"; empty: the start page.
    std::string page;
    // The option page's tab, 1 to 4.
    int tab = 1;

    bool Any() const { return scan || !page.empty() || !shield.empty() || notice; }
};

// The command line of a window program.
struct WindowCommandLine {
    Folders folders;
    StartUpActions actions;
    bool help = false;
    // Set when the arguments are wrong.
    std::string error;
    // Arguments left for the toolkit, in their order (the program's name
    // is not among them).
    std::vector<std::string> rest;
};

// The usage text of the window program `program`; `toolkitOptions` names
// the options its toolkit takes (" [Qt options]"), empty when none.
std::string WindowUsage(std::string_view program, std::string_view toolkitOptions);

// Reads the arguments (without the program's name) over the folders
// `defaults` (FoldersFromEnvironment). The folder options may stand
// anywhere; an argument the program does not know is left for the toolkit.
WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& args, Folders defaults);

// Why a scan could not look at the machine with these folders, as the
// window program tells the user; nullopt when the folders serve.
std::optional<std::string> FolderProblem(const Folders& folders, std::string_view program);

// Shows a page as its button does: "status", "scan", "results" or
// "options" with its tab (1 to 4); anything else shows nothing.
void ShowPage(FrmMain& form, std::string_view page, int tab);

// Runs the start-up actions on the loaded main form, in the order a user
// would: the scan (and the removal of what it found), the page, the
// shield's tick, the notice.
void RunStartUpActions(FrmMain& form, const StartUpActions& actions);

// Starts the restart companion beside `program` (the running executable,
// whose process is `pid`), which starts `program` again with `folders` once
// this process has ended; false when there is no companion or it cannot start.
bool StartRestartCompanion(const std::filesystem::path& program, std::uint32_t pid,
                           const Folders& folders);

// The settings of a start of the window program.
struct StartUpOptions {
    Folders folders;
    // Where the autostart entry goes; empty: the user's autostart folder.
    std::filesystem::path autostartFolder;
    // The program the desktop session starts (the running executable).
    std::filesystem::path executable;
};

// One start of a window program, driven by its front-end:
//   1. StartUp(options) makes the settings folder and the Application;
//   2. the front-end makes its Host and FrontEnd (with LockPath and
//      TakeRegistration), then calls Prepare, which makes the start window;
//   3. Start shows the start window; its timer makes the main form, lets
//      the front-end build its window (makeWindow), loads the form and,
//      unless another instance runs, presents the window (presentWindow)
//      and runs onLoaded;
//   4. End (before the Host and FrontEnd go) lets the front-end drop its
//      widgets (dropWidgets), then ends the start window and the main form.
class StartUp {
public:
    explicit StartUp(StartUpOptions options);
    ~StartUp();
    StartUp(const StartUp&) = delete;
    StartUp& operator=(const StartUp&) = delete;

    Application& App() { return *app_; }
    const StartUpOptions& Options() const { return options_; }

    // The lock file that keeps a second instance from running.
    static std::filesystem::path LockPath(const std::filesystem::path& config);
    std::filesystem::path LockPath() const { return LockPath(options_.folders.config); }
    // The registration with the desktop session for this program (once).
    std::unique_ptr<platform::StartupRegistration> TakeRegistration();

    // Makes the start window over the front-end's host and services.
    void Prepare(ui::Host& host, FrontEnd& frontEnd);
    FrmSplash& Splash() { return *splash_; }
    // The main form once the start window handed over; null before.
    FrmMain* Form() { return app_->Form(); }

    // The front-end's widgets: the main window for the form, made before
    // the form loads; its presentation once loaded; their end.
    std::function<void(FrmMain&)> makeWindow;
    std::function<void()> presentWindow;
    std::function<void()> dropWidgets;
    // Runs once the main window is up.
    std::function<void()> onLoaded;

    // Shows the start window; its timer loads the main window.
    void Start();
    // The main window was loaded and presented.
    bool Loaded() const { return loaded_; }
    // Loading ended at once (another instance runs).
    bool Refused() const { return refused_; }

    // Ends the widgets, the start window and the main form (again: nothing).
    void End();

private:
    void HandOver();

    StartUpOptions options_;
    std::unique_ptr<Application> app_;
    ui::Host* host_ = nullptr;
    FrontEnd* frontEnd_ = nullptr;
    std::unique_ptr<FrmSplash> splash_;
    bool loaded_ = false;
    bool refused_ = false;
};

}  // namespace quellon::app
