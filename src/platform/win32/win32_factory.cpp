// The Windows backend behind the front-ends' backend factory, and the console.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/backend_factory.h"
#include "platform/restart_protocol.h"
#include "platform/win32/backend.h"
#include "platform/win32/cng_signatures.h"

namespace quellon::platform {

namespace {

class Win32Handle : public BackendHandle {
public:
    Platform& Get() override { return backend_.Platform(); }
    std::string WindowsPathOf(const std::filesystem::path& local) const override {
        return win32::WindowsPathOf(local);
    }
    std::optional<std::filesystem::path> LocalPathOf(std::string_view windowsPath) const override {
        if (windowsPath.empty()) {
            return std::nullopt;
        }
        return win32::PathFromAnsi(windowsPath);
    }

private:
    win32::Backend backend_;
};

std::atomic<bool>* g_interruptFlag = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            if (g_interruptFlag != nullptr) {
                g_interruptFlag->store(true);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

std::unique_ptr<BackendHandle> MakeBackend(const BackendOptions& /*options*/) {
    return std::make_unique<Win32Handle>();
}

std::unique_ptr<Signatures> MakeSignatures() {
    return std::make_unique<win32::CngSignatures>();
}

bool UsesMachineRoot() {
    return false;
}

std::filesystem::path ExecutableFolder() {
    return win32::ExecutableFolder();
}

std::filesystem::path DefaultConfigFolder() {
    return {};
}

std::filesystem::path DefaultMachineFolder() {
    return {};
}

std::filesystem::path DefaultUserDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                  SHGFP_TYPE_CURRENT, folder))) {
        return {};
    }
    return std::filesystem::path(folder) / L"Quellon Pro";
}

std::unique_ptr<StartupRegistration> MakeStartupRegistration(const std::string&, const std::string&,
                                                             const std::filesystem::path&,
                                                             const std::filesystem::path&) {
    // The Run-list value is the registration on Windows.
    return nullptr;
}

void UseBinaryStandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool StdinIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

int TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) {
            return columns;
        }
    }
    return 80;
}

void CatchInterrupts(std::atomic<bool>& flag) {
    g_interruptFlag = &flag;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StartDetached(std::string_view commandLine) {
    std::string line(commandLine);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                          DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                          &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
}

bool StartCompanionDetached(const std::filesystem::path& companion,
                            const std::vector<std::pair<std::string, std::string>>& environment) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(companion, ec)) {
        return false;
    }
    for (const auto& [name, value] : environment) {
        if (name.empty() || name.find_first_of("=") != std::string::npos ||
            name.find('\0') != std::string::npos || value.find('\0') != std::string::npos) {
            return false;
        }
    }
    // This program's variables without those set anew (names compare
    // without case), then the new ones: "NAME=VALUE" each, ended by NUL.
    std::string block;
    if (LPCH current = ::GetEnvironmentStringsA()) {
        for (const char* entry = current; *entry != '\0'; entry += std::strlen(entry) + 1) {
            const std::string_view text(entry);
            const size_t equals = text.find('=', 1);
            const std::string_view name = text.substr(0, equals);
            bool replaced = false;
            for (const auto& added : environment) {
                replaced =
                    replaced || (added.first.size() == name.size() &&
                                 ::_strnicmp(added.first.c_str(), name.data(), name.size()) == 0);
            }
            if (!replaced) {
                block.append(text);
                block.push_back('\0');
            }
        }
        ::FreeEnvironmentStringsA(current);
    }
    for (const auto& [name, value] : environment) {
        block += name + "=" + value;
        block.push_back('\0');
    }
    block.push_back('\0');
    std::string line = QuoteProgram(companion.string());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                          DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, block.data(), nullptr,
                          &startup, &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
}

std::string QuoteProgram(std::string_view path) {
    return "\"" + std::string(path) + "\"";
}

bool WaitForProcessEnd(std::uint32_t pid, std::chrono::milliseconds limit) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) {
        return true;  // gone already
    }
    const DWORD waited = ::WaitForSingleObject(process, static_cast<DWORD>(limit.count()));
    ::CloseHandle(process);
    return waited == WAIT_OBJECT_0;
}

}  // namespace quellon::platform
