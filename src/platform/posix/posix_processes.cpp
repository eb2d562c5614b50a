// Running processes from /proc; stopping them with real signals.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <thread>

#include "common/ansi.h"
#include "common/text.h"
#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"
#include "platform/posix/wine_prefix.h"

namespace quellon::posix {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kStillActive = 259;

std::string ProcPath(std::uint32_t pid, const char* leaf) {
    return "/proc/" + std::to_string(pid) + "/" + leaf;
}

// A /proc file, which gives no size: read through a small buffer, as its
// text is short (a line of `stat` stays well under a page). The general
// reader would clear 64 KiB for every one, and the memory shield reads the
// `stat` of every process without an executable link at every tick (of a
// kernel thread only at the first). The kernel makes such a file
// whole at the first read, so a read that leaves room in the buffer got all
// of it and no second read is needed to see its end.
std::optional<std::string> ReadProcFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string out;
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, static_cast<size_t>(n));
        if (static_cast<size_t>(n) < sizeof buffer) {
            break;
        }
    }
    ::close(fd);
    return out;
}

// The command name, state letter ('R', 'S', 'Z' ...) and whether it is a
// kernel thread, from /proc/<pid>/stat; nullopt when the process does not
// exist.
struct StatLine {
    std::string name;
    char state;
    bool kernelThread = false;
};

// The kernel's flag for its own threads, in the ninth field of `stat`.
constexpr unsigned long long kKernelThreadFlag = 0x00200000;

// Whether the fields after the state letter ("ppid pgrp session tty_nr
// tpgid flags ...") carry the kernel-thread flag.
bool KernelThreadFlag(std::string_view fields) {
    long long value = 0;
    for (int field = 0; field < 6; ++field) {
        const size_t from = fields.find_first_not_of(' ');
        if (from == std::string_view::npos) {
            return false;
        }
        fields.remove_prefix(from);
        const auto [end, error] =
            std::from_chars(fields.data(), fields.data() + fields.size(), value);
        if (error != std::errc()) {
            return false;
        }
        fields.remove_prefix(static_cast<size_t>(end - fields.data()));
    }
    return (static_cast<unsigned long long>(value) & kKernelThreadFlag) != 0;
}

std::optional<StatLine> ProcessStat(std::uint32_t pid) {
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT_MAX)) {
        return std::nullopt;
    }
    std::optional<std::string> stat = ReadProcFile(ProcPath(pid, "stat"));
    if (!stat) {
        return std::nullopt;
    }
    // "pid (name) S ...": the name may itself hold ") ".
    const size_t open = stat->find('(');
    const size_t close = stat->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= stat->size()) {
        return std::nullopt;
    }
    return StatLine{stat->substr(open + 1, close - open - 1), (*stat)[close + 2],
                    KernelThreadFlag(std::string_view(*stat).substr(close + 3))};
}

bool Running(const StatLine& s) {
    return s.state != 'Z' && s.state != 'X';
}

bool IsAlive(std::uint32_t pid) {
    std::optional<StatLine> s = ProcessStat(pid);
    return s && Running(*s);
}

// The executable's Linux path; nullopt for kernel threads and unreadable ones.
std::optional<std::string> ExeLink(std::uint32_t pid) {
    std::optional<std::string> link = io::ReadLink(ProcPath(pid, "exe"));
    if (!link) {
        return std::nullopt;
    }
    std::string& target = *link;
    static constexpr std::string_view kDeleted = " (deleted)";
    if (target.size() > kDeleted.size() &&
        std::string_view(target).substr(target.size() - kDeleted.size()) == kDeleted) {
        target.resize(target.size() - kDeleted.size());
    }
    return link;
}

void ReapIfChild(std::uint32_t pid) {
    int status = 0;
    ::waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
}

}  // namespace

std::optional<std::vector<platform::ProcessEntry>> PosixProcesses::Snapshot() {
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) {
        return std::nullopt;
    }
    const bool fullPaths = machine_.Config().version.platformId == 1;
    std::vector<platform::ProcessEntry> entries;
    listedLinks_.clear();
    std::shared_ptr<const MachineRoot::HeldDrives> drives = machine_.HoldDrives();
    if (!listedDrives_ || !MachineRoot::SameDrives(*listedDrives_, *drives) ||
        windowsPaths_.size() >= kMaxWindowsPaths) {
        windowsPaths_.clear();
    }
    listedDrives_ = std::move(drives);
    listedAt_ = std::chrono::steady_clock::now();
    // The kernel threads of this listing, for the next.
    std::unordered_map<std::uint32_t, std::string> kernelThreads;
    kernelThreads.reserve(kernelThreads_.size());
    while (dirent* entry = ::readdir(dir)) {
        std::uint32_t pid = 0;
        bool numeric = entry->d_name[0] != '\0';
        for (const char* c = entry->d_name; *c != '\0' && numeric; ++c) {
            numeric = *c >= '0' && *c <= '9' && pid < 100000000u;
            pid = pid * 10 + static_cast<std::uint32_t>(*c - '0');
        }
        if (!numeric) {
            continue;
        }
        platform::ProcessEntry e;
        e.pid = pid;
        // A process with an executable link runs: one that has ended, reaped
        // or not, has none. Only without one (kernel threads, other users'
        // programs) is its state read, and its name with it. A kernel thread
        // never turns into anything else, and its number is not given to
        // another process while it is listed: one the last listing found is
        // taken as it was then, name and all, without reading its state again.
        std::optional<std::string> exe = ExeLink(pid);
        std::optional<StatLine> stat;
        if (!exe) {
            if (auto known = kernelThreads_.find(pid); known != kernelThreads_.end()) {
                stat = StatLine{known->second, 'S', true};
            } else {
                stat = ProcessStat(pid);
            }
            if (!stat || !Running(*stat)) {
                continue;
            }
            if (stat->kernelThread) {
                kernelThreads.emplace(pid, stat->name);
            }
        }
        listedLinks_.emplace(pid, exe);
        if (exe) {
            if (std::optional<std::string> program = WineProgramPath(pid, *exe, machine_)) {
                e.exeFile = fullPaths ? *program : std::string(text::FileNameOfPath(*program));
            } else {
                // The kernel's link is absolute: its name is what follows
                // the last "/".
                e.exeFile =
                    fullPaths
                        ? machine_.ToWindows(*exe, MachineRoot::kResolved, *listedDrives_)
                        : ansi::FromUtf8(std::string_view(*exe).substr(
                              exe->rfind('/') == std::string::npos ? 0 : exe->rfind('/') + 1));
            }
        } else {
            e.exeFile = ansi::FromUtf8(stat->name);
        }
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    kernelThreads_ = std::move(kernelThreads);
    return entries;
}

bool PosixProcesses::CanOpen(std::uint32_t pid, std::uint32_t access) {
    opened_.reset();
    if ((access & platform::kProcessQueryInfoVmRead) != 0) {
        // Its memory can be read when its executable link can: an ended
        // process has none. The link the list read a moment ago serves as
        // this look (the memory shield lists, then opens each process in
        // turn); later, or for a process not listed, it is read again.
        std::optional<std::string> exe;
        const auto now = std::chrono::steady_clock::now();
        const auto listed = listedLinks_.find(pid);
        if (listed != listedLinks_.end() && now - listedAt_ < kHandleHeld) {
            exe = std::move(listed->second);
            listedLinks_.erase(listed);
        } else {
            exe = ExeLink(pid);
        }
        if (!exe) {
            return false;
        }
        opened_ = Opened{pid, std::move(*exe), std::chrono::steady_clock::now()};
        return true;
    }
    return IsAlive(pid);
}

std::optional<std::string> PosixProcesses::FirstModulePath(std::uint32_t pid) {
    std::optional<std::string> exe;
    if (opened_ && opened_->pid == pid &&
        std::chrono::steady_clock::now() - opened_->at < kHandleHeld) {
        exe = std::move(opened_->exe);
    } else {
        exe = ExeLink(pid);
    }
    opened_.reset();
    if (!exe) {
        return std::nullopt;  // ended, a kernel thread, or not ours to read
    }
    if (std::optional<std::string> program = WineProgramPath(pid, *exe, machine_)) {
        return program;  // a Windows program under Wine, by its own path
    }
    // The kernel gives the executable's path with every link resolved. Right
    // after the listing, the drives it confirmed still hold.
    // A program's Windows path depends only on its link and the drives, so
    // what was worked out for a link holds while the drives stay the same.
    if (listedDrives_ && std::chrono::steady_clock::now() - listedAt_ < kHandleHeld) {
        auto known = windowsPaths_.find(*exe);
        if (known == windowsPaths_.end()) {
            std::string windows = machine_.ToWindows(*exe, MachineRoot::kResolved, *listedDrives_);
            known = windowsPaths_.emplace(std::move(*exe), std::move(windows)).first;
        }
        return known->second;
    }
    return machine_.ToWindows(*exe, MachineRoot::kResolved);
}

std::optional<std::uint32_t> PosixProcesses::ExitCode(std::uint32_t pid) {
    const std::optional<StatLine> stat = ProcessStat(pid);
    if (!stat) {
        requestedExitCodes_.erase(pid);
        return std::nullopt;
    }
    if (Running(*stat)) {
        return kStillActive;
    }
    if (auto it = requestedExitCodes_.find(pid); it != requestedExitCodes_.end()) {
        return it->second;
    }
    // Our own child: its status, without reaping it.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == static_cast<pid_t>(pid)) {
        return info.si_code == CLD_EXITED ? static_cast<std::uint32_t>(info.si_status)
                                          : 128u + static_cast<std::uint32_t>(info.si_status);
    }
    return 0;
}

bool PosixProcesses::Terminate(std::uint32_t pid, std::uint32_t access, std::uint32_t exitCode) {
    // Never the idle id, the system's first process or this program itself.
    if (pid <= 1 || pid > static_cast<std::uint32_t>(INT_MAX) ||
        static_cast<pid_t>(pid) == ::getpid()) {
        return false;
    }
    if (::kill(static_cast<pid_t>(pid), SIGKILL) != 0) {
        return false;
    }
    requestedExitCodes_[pid] = exitCode;
    return true;
}

platform::WaitResult PosixProcesses::Wait(std::uint32_t pid, std::uint32_t milliseconds) {
    if (pid == 0) {
        return platform::WaitResult::kFailed;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const bool forever = milliseconds == 0xFFFFFFFFu;
    for (;;) {
        if (!IsAlive(pid)) {
            ReapIfChild(pid);
            return platform::WaitResult::kEnded;
        }
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        if (!forever && waited.count() >= static_cast<std::int64_t>(milliseconds)) {
            return platform::WaitResult::kTimeout;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool PosixProcesses::SetDebugPrivilege(bool /*enable*/) {
    return true;
}

std::optional<platform::OsVersion> PosixProcesses::Version() {
    return machine_.Config().version;
}

}  // namespace quellon::posix
