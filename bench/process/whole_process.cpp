// quellon-bench-process: the known-file scan as a whole `quellon-cli scan`
// process beside a bare loop that is a process of its own too, taken in
// pairs in turn: what a user waits for, start-up, reading the definitions
// and writing the settings included.
//
// The bare loop reads the list of the Linux paths of every definition (one
// a line, made with the machine), and for each path lstat, and for a
// regular file open, read to the end and close: the system work the scan
// cannot avoid (it must read each present file for its company name).
//
// usage: quellon-bench-process [--files N] [--pairs N]
//        quellon-bench-process --bare-files LIST     (the bare loop alone)
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_machine.h"

extern char** environ;

namespace quellon::bench {
namespace {

namespace fs = std::filesystem;

int BareFiles(const char* list) {
    std::ifstream in(list);
    std::string path;
    static char buffer[65536];
    long present = 0;
    while (std::getline(in, path)) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
        ++present;
    }
    std::printf("%ld\n", present);
    return 0;
}

// Runs `argv` with its output thrown away; the wall time in milliseconds,
// or a negative number when it did not end with `expected`.
double TimeProcess(const std::vector<std::string>& args, int expected) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Usage() {
    std::fprintf(stderr,
                 "usage: quellon-bench-process [--files N] [--pairs N]\n"
                 "       quellon-bench-process --bare-files LIST\n");
    return 2;
}

}  // namespace

int Main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--bare-files") {
        return BareFiles(argv[2]);
    }
    Sizes sizes;
    sizes.registryLines = 0;
    sizes.exeLines = 0;
    sizes.cookiePatterns = 0;
    sizes.cookieFiles = 0;
    sizes.processes = 0;
    int pairs = 5;
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i];
        if (i + 1 >= argc) {
            return Usage();
        }
        const int n = std::atoi(argv[i + 1]);
        if (a == "--files" && n > 0) {
            sizes.fileLines = n;
        } else if (a == "--pairs" && n > 0) {
            pairs = n;
        } else {
            return Usage();
        }
    }
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path cli = self.parent_path() / "quellon-cli";
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "quellon-cli is not next to %s\n", self.c_str());
        return 1;
    }
    const fs::path parent =
        fs::temp_directory_path() / ("quellon-bench-process-" + std::to_string(::getpid()));
    fs::create_directories(parent);
    const BenchMachine m = Generate(parent, sizes);
    const fs::path list = parent / "paths.txt";
    {
        std::ofstream out(list);
        for (const std::string& p : m.filePaths) {
            out << p << '\n';
        }
    }
    const std::vector<std::string> scan = {cli.string(),      "--home",        m.home.string(),
                                           "--machine",       m.root.string(), "--config",
                                           m.config.string(), "scan"};
    const std::vector<std::string> bare = {self.string(), "--bare-files", list.string()};
    // quellon-cli scan ends with 1 when it found something.
    constexpr int kFound = 1;
    // The first of each fills the caches and makes the profile.
    if (TimeProcess(scan, kFound) < 0 || TimeProcess(bare, 0) < 0) {
        std::fprintf(stderr, "a first run failed\n");
        fs::remove_all(parent);
        return 1;
    }
    std::vector<double> scans, bares, ratios;
    for (int i = 0; i < pairs; ++i) {
        double s = 0, b = 0;
        if (i % 2 == 0) {
            s = TimeProcess(scan, kFound);
            b = TimeProcess(bare, 0);
        } else {
            b = TimeProcess(bare, 0);
            s = TimeProcess(scan, kFound);
        }
        if (s < 0 || b < 0) {
            std::fprintf(stderr, "a run failed\n");
            fs::remove_all(parent);
            return 1;
        }
        scans.push_back(s);
        bares.push_back(b);
        ratios.push_back(s / b);
        std::printf("pair %d: quellon-cli scan %.0f ms, bare loop %.0f ms, %.2fx\n", i + 1, s, b,
                    s / b);
    }
    std::printf(
        "known files, %d lines (%d present), whole processes: quellon-cli scan %.0f ms, bare loop "
        "%.0f ms (medians of %d pairs); median ratio %.2fx\n",
        sizes.fileLines, m.filesPresent, Median(scans), Median(bares), pairs, Median(ratios));
    if (std::getenv("QUELLON_BENCH_KEEP") != nullptr) {
        std::printf("kept: %s\n", parent.c_str());
        return 0;
    }
    fs::remove_all(parent);
    return 0;
}

}  // namespace quellon::bench

int main(int argc, char** argv) {
    return quellon::bench::Main(argc, argv);
}
