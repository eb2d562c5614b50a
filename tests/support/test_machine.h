// A machine root, a program folder and a settings folder in a temporary folder,
// with helpers to plant files and registry contents before the engine runs.
// On Windows the machine is the real one (a Wine prefix in the test runs):
// files and registry contents are planted there and removed again by the
// destructor, and the settings live in a registry key of the test's own.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "platform/win32/backend.h"
#else
#include "platform/posix/backend.h"
#endif
#include "support/temp_dir.h"

namespace quellon::testing {

#ifdef _WIN32
using TestBackend = win32::Backend;
#else
using TestBackend = posix::Backend;
#endif

class TestMachine {
public:
    TestMachine();
    ~TestMachine();

    const std::filesystem::path& Root() const { return machine_; }
    const std::filesystem::path& Home() const { return home_; }
    const std::filesystem::path& Config() const { return config_; }

    // Writes a file at a Windows path ("C:\WINDOWS\bad.dll"), creating its
    // folders; existing folders are matched without regard to case, new
    // ones get the case given. Returns the Linux path.
    std::filesystem::path PlantFile(std::string_view windowsPath, std::string_view bytes);
    // Writes a file at a path relative to the machine root (Linux only).
    std::filesystem::path PlantLinuxFile(std::string_view relative, std::string_view bytes);
    // Registry contents in the regedit text format: the whole registry on
    // Linux; imported into the real registry on Windows.
    void WriteRegistry(std::string_view text);
    // The machine's folders, version and drive types (Linux only).
    void WriteMachineIni(std::string_view text);
    // A local folder on the machine's own drive where a test puts the
    // programs it starts.
    std::filesystem::path ProgramsFolder() const;
    void HomeFile(std::string_view name, std::string_view bytes);
    std::string ReadHome(std::string_view name) const;

    // Built on first use, so that machine.ini and drives planted before are seen.
    TestBackend& Backend();
    platform::Platform& Platform() { return Backend().Platform(); }
    // The program folder as the engine sees it.
    std::string HomeWindowsPath() { return Backend().WindowsPathOf(home_); }

private:
    TempDir dir_;
    std::filesystem::path machine_, home_, config_;
    std::unique_ptr<TestBackend> backend_;
    // What was planted outside the temporary folder, undone last first.
    std::vector<std::function<void()>> undo_;
};

// Writes bytes to a Linux path, creating its folders.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// The bytes of a Linux file, empty when it cannot be read.
// Empty when it cannot be read; what was read when the read fails midway.
std::string ReadBytes(const std::filesystem::path& path);

}  // namespace quellon::testing
