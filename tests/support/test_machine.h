// A machine root, a program folder and a settings folder in a temporary folder,
// with helpers to plant files and registry contents before the engine runs.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/backend.h"
#include "support/temp_dir.h"

namespace quellon::testing {

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
    // Writes a file at a path relative to the machine root.
    std::filesystem::path PlantLinuxFile(std::string_view relative, std::string_view bytes);
    void WriteRegistry(std::string_view text);
    void WriteMachineIni(std::string_view text);
    void HomeFile(std::string_view name, std::string_view bytes);
    std::string ReadHome(std::string_view name) const;

    // Built on first use, so that machine.ini and drives planted before are seen.
    posix::Backend& Backend();
    platform::Platform& Platform() { return Backend().Platform(); }
    // The program folder as the engine sees it.
    std::string HomeWindowsPath() { return Backend().WindowsPathOf(home_); }

private:
    TempDir dir_;
    std::filesystem::path machine_, home_, config_;
    std::unique_ptr<posix::Backend> backend_;
};

// Writes bytes to a Linux path, creating its folders.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// The bytes of a Linux file, empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

}  // namespace quellon::testing
