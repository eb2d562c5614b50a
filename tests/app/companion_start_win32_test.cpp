// The restart companion on Windows: AppRestart.exe beside the program waits
// until the program's old process has ended and only then starts it again.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "app/start_up.h"
#include "common/text.h"
#include "platform/restart_protocol.h"
#include "platform/win32/backend.h"
#include "platform/win32/backend_classes.h"
#include "support/sleeper.h"
#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

namespace fs = std::filesystem;

// The process ids of the running programs whose file is named `name`.
std::vector<std::uint32_t> Running(const std::string& name) {
    std::vector<std::uint32_t> pids;
    win32::Win32Processes processes;
    if (const auto listed = processes.Snapshot()) {
        for (const platform::ProcessEntry& e : *listed) {
            if (text::EqualsNoCase(fs::path(e.exeFile).filename().string(), name)) {
                pids.push_back(e.pid);
            }
        }
    }
    return pids;
}

std::vector<std::uint32_t> WaitForRunning(const std::string& name, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::vector<std::uint32_t> pids = Running(name);
    while (pids.empty() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pids = Running(name);
    }
    return pids;
}

void EndAll(const std::string& name) {
    win32::Win32Processes processes;
    for (const std::uint32_t pid : Running(name)) {
        processes.Terminate(pid, PROCESS_TERMINATE, 1);
    }
}

TEST(CompanionStartWin32Test, TheProgramStartsAgainOnlyOnceItsOldProcessHasEnded) {
    TempDir dir;
    const fs::path bin = win32::ExecutableFolder();
    WriteBytes(dir.path() / std::string(platform::kRestartCompanionName),
               ReadBytes(bin / std::string(platform::kRestartCompanionName)));
    // The program to start again: a copy of the sleeping test program.
    const std::string name = UniqueProgramName("restarted");
    const fs::path program = dir.path() / name;
    WriteBytes(program, ReadBytes(bin / "qsleep.exe"));
    ASSERT_TRUE(Running(name).empty());

    std::optional<Sleeper> old(std::in_place, dir.path(), UniqueProgramName("ending"));
    ASSERT_TRUE(app::StartRestartCompanion(program, old->Pid(), {}));
    // While the old process lives, nothing is started beside it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(Running(name).empty());

    old.reset();
    const std::vector<std::uint32_t> started = WaitForRunning(name, std::chrono::seconds(30));
    EXPECT_EQ(started.size(), 1u);
    EndAll(name);
}

TEST(CompanionStartWin32Test, WithoutACompanionBesideTheProgramNothingStarts) {
    TempDir dir;
    const std::string name = UniqueProgramName("alone");
    WriteBytes(dir.path() / name, ReadBytes(win32::ExecutableFolder() / "qsleep.exe"));
    EXPECT_FALSE(app::StartRestartCompanion(dir.path() / name, ::GetCurrentProcessId(), {}));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(Running(name).empty());
}

}  // namespace
}  // namespace quellon::testing
