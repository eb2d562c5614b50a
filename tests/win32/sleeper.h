// A real running Windows process under a name of our choosing: a copy of the
// qsleep test program, started with CreateProcess.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <filesystem>
#include <string>

#include "platform/win32/backend.h"
#include "support/test_machine.h"

namespace quellon::testing {

class Sleeper {
public:
    // `extra` is appended to the copy (a PE file runs with data after its end).
    Sleeper(const std::filesystem::path& folder, const std::string& name,
            std::string_view extra = {}) {
        std::filesystem::create_directories(folder);
        path_ = folder / name;
        const std::filesystem::path qsleep = win32::ExecutableFolder() / "qsleep.exe";
        std::string bytes = ReadBytes(qsleep);
        EXPECT_FALSE(bytes.empty()) << "no " << qsleep.string();
        WriteBytes(path_, bytes + std::string(extra));
        std::wstring commandLine = L"\"" + path_.wstring() + L"\" 30";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(path_.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
            ADD_FAILURE() << "cannot start " << path_.string();
            return;
        }
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
        // Wait until the snapshot shows it.
        for (int i = 0; i < 400 && !Listed(); ++i) {
            ::Sleep(5);
        }
    }
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;
    ~Sleeper() {
        if (process_ != nullptr) {
            ::TerminateProcess(process_, 1);
            ::WaitForSingleObject(process_, 5000);
            ::CloseHandle(process_);
        }
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    // True when the process was stopped (it would sleep for 30 seconds).
    bool Killed() const {
        return process_ != nullptr && ::WaitForSingleObject(process_, 3000) == WAIT_OBJECT_0;
    }
    DWORD Pid() const { return pid_; }

private:
    bool Listed() const {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        bool found = false;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32First(snapshot, &entry); more && !found;
             more = ::Process32Next(snapshot, &entry)) {
            found = entry.th32ProcessID == pid_;
        }
        ::CloseHandle(snapshot);
        return found;
    }

    std::filesystem::path path_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// A name no other test run uses: stem, this process's id, ".exe".
inline std::string Unique(std::string_view stem) {
    return std::string(stem) + std::to_string(::GetCurrentProcessId()) + ".exe";
}

}  // namespace quellon::testing
