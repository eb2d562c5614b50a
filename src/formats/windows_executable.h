// Two small x86-64 Windows console programs, written out as the bytes of
// their executable files, so that the Linux build can run them under Wine
// without a Windows compiler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quellon::formats::winexe {

// Saves the registry as Wine holds it in memory, in Wine's own file format,
// into three new files of its current folder: "machine"
// (HKEY_LOCAL_MACHINE), "user" (HKEY_CURRENT_USER) and "userdef"
// (HKEY_USERS\.DEFAULT). It enables the backup privilege that saving a key
// needs; a file that cannot be saved is left empty or missing.
std::string RegistrySaveProgram();

// Sleeps the given seconds and ends with exit code 0. `extra` is appended
// after the image (where Windows does not load it), for example version
// data naming a company.
std::string SleepingProgram(std::uint32_t seconds, std::string_view extra = {});

}  // namespace quellon::formats::winexe
