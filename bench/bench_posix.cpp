// The benchmark's system work on Linux: the bare loops over the machine
// root with plain system calls, processor time, idle processes (copies of
// sleep) and the peak resident memory (VmHWM).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "bench_platform.h"
#include "platform/posix/backend.h"

namespace quellon::bench {

namespace fs = std::filesystem;

namespace {

class PosixBenchBackend : public BenchBackend {
public:
    explicit PosixBenchBackend(const BenchMachine& m) : backend_(m.root, m.config), home_(m.home) {}
    platform::Platform& Get() override { return backend_.Platform(); }
    std::string ProgramFolder() const override { return backend_.WindowsPathOf(home_); }

private:
    posix::Backend backend_;
    fs::path home_;
};

// Reads a whole file the plain way; returns its size (0 when it cannot).
size_t ReadWhole(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    static char buffer[65536];
    size_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        total += static_cast<size_t>(n);
    }
    ::close(fd);
    return total;
}

}  // namespace

Sizes DefaultSizes() {
    return Sizes{};
}

std::unique_ptr<BenchBackend> MakeBenchBackend(const BenchMachine& m) {
    return std::make_unique<PosixBenchBackend>(m);
}

const char* RegistryLoadLabel() {
    return "registry load (parse registry.reg)";
}

double CpuMs(const std::function<void()>& fn) {
    timespec a{}, b{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    fn();
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    return static_cast<double>(b.tv_sec - a.tv_sec) * 1e3 +
           static_cast<double>(b.tv_nsec - a.tv_nsec) / 1e6;
}

size_t BareStartup(const BenchMachine& m) {
    size_t lines = 0;
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat",
                             "BlockedCookies.dat"}) {
        const std::string path = (m.home / name).string();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        static char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            lines += static_cast<size_t>(std::count(buffer, buffer + n, '\n'));
        }
        ::close(fd);
    }
    return lines;
}

size_t BareCookies(const BenchMachine& m) {
    size_t bytes = 0;
    DIR* dir = ::opendir(m.cookieFolder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    std::string path = m.cookieFolder.string() + "/";
    const size_t base = path.size();
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') {
            continue;
        }
        path.resize(base);
        path += e->d_name;
        bytes += ReadWhole(path.c_str());
    }
    ::closedir(dir);
    return bytes;
}

size_t BareProcesses() {
    size_t found = 0;
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) {
        return 0;
    }
    char link[4096];
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') {
            continue;
        }
        const std::string exe = std::string("/proc/") + e->d_name + "/exe";
        if (::readlink(exe.c_str(), link, sizeof link) > 0) {
            ++found;
        }
    }
    ::closedir(dir);
    return found;
}

size_t BareRegistry(const BenchMachine& m, platform::Registry& reg) {
    // The backend's parsed registry is the system here: its calls are the
    // ones the phase cannot avoid.
    size_t found = 0;
    for (const RegistryProbe& p : m.registryProbes) {
        const platform::RegKey key = reg.OpenKey(p.hive, p.subKey, platform::kKeyAllAccessMask63);
        if (key == 0) {
            continue;
        }
        if (p.valueName.empty() || reg.QueryValue(key, p.valueName)) {
            ++found;
        }
        reg.CloseKey(key);
    }
    return found;
}

size_t BareFiles(const BenchMachine& m) {
    size_t found = 0;
    for (const std::string& path : m.filePaths) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            found += ReadWhole(path.c_str()) > 0 ? 1 : 0;
        }
    }
    return found;
}

// Copies of sleep named like programs.
struct IdleProcesses::Impl {
    std::vector<pid_t> pids;
};

IdleProcesses::IdleProcesses(const BenchMachine& m, int count) : impl_(std::make_unique<Impl>()) {
    if (count <= 0) {
        return;
    }
    const fs::path dir = m.dir / "procs";
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (int i = 0; i < count; ++i) {
        const fs::path exe = dir / ("qbidle" + std::to_string(i) + ".exe");
        fs::copy_file("/bin/sleep", exe, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            std::cerr << "cannot copy /bin/sleep: " << ec.message() << "\n";
            return;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string path = exe.string();
            ::execl(path.c_str(), path.c_str(), "3600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid > 0) {
            impl_->pids.push_back(pid);
        }
    }
}

IdleProcesses::~IdleProcesses() {
    for (pid_t pid : impl_->pids) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

size_t IdleProcesses::Count() const {
    return impl_->pids.size();
}

int IdleUntilParentEnds(unsigned long) {
    return 2;  // sleep serves here
}

long OwnPeakKiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1;
    }
    long kib = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

const char* PeakName() {
    return "peak resident memory (VmHWM)";
}

// The child reports its own VmHWM: the rusage of a forked child counts the
// pages it shared with this process before its exec, so it would add the
// benchmark's own memory.
Peak MeasureScanMemory(const BenchMachine& m) {
    std::error_code ec;
    fs::remove(PeakFile(m.dir), ec);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string dir = m.dir.string();
        ::execl("/proc/self/exe", "quellon-bench", "--measure-memory", dir.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) {
        return {-1, "no process could be started"};
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) {
        return {-1, "the scan's process was lost"};
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {-1, WIFEXITED(status) ? "the scan in a fresh process failed (exit status " +
                                            std::to_string(WEXITSTATUS(status)) + ")"
                                      : "the scan in a fresh process was killed"};
    }
    std::FILE* f = std::fopen(PeakFile(m.dir).c_str(), "r");
    long kib = -1;
    if (f != nullptr) {
        if (std::fscanf(f, "%ld", &kib) != 1) {
            kib = -1;
        }
        std::fclose(f);
    }
    if (kib <= 0) {
        return {-1, "the scan's process could not read its peak (/proc/self/status)"};
    }
    return {kib, ""};
}

}  // namespace quellon::bench
