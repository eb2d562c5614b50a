// Special folders and drives as the shell and the volume API report them.
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include "common/winpath.h"
#include "platform/win32/backend_classes.h"

namespace quellon::win32 {

namespace {

// A path written into a buffer of 255 characters, cut to the returned length.
template <typename Fill>
std::string FromBuffer(Fill fill) {
    char buffer[256] = {};
    const UINT n = fill(buffer, 255);
    if (n == 0 || n > 255) {
        return {};
    }
    return winpath::WithoutTrailingSeparators(std::string(buffer, n));
}

platform::DriveType TypeOf(UINT type) {
    switch (type) {
        case DRIVE_REMOVABLE:
            return platform::DriveType::kRemovable;
        case DRIVE_FIXED:
            return platform::DriveType::kFixed;
        case DRIVE_REMOTE:
            return platform::DriveType::kRemote;
        case DRIVE_CDROM:
            return platform::DriveType::kCdRom;
        default:
            return platform::DriveType::kUnknown;
    }
}

}  // namespace

std::optional<std::string> Win32Shell::SpecialFolder(int csidl) {
    char buffer[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) {
        return std::nullopt;
    }
    std::string path(buffer);
    if (path.empty()) {
        return std::nullopt;
    }
    return winpath::WithoutTrailingSeparators(std::move(path));
}

std::string Win32Shell::SystemDirectory() {
    return FromBuffer([](char* b, UINT n) { return ::GetSystemDirectoryA(b, n); });
}

std::string Win32Shell::WindowsDirectory() {
    return FromBuffer([](char* b, UINT n) { return ::GetWindowsDirectoryA(b, n); });
}

std::vector<platform::Drive> Win32Shell::Drives() {
    std::vector<platform::Drive> drives;
    const DWORD mask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0) {
            continue;
        }
        const char letter = static_cast<char>('A' + i);
        const char root[] = {letter, ':', '\\', '\0'};
        const UINT type = ::GetDriveTypeA(root);
        if (type == DRIVE_NO_ROOT_DIR) {
            continue;
        }
        drives.push_back({letter, TypeOf(type)});
    }
    return drives;
}

}  // namespace quellon::win32
