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

// The registry of a machine root: Wine's registry files when the root has
// them (they are what Wine itself reads; a registry.reg beside them is not),
// else registry.reg.
std::unique_ptr<platform::Registry> MakeMachineRegistry(const std::filesystem::path& root);

// The machine's configuration as a prefix's registry and dosdevices tell
// it, over the defaults: the Windows folder, the user's desktop, cookie and
// Start-menu folders, the Windows version and the drive types. A root
// without Wine's files gives the defaults.
MachineConfig ConfigFromWinePrefix(const std::filesystem::path& root);

// The Windows path of a Windows program that runs under Wine in the
// machine root: process `pid`, whose executable `exe` is Wine's loader and
// whose prefix is the machine root; nullopt for any other process.
std::optional<std::string> WineProgramPath(std::uint32_t pid, const std::string& exe,
                                           const MachineRoot& machine);

}  // namespace quellon::posix
