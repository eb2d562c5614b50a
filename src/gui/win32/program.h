// The window program on Windows: the shared start-up (app::StartUp: backend,
// folders, lock, registration, the start window's hand-over, teardown) with
// the window's own parts: the Win32 host, the front-end services, the main
// window and the start window.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quellon::app {
class Application;
class FrmMain;
class FrmSplash;
class StartUp;
}  // namespace quellon::app

namespace quellon::gui::win32 {

class MainWindow;
class SplashWindow;
class Win32FrontEnd;
class Win32Host;

// The full path of the running executable; empty when unknown.
std::filesystem::path ThisExecutable();

// The command line's arguments (without the program's name) in the
// program's ANSI code page; nullopt, with the argument in `bad`, when one
// holds a character that code page lacks (a path would name another file).
std::optional<std::vector<std::string>> AnsiArguments(const std::vector<std::wstring>& args,
                                                      std::wstring* bad = nullptr);

struct ProgramOptions {
    std::filesystem::path home, machine, config;
    // The program the Run value starts; empty: this executable.
    std::filesystem::path executable;
    // Without the single-instance lock (tests run several at once).
    bool noLock = false;
};

class Program {
public:
    explicit Program(const ProgramOptions& options);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Win32Host& Host() { return *host_; }
    Win32FrontEnd& FrontEnd() { return *frontEnd_; }
    app::Application& App();
    // The main form and window, made when the start window hands over.
    app::FrmMain& Form();
    MainWindow& Window() { return *window_; }
    app::FrmSplash& Splash();

    // Shows the start window; its timer loads the main window.
    void Start();
    bool Loaded() const;
    bool Refused() const;
    // Runs once the main window is up.
    std::function<void()> onLoaded;

private:
    // The host goes last: its window, which another program asks the
    // program to end through, is there until everything else has ended.
    std::unique_ptr<Win32Host> host_;
    std::unique_ptr<app::StartUp> startUp_;
    std::unique_ptr<Win32FrontEnd> frontEnd_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<SplashWindow> splash_;
};

}  // namespace quellon::gui::win32
