// A real Wine prefix as a machine root (internal): the registry in Wine's
// own files, and the folders, version and drive types the prefix names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/backend.h"
#include "platform/registry.h"

namespace quellon::posix {

// Wine's registry files in a prefix: HKEY_LOCAL_MACHINE, the user's
// HKEY_CURRENT_USER and HKEY_USERS\.DEFAULT.
inline constexpr const char* kWineRegistryFiles[] = {"system.reg", "user.reg", "userdef.reg"};

// Whether the root holds any of Wine's registry files.
bool HasWineRegistry(const std::filesystem::path& root);
// Whether the root is a Wine prefix: it has Wine's registry files, or
// wineboot's time stamp, or a wineserver serves it (a new prefix has no
// registry files until its server first saves them).
bool IsWinePrefix(const std::filesystem::path& root);

// The registry of a machine root: a Wine prefix's own (its files, or Wine's
// memory while its server runs; a registry.reg beside them is not what Wine
// reads), else registry.reg.
std::unique_ptr<platform::Registry> MakeMachineRegistry(const std::filesystem::path& root);

// The machine's configuration as a prefix's registry and dosdevices tell
// it, over the defaults: the Windows folder, the user's desktop, cookie and
// Start-menu folders, the Windows version and the drive types (from Wine's
// memory while its server runs). A root that is no Wine prefix gives the
// defaults.
MachineConfig ConfigFromWinePrefix(const std::filesystem::path& root);

// The Windows path of a Windows program that runs under Wine in the
// machine root: process `pid`, whose executable `exe` is Wine's loader and
// whose prefix is the machine root; nullopt for any other process.
std::optional<std::string> WineProgramPath(std::uint32_t pid, const std::string& exe,
                                           const MachineRoot& machine);

}  // namespace quellon::posix
