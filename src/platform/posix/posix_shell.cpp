// Special folders and drives as the machine's configuration describes them.
#include "common/text.h"
#include "common/winpath.h"
#include "platform/posix/backend_classes.h"

namespace quellon::posix {

namespace {

platform::DriveType TypeFromText(std::string_view typeText) {
    struct Named {
        std::string_view text;
        platform::DriveType type;
    };
    static constexpr Named kTypes[] = {
        {"Fixed Disk", platform::DriveType::kFixed},
        {"Removable Drive", platform::DriveType::kRemovable},
        {"Remote Disk", platform::DriveType::kRemote},
        {"CDROM Drive", platform::DriveType::kCdRom},
        {"Unknown", platform::DriveType::kUnknown},
    };
    std::string_view trimmed = text::TrimView(typeText);
    for (const Named& n : kTypes) {
        if (text::EqualsNoCase(trimmed, n.text)) {
            return n.type;
        }
    }
    return platform::DriveType::kUnknown;
}

}  // namespace

std::optional<std::string> PosixShell::SpecialFolder(int csidl) {
    const MachineConfig& config = machine_.Config();
    switch (csidl) {
        case platform::kCsidlPrograms:
            return winpath::WithoutTrailingSeparators(config.programs);
        case platform::kCsidlDesktopDirectory:
            return winpath::WithoutTrailingSeparators(config.desktop);
        case platform::kCsidlCookies:
            return winpath::WithoutTrailingSeparators(config.cookies);
        case platform::kCsidlWindows:
            return WindowsDirectory();
        case platform::kCsidlSystem:
            return SystemDirectory();
        case platform::kCsidlProgramFiles: {
            // On the drive of the Windows folder.
            const std::string windows = WindowsDirectory();
            const std::string_view drive = winpath::DriveOf(windows);
            return winpath::Join(drive.empty() ? std::string_view("C:") : drive, "Program Files");
        }
        default:
            return std::nullopt;
    }
}

std::string PosixShell::SystemDirectory() {
    return winpath::WithoutTrailingSeparators(machine_.Config().system);
}

std::string PosixShell::WindowsDirectory() {
    return winpath::WithoutTrailingSeparators(machine_.Config().windows);
}

std::vector<platform::Drive> PosixShell::Drives() {
    std::vector<platform::Drive> drives;
    for (char letter : machine_.DriveLetters()) {
        platform::Drive drive{letter, platform::DriveType::kFixed};
        for (const auto& [configured, typeText] : machine_.Config().driveTypes) {
            if (configured == letter) {
                drive.type = TypeFromText(typeText);
                break;
            }
        }
        drives.push_back(drive);
    }
    return drives;
}

}  // namespace quellon::posix
