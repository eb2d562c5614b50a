#include "cli/wine_demo.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "cli/demo.h"
#include "cli/read_file.h"
#include "common/text.h"
#include "formats/windows_executable.h"
#include "platform/backend_factory.h"
#include "platform/shell.h"

namespace quellon::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitError = 2;
// The demo's adware stand-in sleeps this long unless a scan stops it.
constexpr std::uint32_t kProcessSeconds = 600;

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string ReadText(const fs::path& path) {
    return ReadWholeFile(path).value_or(std::string());
}

// The regedit text without the keys of HKEY_DYN_DATA, which Wine keeps in
// memory only (they would be gone with the next start of Wine).
std::string WithoutDynData(const std::string& text) {
    std::string out;
    bool skipping = false;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        const std::string_view line = std::string_view(text).substr(at, end - at);
        if (!line.empty() && line[0] == '[') {
            skipping = text::StartsWithNoCase(line, "[HKEY_DYN_DATA");
        }
        if (!skipping) {
            out += line;
        }
        at = end;
    }
    return out;
}

constexpr std::string_view kProcessScript = R"sh(#!/usr/bin/env bash
# Starts a stand-in for the QP AdBar Toolbar's background program on this demo
# prefix: qpbarsvc.exe, a small Windows program, under Wine, which a scan
# finds in memory and stops. Left alone it ends by itself after ten minutes.
# Prints its process id.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)"
export WINEPREFIX="$root" HOME="$root/home" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
setsid nohup wine 'C:\Program Files\QP AdBar\qpbarsvc.exe' </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do
    for proc in /proc/[0-9]*; do
        program="$( (tr '\0' '\n' <"$proc/cmdline" | head -n 1) 2>/dev/null)" || continue
        if [[ "$program" == *'\qpbarsvc.exe' ]] &&
            ( (tr '\0' '\n' <"$proc/environ") 2>/dev/null | grep -qxF "WINEPREFIX=$root"); then
            echo "${proc#/proc/}"
            exit 0
        fi
    done
    sleep 0.1
done
echo "start-demo-process.sh: qpbarsvc.exe did not start under Wine" >&2
exit 1
)sh";

class WineRunner {
public:
    WineRunner(const fs::path& prefix, const fs::path& home, const fs::path& log)
        : env_("env WINEPREFIX=" + Quoted(prefix.string()) + " HOME=" + Quoted(home.string()) +
               " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d' "
               "DISPLAY= "),
          log_(log) {}
    // Runs a command with Wine's variables; true when it succeeds. A step
    // that fails is kept, with the status it ended with, for the message.
    bool Run(const std::string& command) {
        const std::string line =
            "(" + env_ + command + ") </dev/null >>" + Quoted(log_.string()) + " 2>&1";
        const int status = std::system(line.c_str());
        if (status != 0) {
            failed_ = "`" + command + "` ended with status " + std::to_string(status);
        }
        return status == 0;
    }
    // How the failed step ended ("" when none failed).
    const std::string& Failed() const { return failed_; }
    // The end of the log, for a message.
    std::string Tail() const {
        const std::string text = ReadText(log_);
        return text.size() > 1500 ? text.substr(text.size() - 1500) : text;
    }

private:
    std::string env_;
    fs::path log_;
    std::string failed_;
};

}  // namespace

int MakeWineDemo(const fs::path& given, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (!platform::UsesMachineRoot()) {
        err << "quellon-cli: make-demo --wine makes a Wine prefix on Linux; here the machine is "
               "the real one\n";
        return kExitError;
    }
    if (fs::exists(given, ec) && (!fs::is_directory(given, ec) || !fs::is_empty(given, ec))) {
        err << "quellon-cli: " << given << " already exists and is not an empty folder; "
            << "the demo prefix needs a new one\n";
        return kExitError;
    }
    if (std::system("command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") !=
        0) {
        err << "quellon-cli: make-demo --wine needs Wine (Debian: apt-get install wine wine64)\n";
        return kExitError;
    }
    const fs::path dir = fs::absolute(given, ec).lexically_normal();
    const fs::path home = dir / "home";
    fs::create_directories(home / "Desktop", ec);
    if (ec) {
        err << "quellon-cli: cannot create " << home << ": " << ec.message() << '\n';
        return kExitError;
    }
    WineRunner wine(dir, home, home / "make-demo.log");
    out << "Making a Wine prefix in " << dir.string() << " (wineboot takes a little while)...\n"
        << std::flush;
    if (!wine.Run("timeout 300 wineboot --init") || !wine.Run("timeout 120 wineserver -w") ||
        !fs::exists(dir / "system.reg", ec)) {
        err << "quellon-cli: wineboot --init did not make a prefix ("
            << (wine.Failed().empty() ? "no system.reg" : wine.Failed()) << "):\n"
            << wine.Tail();
        return kExitError;
    }

    // The prefix's own folders, as its registry names them.
    const DemoContent demo = Demo();
    auto backend = platform::MakeBackend({dir, dir / "config"});
    platform::Platform& p = backend->Get();
    const std::string windows = p.shell.WindowsDirectory();
    const std::string desktop =
        p.shell.SpecialFolder(platform::kCsidlDesktopDirectory).value_or("");
    const std::string cookies = p.shell.SpecialFolder(platform::kCsidlCookies).value_or("");
    auto place = [&](const std::string& xp) {
        constexpr std::string_view kDesktop = "Documents and Settings\\User\\Desktop\\";
        constexpr std::string_view kWindows = "WINDOWS\\";
        if (text::StartsWithNoCase(xp, kDesktop)) {
            return desktop + "\\" + xp.substr(kDesktop.size());
        }
        if (text::StartsWithNoCase(xp, kWindows)) {
            return windows + "\\" + xp.substr(kWindows.size());
        }
        return "C:\\" + xp;
    };
    auto write = [&](const std::string& path, const std::string& bytes) {
        const size_t cut = path.rfind('\\');
        const bool atRoot = cut == 2;  // "C:\\x"
        return (atRoot || p.files.CreateFolder(path.substr(0, cut))) &&
               p.files.WriteAtomic(path, bytes);
    };
    out << "Demo Wine prefix written to " << dir.string() << ":\n";
    for (const DemoContent::File& f : demo.files) {
        const std::string path = place(f.path);
        if (!write(path, f.bytes)) {
            err << "quellon-cli: cannot write " << path << '\n';
            return kExitError;
        }
        out << "  file    " << path << '\n';
    }
    for (const DemoContent::Cookie& c : demo.cookies) {
        if (!write(cookies + "\\" + c.fileName, c.bytes)) {
            err << "quellon-cli: cannot write " << cookies << "\\" << c.fileName << '\n';
            return kExitError;
        }
    }
    out << "  cookies " << cookies << ": " << demo.cookies.size() << " files\n";

    // The registry keys, imported by Wine's reg.
    const fs::path traces = home / "demo-traces.reg";
    {
        std::ofstream file(traces, std::ios::binary | std::ios::trunc);
        file << WithoutDynData(demo.registry);
        if (!file.flush()) {
            err << "quellon-cli: cannot write " << traces << '\n';
            return kExitError;
        }
    }
    if (!wine.Run("timeout 120 wine reg import " + Quoted(backend->WindowsPathOf(traces)))) {
        err << "quellon-cli: Wine's reg could not import " << traces << " (" << wine.Failed()
            << "):\n"
            << wine.Tail();
        return kExitError;
    }
    out << "  registry keys and values of every hive but HKEY_DYN_DATA, imported with "
           "\"wine reg import\"\n";

    // The adware stand-in: a Windows program with the version data of its maker.
    const std::string program = "C:\\Program Files\\QP AdBar\\" + demo.processName;
    if (!write(program,
               formats::winexe::SleepingProgram(kProcessSeconds, demo.processVersionData))) {
        err << "quellon-cli: cannot write " << program << '\n';
        return kExitError;
    }
    const fs::path script = dir / "start-demo-process.sh";
    {
        std::ofstream file(script, std::ios::binary | std::ios::trunc);
        file << kProcessScript;
    }
    fs::permissions(script, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    // Wine saves the imported keys into the prefix's files when it ends.
    wine.Run("timeout 120 wineserver -w");
    out << "  " << script.filename().string() << " starts " << program << " (company \""
        << demo.processCompany << "\") under Wine\n"
        << "\nTo scan it:\n"
        << "  " << Quoted(script.string()) << '\n'
        << "  quellon-cli --machine " << Quoted(dir.string()) << " --config "
        << Quoted((dir / "config").string()) << " scan\n";
    return kExitOk;
}

}  // namespace quellon::cli
