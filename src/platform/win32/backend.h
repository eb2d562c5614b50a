// The Windows backend: the engine over the real Win32 API. Drives, folders,
// the registry and the running processes are the machine's own; the settings
// store is the per-user registry area for program settings.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quellon::win32 {

// The key under HKEY_CURRENT_USER that holds one key per application and
// section of the settings store, one string value per setting.
inline constexpr std::string_view kProgramSettingsKey = "Software\\VB and VBA Program Settings";

class Backend {
public:
    // `settingsKey`: where below HKEY_CURRENT_USER the settings store lives
    // (tests keep theirs apart).
    explicit Backend(std::string settingsKey = std::string(kProgramSettingsKey));
    ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    platform::Platform& Platform();
    // The Windows path of a local folder (the program folder).
    std::string WindowsPathOf(const std::filesystem::path& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The full Windows path of a local path, in the ANSI code page.
std::string WindowsPathOf(const std::filesystem::path& path);
// A path from ANSI text.
std::filesystem::path PathFromAnsi(std::string_view ansi);
// The folder of the running executable.
std::filesystem::path ExecutableFolder();

}  // namespace quellon::win32
