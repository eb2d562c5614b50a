#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "platform/win32/backend.h"
#include "platform/win32/backend_classes.h"
#include "support/sleeper.h"
#include "support/test_machine.h"

namespace quellon::testing {

struct Sleeper::Impl {
    std::filesystem::path path;
    HANDLE process = nullptr;
    DWORD pid = 0;

    // Whether the backend lists it and can read its first module, as the
    // memory scan reads it: a new process is listed before the loader has
    // mapped its image.
    bool Ready() const {
        win32::Win32Processes processes;
        const auto listed = processes.Snapshot();
        return listed &&
               std::any_of(listed->begin(), listed->end(),
                           [this](const platform::ProcessEntry& e) { return e.pid == pid; }) &&
               processes.FirstModulePath(pid).has_value();
    }
};

Sleeper::Sleeper(const std::filesystem::path& folder, const std::string& name,
                 std::string_view extra)
    : impl_(std::make_unique<Impl>()) {
    std::filesystem::create_directories(folder);
    impl_->path = folder / name;
    const std::filesystem::path qsleep = win32::ExecutableFolder() / "qsleep.exe";
    std::string bytes = ReadBytes(qsleep);
    EXPECT_FALSE(bytes.empty()) << "no " << qsleep.string();
    WriteBytes(impl_->path, bytes + std::string(extra));
    std::wstring commandLine = L"\"" + impl_->path.wstring() + L"\" 30";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(impl_->path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << impl_->path.string();
        return;
    }
    ::CloseHandle(info.hThread);
    impl_->process = info.hProcess;
    impl_->pid = info.dwProcessId;
    // Wait until the snapshot shows it and its image can be read.
    for (int i = 0; i < 400 && !impl_->Ready(); ++i) {
        ::Sleep(5);
    }
}

Sleeper::~Sleeper() {
    if (impl_->process != nullptr) {
        ::TerminateProcess(impl_->process, 1);
        ::WaitForSingleObject(impl_->process, 5000);
        ::CloseHandle(impl_->process);
    }
    std::error_code ec;
    std::filesystem::remove(impl_->path, ec);
}

bool Sleeper::Killed() {
    return impl_->process != nullptr &&
           ::WaitForSingleObject(impl_->process, 3000) == WAIT_OBJECT_0;
}

unsigned long Sleeper::Pid() const {
    return impl_->pid;
}

std::string UniqueProgramName(std::string_view stem) {
    return std::string(stem) + std::to_string(::GetCurrentProcessId()) + ".exe";
}

}  // namespace quellon::testing
