// The operating system's backend for a front-end's main, picked by the build:
// every backend folder (posix, win32) implements these functions, and CMake
// links exactly one of them.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

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
};

std::unique_ptr<BackendHandle> MakeBackend(const BackendOptions& options);

// Whether the backend works on a machine root (BackendOptions::machine).
bool UsesMachineRoot();
// The folder of the running executable.
std::filesystem::path ExecutableFolder();
// The default folder of the settings store; empty where the settings do not
// live in files.
std::filesystem::path DefaultConfigFolder();

// The console a command-line front-end runs in.

// Puts standard output and error into the byte-exact mode: what the program
// writes is what arrives (no line-end translation).
void UseBinaryStandardStreams();
// Whether standard error is a terminal (a live progress line makes sense).
bool StderrIsTerminal();
// Width of the terminal on standard error; 80 when unknown.
int TerminalColumns();
// An interrupt from the keyboard (Ctrl-C) or a request to end sets the flag
// instead of ending the program.
void CatchInterrupts(std::atomic<bool>& flag);
// Starts a program detached, given as a command line; false when it cannot start.
bool StartDetached(std::string_view commandLine);

}  // namespace quellon::platform
