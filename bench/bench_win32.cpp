// The benchmark's system work on Windows: the bare loops with the Win32
// calls the Windows backend makes for the same work, processor time from
// GetProcessTimes, idle processes (copies of this program waiting for it to
// end) and the peak working set (GetProcessMemoryInfo).
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <vector>

#include "bench_platform.h"
#include "platform/win32/backend.h"

namespace quellon::bench {

namespace fs = std::filesystem;

namespace {

// The engine's settings go below the benchmark's own key, which is removed
// with the rest of what it planted.
constexpr char kSettingsKey[] = "Software\\Quellon Bench\\Settings";

class Win32BenchBackend : public BenchBackend {
public:
    explicit Win32BenchBackend(const BenchMachine& m) : backend_(kSettingsKey), home_(m.home) {}
    platform::Platform& Get() override { return backend_.Platform(); }
    std::string ProgramFolder() const override { return backend_.WindowsPathOf(home_); }

private:
    win32::Backend backend_;
    fs::path home_;
};

char g_buffer[64 * 1024];

// Opens, reads to the end and closes a file as the backend's readers do;
// returns its size (0 when it cannot be opened).
size_t ReadWhole(const char* path) {
    HANDLE h =
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return 0;
    }
    size_t total = 0;
    DWORD n = 0;
    while (::ReadFile(h, g_buffer, sizeof g_buffer, &n, nullptr) && n > 0) {
        total += n;
    }
    ::CloseHandle(h);
    return total;
}

}  // namespace

Sizes DefaultSizes() {
    // Every look-up and read goes through Wine's server, far slower than
    // the Linux system calls: a twentieth of the Linux known-file lines, a
    // tenth of its registry lines and a fifth of its cookie files keep a run
    // of five pairs within a few minutes.
    Sizes s;
    s.fileLines = 5000;
    s.registryLines = 10000;
    s.exeLines = 10000;
    s.cookiePatterns = 10000;
    s.cookieFiles = 1000;
    return s;
}

std::unique_ptr<BenchBackend> MakeBenchBackend(const BenchMachine& m) {
    return std::make_unique<Win32BenchBackend>(m);
}

const char* RegistryLoadLabel() {
    return "registry: first key opened";
}

double CpuMs(const std::function<void()>& fn) {
    auto cpu = [] {
        FILETIME created{}, ended{}, kernel{}, user{};
        ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
        auto join = [](const FILETIME& t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return join(kernel) + join(user);  // in 100 ns
    };
    const unsigned long long a = cpu();
    fn();
    return static_cast<double>(cpu() - a) / 1e4;
}

size_t BareStartup(const BenchMachine& m) {
    size_t lines = 0;
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat",
                             "BlockedCookies.dat"}) {
        const std::string path = (m.home / name).string();
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            continue;
        }
        DWORD n = 0;
        while (::ReadFile(h, g_buffer, sizeof g_buffer, &n, nullptr) && n > 0) {
            lines += static_cast<size_t>(std::count(g_buffer, g_buffer + n, '\n'));
        }
        ::CloseHandle(h);
    }
    return lines;
}

size_t BareCookies(const BenchMachine& m) {
    size_t bytes = 0;
    const std::string prefix = m.cookieFolder.string() + "\\";
    WIN32_FIND_DATAA data{};
    HANDLE find = ::FindFirstFileA((prefix + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return 0;
    }
    std::string path;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        path.assign(prefix).append(data.cFileName);
        bytes += ReadWhole(path.c_str());
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return bytes;
}

size_t BareProcesses() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    size_t found = 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more;
         more = ::Process32Next(snapshot, &entry)) {
        HANDLE process =
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
        if (process != nullptr) {
            HMODULE modules[50] = {};
            DWORD needed = 0;
            char path[MAX_PATH + 1] = {};
            if (::EnumProcessModules(process, modules, sizeof modules, &needed) && needed > 0 &&
                ::GetModuleFileNameExA(process, modules[0], path, MAX_PATH) > 0) {
                ++found;
            }
            ::CloseHandle(process);
        }
        entry.dwSize = sizeof entry;
    }
    ::CloseHandle(snapshot);
    return found;
}

size_t BareRegistry(const BenchMachine& m, platform::Registry&) {
    size_t found = 0;
    for (const RegistryProbe& p : m.registryProbes) {
        // The predefined keys are the hive codes sign-extended to a handle.
        const HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(p.hive)));
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root, p.subKey.c_str(), 0, platform::kKeyAllAccessMask63, &key) !=
            ERROR_SUCCESS) {
            continue;
        }
        if (p.valueName.empty()) {
            ++found;
        } else {
            // The size first, then the data, as the backend asks.
            DWORD type = 0, size = 0;
            if (::RegQueryValueExA(key, p.valueName.c_str(), nullptr, &type, nullptr, &size) ==
                    ERROR_SUCCESS &&
                size <= sizeof g_buffer &&
                ::RegQueryValueExA(key, p.valueName.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(g_buffer), &size) == ERROR_SUCCESS) {
                ++found;
            }
        }
        ::RegCloseKey(key);
    }
    return found;
}

size_t BareFiles(const BenchMachine& m) {
    size_t found = 0;
    constexpr DWORD kNotNormal =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const std::string& path : m.filePaths) {
        // The backend's look-up: the directory entry itself.
        WIN32_FIND_DATAA data{};
        HANDLE find = ::FindFirstFileA(path.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            continue;
        }
        ::FindClose(find);
        if ((data.dwFileAttributes & kNotNormal) == 0) {
            found += ReadWhole(path.c_str()) > 0 ? 1 : 0;
        }
    }
    return found;
}

// Copies of this program named like programs, each waiting for this one.
struct IdleProcesses::Impl {
    std::vector<PROCESS_INFORMATION> processes;
};

IdleProcesses::IdleProcesses(const BenchMachine& m, int count) : impl_(std::make_unique<Impl>()) {
    if (count <= 0) {
        return;
    }
    wchar_t self[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        std::cerr << "cannot find this program's file\n";
        return;
    }
    const fs::path dir = m.dir / L"procs";
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (int i = 0; i < count; ++i) {
        const fs::path exe = dir / (L"qbidle" + std::to_wstring(i) + L".exe");
        fs::copy_file(self, exe, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            std::cerr << "cannot copy this program: " << ec.message() << "\n";
            return;
        }
        std::wstring line =
            L"\"" + exe.wstring() + L"\" --idle-for " + std::to_wstring(::GetCurrentProcessId());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info)) {
            std::cerr << "cannot start " << exe.string() << "\n";
            return;
        }
        impl_->processes.push_back(info);
    }
}

IdleProcesses::~IdleProcesses() {
    for (const PROCESS_INFORMATION& info : impl_->processes) {
        ::TerminateProcess(info.hProcess, 0);
        ::WaitForSingleObject(info.hProcess, 10000);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
}

size_t IdleProcesses::Count() const {
    return impl_->processes.size();
}

int IdleUntilParentEnds(unsigned long parent) {
    HANDLE h = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(parent));
    if (h == nullptr) {
        return 1;
    }
    ::WaitForSingleObject(h, 3600 * 1000);
    ::CloseHandle(h);
    return 0;
}

long OwnPeakKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        return -1;
    }
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

const char* PeakName() {
    return "peak working set (GetProcessMemoryInfo)";
}

Peak MeasureScanMemory(const BenchMachine& m) {
    std::error_code ec;
    fs::remove(PeakFile(m.dir), ec);
    wchar_t self[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return {-1, "this program's file was not found"};
    }
    std::wstring line =
        L"\"" + std::wstring(self) + L"\" --measure-memory \"" + m.dir.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return {-1, "no process could be started"};
    }
    ::CloseHandle(info.hThread);
    DWORD code = 1;
    const bool ended = ::WaitForSingleObject(info.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                       ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    if (!ended) {
        return {-1, "the scan's process was lost"};
    }
    if (code != 0) {
        return {-1,
                "the scan in a fresh process failed (exit status " + std::to_string(code) + ")"};
    }
    long kib = -1;
    if (std::FILE* f = _wfopen(PeakFile(m.dir).c_str(), L"r")) {
        if (std::fscanf(f, "%ld", &kib) != 1) {
            kib = -1;
        }
        std::fclose(f);
    }
    if (kib <= 0) {
        return {-1, "the scan's process could not read its peak working set"};
    }
    return {kib, ""};
}

}  // namespace quellon::bench
