// Running processes and the operating system's version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quellon::platform {

struct ProcessEntry {
    std::uint32_t pid = 0;
    // The snapshot's executable field: the file name on the NT family, the
    // full path on the 9x family.
    std::string exeFile;
};

struct OsVersion {
    std::uint32_t platformId = 2;  // 1: Windows 9x/Me, 2: NT family
    std::uint32_t major = 5, minor = 1;
};

inline constexpr std::uint32_t kProcessTerminate = 0x0001;
inline constexpr std::uint32_t kProcessQueryInfoVmRead = 0x0410;
inline constexpr std::uint32_t kProcessAllAccess = 0x1F0FFF;

enum class WaitResult { kEnded, kTimeout, kFailed };

class Processes {
public:
    virtual ~Processes() = default;
    // A snapshot of the running processes; nullopt when none can be taken.
    virtual std::optional<std::vector<ProcessEntry>> Snapshot() = 0;
    // Whether the process can be opened with the access rights.
    virtual bool CanOpen(std::uint32_t pid, std::uint32_t access) = 0;
    // The path of the process's first module (its executable), as a Windows
    // path; nullopt when the process cannot be opened or its modules listed.
    virtual std::optional<std::string> FirstModulePath(std::uint32_t pid) = 0;
    virtual std::optional<std::uint32_t> ExitCode(std::uint32_t pid) = 0;
    // Opens the process with the access rights and terminates it.
    virtual bool Terminate(std::uint32_t pid, std::uint32_t access, std::uint32_t exitCode) = 0;
    virtual WaitResult Wait(std::uint32_t pid, std::uint32_t milliseconds) = 0;
    // Enables or disables the debug privilege of this process; false on failure.
    virtual bool SetDebugPrivilege(bool enable) = 0;
    virtual std::optional<OsVersion> Version() = 0;
};

}  // namespace quellon::platform
