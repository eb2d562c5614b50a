// Windows programs running under Wine: in /proc such a process runs Wine's
// loader (/usr/lib/wine/wine64), its command line starts with the program
// as it was started (C:\Program Files\...\x.exe, a Linux path or a bare
// name) and its environment names its prefix (WINEPREFIX, else ~/.wine).
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/ansi.h"
#include "common/text.h"
#include "platform/posix/io.h"
#include "platform/posix/wine_prefix.h"

namespace quellon::posix {

namespace fs = std::filesystem;

namespace {

std::string ProcPath(std::uint32_t pid, const char* leaf) {
    return "/proc/" + std::to_string(pid) + "/" + leaf;
}

// The NUL-separated strings of a /proc file, without the empty ones at its end.
std::vector<std::string> Strings(const std::string& bytes) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find('\0', at);
        out.push_back(bytes.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    while (!out.empty() && out.back().empty()) {
        out.pop_back();
    }
    return out;
}

bool SameFolder(const std::string& a, const fs::path& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && S_ISDIR(sa.st_mode) &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsFile(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The prefix a Wine process runs in: its WINEPREFIX, else ~/.wine of its
// HOME (or of its owner); relative to its working folder when relative.
std::optional<std::string> PrefixOf(std::uint32_t pid, const std::string& cwd) {
    std::optional<std::string> environ = io::ReadFile(ProcPath(pid, "environ"));
    if (!environ) {
        return std::nullopt;  // another user's process
    }
    std::string prefix, home;
    for (const std::string& var : Strings(*environ)) {
        if (var.starts_with("WINEPREFIX=")) {
            prefix = var.substr(11);
        } else if (var.starts_with("HOME=")) {
            home = var.substr(5);
        }
    }
    if (prefix.empty()) {
        if (home.empty()) {
            struct stat st {};
            if (::stat(ProcPath(pid, "").c_str(), &st) != 0) {
                return std::nullopt;
            }
            struct passwd pw {};
            struct passwd* found = nullptr;
            std::string buffer(16384, '\0');
            if (::getpwuid_r(st.st_uid, &pw, buffer.data(), buffer.size(), &found) != 0 ||
                found == nullptr || pw.pw_dir == nullptr) {
                return std::nullopt;
            }
            home = pw.pw_dir;
        }
        prefix = home + "/.wine";
    }
    if (prefix[0] != '/') {
        prefix = cwd + "/" + prefix;
    }
    return prefix;
}

bool IsWineLoader(const std::string& exe) {
    // The name after the last "/" (the kernel's links are absolute paths).
    const size_t slash = exe.rfind('/');
    const std::string_view name =
        std::string_view(exe).substr(slash == std::string::npos ? 0 : slash + 1);
    return name == "wine" || name == "wine64" || name == "wine-preloader" ||
           name == "wine64-preloader";
}

bool IsWindowsAbsolute(std::string_view p) {
    return p.size() >= 3 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) &&
           p[1] == ':' && p[2] == '\\';
}

}  // namespace

std::optional<std::string> WineProgramPath(std::uint32_t pid, const std::string& exe,
                                           const MachineRoot& machine) {
    if (!IsWineLoader(exe)) {
        return std::nullopt;
    }
    const std::string cwd = io::ReadLink(ProcPath(pid, "cwd")).value_or("/");
    const std::optional<std::string> prefix = PrefixOf(pid, cwd);
    if (!prefix || !SameFolder(*prefix, machine.Root())) {
        return std::nullopt;  // a program of another prefix, or not one of Wine's
    }
    std::optional<std::string> cmdline = io::ReadFile(ProcPath(pid, "cmdline"));
    const std::vector<std::string> args = cmdline ? Strings(*cmdline) : std::vector<std::string>{};
    if (args.empty() || args[0].empty()) {
        return std::nullopt;
    }
    // The program as the Windows path it is, and the Linux file it is, when it is there.
    auto place = [&](const std::string& given, std::string& windows) -> bool {
        const std::string ansi = ansi::FromUtf8(given);
        if (IsWindowsAbsolute(ansi)) {
            windows = ansi;
            std::optional<fs::path> local = machine.Resolve(ansi);
            return local && IsFile(local->string());
        }
        std::string local = given;
        for (char& c : local) {
            c = c == '\\' ? '/' : c;
        }
        if (local[0] != '/') {
            local = cwd + "/" + local;
        }
        if (IsFile(local)) {
            windows = machine.ToWindows(fs::path(local).lexically_normal());
            return true;
        }
        if (given.find_first_of("/\\") == std::string::npos) {
            // A bare name: Wine looks for it in the system folders too.
            const MachineConfig& config = machine.Config();
            for (const std::string& folder : {config.system, config.windows}) {
                for (const std::string& name : {ansi, ansi + ".exe"}) {
                    std::optional<fs::path> found = machine.Resolve(folder + "\\" + name);
                    if (found && IsFile(found->string())) {
                        windows = folder + "\\" + name;
                        return true;
                    }
                }
            }
            windows = ansi;
            return false;
        }
        windows = machine.ToWindows(fs::path(local).lexically_normal());
        return false;
    };
    std::string windows;
    if (place(args[0], windows)) {
        return windows;
    }
    // A path with blanks that was given without quotes lies in several arguments.
    std::string joined = args[0];
    std::string longer;
    for (size_t i = 1; i < args.size() && i < 16; ++i) {
        joined += " " + args[i];
        if (place(joined, longer)) {
            return longer;
        }
    }
    return windows;
}

}  // namespace quellon::posix
