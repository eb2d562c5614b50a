// Real processes: a copy of sleep named like a Windows program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;

// A child running a copy of /bin/sleep under the given file name.
class SleepingChild {
public:
    SleepingChild(const fs::path& folder, const std::string& name) : path_(folder / name) {
        fs::copy_file("/bin/sleep", path_);
        fs::permissions(path_, fs::perms::owner_all);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(path_.c_str(), name.c_str(), "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Wait until the child runs the copy rather than the forked test.
        for (int i = 0; i < 2000; ++i) {
            std::error_code ec;
            if (fs::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec) == path_) {
                break;
            }
            ::usleep(1000);
        }
    }
    ~SleepingChild() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    std::uint32_t Pid() const { return static_cast<std::uint32_t>(pid_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
    pid_t pid_ = -1;
};

TEST(ProcessesTest, FindsMapsAndStopsAChild) {
    TestMachine m;
    testing::TempDir bin;
    const std::string name = "qtest-" + std::to_string(::getpid()) + "-bad.exe";
    SleepingChild child(bin.path(), name);
    platform::Processes& processes = m.Platform().processes;

    auto snapshot = processes.Snapshot();
    ASSERT_TRUE(snapshot);
    bool seen = false, seenSelf = false;
    for (const auto& p : *snapshot) {
        seen = seen || (p.pid == child.Pid() && p.exeFile == name);
        seenSelf = seenSelf || p.pid == static_cast<std::uint32_t>(::getpid());
    }
    EXPECT_TRUE(seen);
    EXPECT_TRUE(seenSelf);

    EXPECT_TRUE(processes.CanOpen(child.Pid(), platform::kProcessQueryInfoVmRead));
    std::string expected = "Z:" + child.Path().string();
    for (char& c : expected) {
        c = c == '/' ? '\\' : c;
    }
    EXPECT_EQ(processes.FirstModulePath(child.Pid()), expected);
    EXPECT_EQ(processes.ExitCode(child.Pid()), 259u);
    EXPECT_EQ(processes.Wait(child.Pid(), 20), platform::WaitResult::kTimeout);

    EXPECT_TRUE(processes.Terminate(child.Pid(), platform::kProcessTerminate, 0));
    EXPECT_EQ(processes.Wait(child.Pid(), 5000), platform::WaitResult::kEnded);
    EXPECT_FALSE(processes.CanOpen(child.Pid(), platform::kProcessTerminate));
    EXPECT_EQ(processes.FirstModulePath(child.Pid()), std::nullopt);
    EXPECT_EQ(processes.ExitCode(child.Pid()), std::nullopt);  // reaped by Wait
}

// Opening a process right after the listing takes the link the listing
// read; a moment later the process is looked at again, so one that ended
// meanwhile cannot be opened and has no module.
TEST(ProcessesTest, TheListingsLookAtAProcessHoldsOnlyAMoment) {
    TestMachine m;
    testing::TempDir bin;
    const std::string name = "qtest-" + std::to_string(::getpid()) + "-held.exe";
    auto child = std::make_unique<SleepingChild>(bin.path(), name);
    const std::uint32_t pid = child->Pid();
    const std::string path = m.Backend().WindowsPathOf(child->Path());
    platform::Processes& processes = m.Platform().processes;

    ASSERT_TRUE(processes.Snapshot());
    EXPECT_TRUE(processes.CanOpen(pid, platform::kProcessQueryInfoVmRead));
    EXPECT_EQ(processes.FirstModulePath(pid), path);
    // Opened again, it is read again (the listing's look is used once).
    EXPECT_TRUE(processes.CanOpen(pid, platform::kProcessQueryInfoVmRead));
    EXPECT_EQ(processes.FirstModulePath(pid), path);

    ASSERT_TRUE(processes.Snapshot());
    child.reset();  // stopped and reaped
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(processes.CanOpen(pid, platform::kProcessQueryInfoVmRead));
    EXPECT_EQ(processes.FirstModulePath(pid), std::nullopt);

    // A process that was not listed is looked at directly.
    SleepingChild later(bin.path(), "qtest-" + std::to_string(::getpid()) + "-later.exe");
    EXPECT_TRUE(processes.CanOpen(later.Pid(), platform::kProcessQueryInfoVmRead));
    EXPECT_EQ(processes.FirstModulePath(later.Pid()), m.Backend().WindowsPathOf(later.Path()));
}

// A program's Windows path is remembered from one listing to the next only
// while the machine's drives stay as they were: a drive made in between
// that holds the program's folder names it by that drive at once.
TEST(ProcessesTest, AProgramsPathFollowsADriveMadeBetweenListings) {
    TestMachine m;
    testing::TempDir bin;
    const std::string name = "qtest-" + std::to_string(::getpid()) + "-drive.exe";
    SleepingChild child(bin.path(), name);
    platform::Processes& processes = m.Platform().processes;
    auto look = [&] {
        EXPECT_TRUE(processes.Snapshot());
        EXPECT_TRUE(processes.CanOpen(child.Pid(), platform::kProcessQueryInfoVmRead));
        return processes.FirstModulePath(child.Pid()).value_or("<none>");
    };
    const std::string before = look();
    EXPECT_EQ(before.substr(0, 3), "Z:\\");
    EXPECT_EQ(look(), before);

    fs::create_directories(m.Root() / "dosdevices");
    fs::create_directory_symlink(bin.path(), m.Root() / "dosdevices" / "q:");
    EXPECT_EQ(look(), "Q:\\" + name);
    fs::remove(m.Root() / "dosdevices" / "q:");
    EXPECT_EQ(look(), before);
}

TEST(ProcessesTest, NinetyFiveStyleMachinesListFullPaths) {
    TestMachine m;
    m.WriteMachineIni("[Version]\nPlatformId=1\nMajor=4\nMinor=10\n");
    testing::TempDir bin;
    const std::string name = "qtest-" + std::to_string(::getpid()) + "-9x.exe";
    SleepingChild child(bin.path(), name);
    auto snapshot = m.Platform().processes.Snapshot();
    ASSERT_TRUE(snapshot);
    std::string exeFile;
    for (const auto& p : *snapshot) {
        if (p.pid == child.Pid()) {
            exeFile = p.exeFile;
        }
    }
    EXPECT_EQ(exeFile, m.Backend().WindowsPathOf(child.Path()));
}

TEST(ProcessesTest, KernelThreadsAndAZombieInListingAfterListing) {
    // The kernel's thread maker is process 2 where its threads are seen (not
    // inside a container's own process numbers).
    std::error_code ec;
    if (fs::exists("/proc/2/exe", ec) || !fs::exists("/proc/2/stat", ec)) {
        GTEST_SKIP() << "the kernel's threads are not seen here";
    }
    TestMachine m;
    platform::Processes& procs = m.Platform().processes;
    auto listed = [&](std::uint32_t pid) -> std::optional<std::string> {
        const auto snapshot = procs.Snapshot();
        for (const platform::ProcessEntry& e :
             snapshot.value_or(std::vector<platform::ProcessEntry>{})) {
            if (e.pid == pid) {
                return e.exeFile;
            }
        }
        return std::nullopt;
    };
    // A child that ends unreaped has no executable link, as a kernel thread
    // has none: it is not listed, in the first listing or any after.
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(listed(2), "kthreadd") << "listing " << i;
    }
    // Wait until the child has ended (a zombie, not yet reaped).
    siginfo_t ended{};
    for (int i = 0; i < 2000; ++i) {
        ended.si_pid = 0;
        if (::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == child) {
            break;
        }
        ::usleep(1000);
    }
    ASSERT_EQ(ended.si_pid, child);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(listed(static_cast<std::uint32_t>(child)), std::nullopt) << "listing " << i;
    }
    ::waitpid(child, nullptr, 0);
}

TEST(ProcessesTest, RefusesToStopItselfOrNothing) {
    TestMachine m;
    platform::Processes& processes = m.Platform().processes;
    EXPECT_FALSE(processes.Terminate(static_cast<std::uint32_t>(::getpid()),
                                     platform::kProcessAllAccess, 0));
    EXPECT_FALSE(processes.Terminate(0, platform::kProcessAllAccess, 0));
    EXPECT_FALSE(processes.Terminate(0xFFFFFFF0u, platform::kProcessAllAccess, 0));
    EXPECT_FALSE(processes.CanOpen(0, platform::kProcessTerminate));
    EXPECT_EQ(processes.ExitCode(0xFFFFFFF0u), std::nullopt);
    EXPECT_EQ(processes.ExitCode(static_cast<std::uint32_t>(::getpid())), 259u);
    EXPECT_TRUE(processes.SetDebugPrivilege(true));
    // Kernel threads have no executable: a name but no module path.
    auto snapshot = processes.Snapshot();
    ASSERT_TRUE(snapshot);
    for (const auto& p : *snapshot) {
        EXPECT_FALSE(p.exeFile.empty()) << p.pid;
    }
}

}  // namespace
}  // namespace quellon::posix
