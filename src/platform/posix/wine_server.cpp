#include "platform/posix/wine_server.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "formats/windows_executable.h"
#include "platform/posix/io.h"

extern char** environ;

namespace quellon::posix::wine {

namespace fs = std::filesystem;

namespace {

// Whether some process holds a lock on the file.
bool LockHeld(const fs::path& file) {
    io::Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.Valid()) {
        return false;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd.Get(), F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

std::optional<std::string> Link(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0) {
        return std::nullopt;
    }
    target.resize(static_cast<size_t>(n));
    return target;
}

bool Executable(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

fs::path TempBase() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? fs::path(tmp) : fs::path("/tmp");
}

}  // namespace

std::optional<fs::path> RunningServer(const fs::path& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::vector<fs::path> candidates;
    // Debian: the prefix names a folder made with mkdtemp in the temporary folder.
    if (std::optional<std::string> named = io::ReadFile(prefix / "wineserver")) {
        std::string folder = *named;
        while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r' ||
                                   folder.back() == ' ' || folder.back() == '\0')) {
            folder.pop_back();
        }
        if (!folder.empty() && folder.size() < 256 && folder.find('/') == std::string::npos &&
            folder != "." && folder != "..") {
            candidates.push_back(TempBase() / folder / name);
            candidates.push_back(fs::path("/tmp") / folder / name);
        }
    }
    // Wine's own place, for the user running Wine (this one or the prefix's owner).
    for (uid_t uid : {::getuid(), st.st_uid}) {
        candidates.push_back(fs::path("/tmp") / (".wine-" + std::to_string(uid)) / name);
    }
    for (const fs::path& folder : candidates) {
        if (LockHeld(folder / "lock")) {
            return folder;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> FindLoader(const fs::path& serverFolder) {
    std::error_code ec;
    const fs::path folder = fs::canonical(serverFolder, ec);
    // The server works in its folder: its program lies beside Wine's loader.
    if (!ec) {
        if (DIR* proc = ::opendir("/proc")) {
            std::optional<fs::path> found;
            while (dirent* entry = ::readdir(proc)) {
                if (entry->d_name[0] < '0' || entry->d_name[0] > '9') {
                    continue;
                }
                const std::string base = std::string("/proc/") + entry->d_name;
                std::optional<std::string> cwd = Link(base + "/cwd");
                if (!cwd || fs::path(*cwd) != folder) {
                    continue;
                }
                if (std::optional<std::string> exe = Link(base + "/exe")) {
                    const fs::path dir = fs::path(*exe).parent_path();
                    for (const char* loader : {"wine64", "wine"}) {
                        if (Executable(dir / loader)) {
                            found = dir / loader;
                            break;
                        }
                    }
                }
                if (found) {
                    break;
                }
            }
            ::closedir(proc);
            if (found) {
                return found;
            }
        }
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const size_t cut = dirs.find(':');
        const std::string_view dir = dirs.substr(0, cut);
        dirs = cut == std::string_view::npos ? std::string_view() : dirs.substr(cut + 1);
        if (!dir.empty() && Executable(fs::path(dir) / "wine")) {
            return fs::path(dir) / "wine";
        }
    }
    return std::nullopt;
}

RunResult Run(const fs::path& loader, const fs::path& prefix, const std::vector<std::string>& args,
              const fs::path& folder, int timeoutMs) {
    RunResult result;
    // Everything prepared before the fork: the child only calls what is safe there.
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string_view var(*e);
        if (!var.starts_with("WINEPREFIX=") && !var.starts_with("WINEDEBUG=") &&
            !var.starts_with("LC_ALL=")) {
            env.emplace_back(var);
        }
    }
    env.push_back("WINEPREFIX=" + prefix.string());
    env.push_back("WINEDEBUG=-all");
    // Wine reads the arguments in the locale's encoding: they are UTF-8.
    env.push_back("LC_ALL=C.UTF-8");
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argvStrings{loader.string()};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvStrings) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string log = (folder / "quellon-wine-output.txt").string();
    const std::string dir = folder.string();

    const pid_t pid = ::fork();
    if (pid < 0) {
        return result;
    }
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || ::chdir(dir.c_str()) != 0 || ::dup2(in, 0) < 0 ||
            ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) {
            ::_exit(127);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    result.started = true;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!result.timedOut && status >= 0 && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        result.started = result.exitCode != 127 || Executable(loader);
    }
    if (std::optional<std::string> output = io::ReadFile(log)) {
        result.output = output->size() > 4096 ? output->substr(output->size() - 4096) : *output;
    }
    ::unlink(log.c_str());
    return result;
}

std::optional<std::array<std::string, 3>> SaveRegistry(const fs::path& prefix,
                                                       const fs::path& serverFolder) {
    static constexpr const char* kNames[3] = {"machine", "user", "userdef"};
    const std::optional<fs::path> loader = FindLoader(serverFolder);
    const std::optional<fs::path> folder = MakeRunFolder(prefix);
    if (!loader || !folder) {
        return std::nullopt;
    }
    std::optional<std::array<std::string, 3>> saved;
    const fs::path program = *folder / "quellon-regsave.exe";
    if (io::WriteFileAtomic(program, formats::winexe::RegistrySaveProgram())) {
        const RunResult run = Run(*loader, prefix, {program.string()}, *folder, 60000);
        if (run.started && !run.timedOut) {
            saved.emplace();
            for (size_t i = 0; i < 3; ++i) {
                (*saved)[i] = io::ReadFile(*folder / kNames[i]).value_or("");
            }
        }
    }
    std::error_code ec;
    fs::remove_all(*folder, ec);
    return saved;
}

std::optional<fs::path> MakeRunFolder(const fs::path& prefix) {
    std::error_code ec;
    fs::path base;
    // Wine reaches the whole Linux file system through Z: when the prefix maps it to "/".
    if (fs::canonical(prefix / "dosdevices" / "z:", ec) == fs::path("/") && !ec) {
        base = TempBase();
    } else {
        base = prefix / "drive_c" / "windows" / "temp";
        if (!fs::is_directory(base, ec)) {
            return std::nullopt;
        }
    }
    std::string templ = (base / "quellon-wine.XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
        return std::nullopt;
    }
    return fs::path(templ);
}

}  // namespace quellon::posix::wine
