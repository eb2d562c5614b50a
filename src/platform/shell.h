// Special folders and the drives of the machine.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quellon::platform {

// Shell special-folder numbers the program uses.
inline constexpr int kCsidlPrograms = 2;
inline constexpr int kCsidlDesktopDirectory = 16;
inline constexpr int kCsidlWindows = 36;
inline constexpr int kCsidlSystem = 37;
inline constexpr int kCsidlProgramFiles = 38;
inline constexpr int kCsidlCookies = 33;

enum class DriveType { kUnknown, kRemovable, kFixed, kRemote, kCdRom };

struct Drive {
    char letter = 'C';
    DriveType type = DriveType::kFixed;
};

class Shell {
public:
    virtual ~Shell() = default;
    // The folder path without a trailing "\"; nullopt when unknown.
    virtual std::optional<std::string> SpecialFolder(int csidl) = 0;
    // "C:\WINDOWS\system32" and "C:\WINDOWS", without trailing "\".
    virtual std::string SystemDirectory() = 0;
    virtual std::string WindowsDirectory() = 0;
    virtual std::vector<Drive> Drives() = 0;
};

}  // namespace quellon::platform
