// The operating system's backend for a front-end's main, picked by the build:
// every backend folder (posix, win32) implements these functions, and CMake
// links exactly one of them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/startup.h"

namespace quellon::platform {

struct BackendOptions {
    // The machine root (Linux): a Windows machine laid out on disk. A backend
    // over a real Windows machine has none and ignores it.
    std::filesystem::path machine;
    // The folder of the settings store (Linux); Windows keeps the settings in
    // the registry.
    std::filesystem::path config;
};

class BackendHandle {
public:
    virtual ~BackendHandle() = default;
    virtual Platform& Get() = 0;
    // The Windows path under which the engine sees a local folder (the
    // program folder).
    virtual std::string WindowsPathOf(const std::filesystem::path& local) const = 0;
    // The local path of a Windows path, to hand to the desktop's opener;
    // nullopt when it names nothing of this machine.
    virtual std::optional<std::filesystem::path> LocalPathOf(
        std::string_view windowsPath) const = 0;
};

std::unique_ptr<BackendHandle> MakeBackend(const BackendOptions& options);

// The backend's signatures on their own, for the maker's tools (key
// generation, publishing), which need no machine.
std::unique_ptr<Signatures> MakeSignatures();

// Whether the backend works on a machine root (BackendOptions::machine).
bool UsesMachineRoot();
// The folder of the running executable.
std::filesystem::path ExecutableFolder();
// The default folder of the settings store; empty where the settings do not
// live in files.
std::filesystem::path DefaultConfigFolder();
// The default machine root: $WINEPREFIX, else ~/.wine; empty where the
// backend works on the real machine.
std::filesystem::path DefaultMachineFolder();
// The user's own folder for the program folder's contents when the
// executable's folder cannot hold them (an installed copy):
// $XDG_DATA_HOME/quellon-pro, else ~/.local/share/quellon-pro on Linux,
// %LOCALAPPDATA%\Quellon Pro on Windows; empty when unknown.
std::filesystem::path DefaultUserDataFolder();

// The program's registration with the desktop session beside the Run-list
// value, for the program `executable` shown as `displayName`; `folder`
// empty: the user's own place for it. Null where the Run list is the only
// registration (Windows).
std::unique_ptr<StartupRegistration> MakeStartupRegistration(
    const std::string& name, const std::string& displayName,
    const std::filesystem::path& executable, const std::filesystem::path& folder = {});

// The console a command-line front-end runs in.

// Puts standard output and error into the byte-exact mode: what the program
// writes is what arrives (no line-end translation).
void UseBinaryStandardStreams();
// Whether standard error is a terminal (a live progress line makes sense).
bool StderrIsTerminal();
// Whether standard input is a terminal (a question can be asked there).
bool StdinIsTerminal();
// Width of the terminal on standard error; 80 when unknown.
int TerminalColumns();
// An interrupt from the keyboard (Ctrl-C) or a request to end sets the flag
// instead of ending the program.
void CatchInterrupts(std::atomic<bool>& flag);
// Starts a program detached, given as a command line; false when it cannot start.
bool StartDetached(std::string_view commandLine);
// A program's path as the first word of a command line for StartDetached.
std::string QuoteProgram(std::string_view path);
// Waits until the process has ended (or never ran); false when it still
// runs after `limit`.
bool WaitForProcessEnd(std::uint32_t pid, std::chrono::milliseconds limit);
// The "Comments" text of the running program's version information (its
// VERSIONINFO resource on Windows); nullopt where the program has none, as
// on Linux, where the build compiles the same text in instead.
std::optional<std::string> ProgramComments();

}  // namespace quellon::platform
