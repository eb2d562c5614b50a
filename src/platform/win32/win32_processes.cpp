// Running processes through the tool-help snapshot and the process API.
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include "platform/win32/backend_classes.h"

namespace quellon::win32 {

namespace {

// A process handle closed on scope exit; empty when the process could not be opened.
class Process {
public:
    Process(std::uint32_t pid, DWORD access) : h_(::OpenProcess(access, FALSE, pid)) {}
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (h_ != nullptr) {
            ::CloseHandle(h_);
        }
    }
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_;
};

}  // namespace

std::optional<std::vector<platform::ProcessEntry>> Win32Processes::Snapshot() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<platform::ProcessEntry> entries;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more;
         more = ::Process32Next(snapshot, &entry)) {
        platform::ProcessEntry e;
        e.pid = entry.th32ProcessID;
        e.exeFile = entry.szExeFile;
        entries.push_back(std::move(e));
        entry.dwSize = sizeof entry;
    }
    ::CloseHandle(snapshot);
    if (entries.empty()) {
        return std::nullopt;
    }
    return entries;
}

bool Win32Processes::CanOpen(std::uint32_t pid, std::uint32_t access) {
    return static_cast<bool>(Process(pid, access));
}

std::optional<std::string> Win32Processes::FirstModulePath(std::uint32_t pid) {
    Process process(pid, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    if (!process) {
        return std::nullopt;
    }
    HMODULE modules[50] = {};
    DWORD needed = 0;
    if (!::EnumProcessModules(process.Get(), modules, sizeof modules, &needed) || needed == 0) {
        return std::nullopt;
    }
    char path[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameExA(process.Get(), modules[0], path, MAX_PATH);
    if (n == 0) {
        return std::nullopt;
    }
    return std::string(path, n);
}

std::optional<std::uint32_t> Win32Processes::ExitCode(std::uint32_t pid) {
    Process process(pid, PROCESS_QUERY_INFORMATION);
    DWORD code = 0;
    if (!process || !::GetExitCodeProcess(process.Get(), &code)) {
        return std::nullopt;
    }
    return code;
}

bool Win32Processes::Terminate(std::uint32_t pid, std::uint32_t access, std::uint32_t exitCode) {
    // Never the idle id or this program itself.
    if (pid == 0 || pid == ::GetCurrentProcessId()) {
        return false;
    }
    Process process(pid, access);
    return process && ::TerminateProcess(process.Get(), exitCode) != 0;
}

platform::WaitResult Win32Processes::Wait(std::uint32_t pid, std::uint32_t milliseconds) {
    if (pid == 0) {
        return platform::WaitResult::kFailed;
    }
    Process process(pid, SYNCHRONIZE);
    if (!process) {
        // No such process any more: it has ended.
        return ::GetLastError() == ERROR_INVALID_PARAMETER ? platform::WaitResult::kEnded
                                                           : platform::WaitResult::kFailed;
    }
    switch (::WaitForSingleObject(process.Get(), milliseconds)) {
        case WAIT_OBJECT_0:
            return platform::WaitResult::kEnded;
        case WAIT_TIMEOUT:
            return platform::WaitResult::kTimeout;
        default:
            return platform::WaitResult::kFailed;
    }
}

bool Win32Processes::SetDebugPrivilege(bool enable) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    const bool ok =
        ::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid) &&
        ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    ::CloseHandle(token);
    return ok;
}

std::optional<platform::OsVersion> Win32Processes::Version() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) {
        return std::nullopt;
    }
    platform::OsVersion version;
    version.platformId = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    return version;
}

}  // namespace quellon::win32
