// quellon-cli end to end on a real Wine prefix: make-demo --wine makes it,
// a Windows program runs in it under Wine, and scan --remove cleans it
// through Wine while Wine runs. Skipped where wine is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <utility>

#include "cli/demo.h"
#include "cli_fixture.h"
#include "definitions/codec.h"
#include "formats/windows_executable.h"
#include "support/wine_prefix_posix.h"

namespace quellon::cli {
namespace {

bool HaveWine() {
    return std::system(
               "command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") == 0;
}

// The first string of /proc/<pid>/cmdline.
std::string ProgramOf(const std::string& pid) {
    const std::string cmdline = ReadAll(fs::path("/proc") / pid / "cmdline");
    return cmdline.substr(0, cmdline.find('\0'));
}

class CliWine : public CliEndToEnd {
protected:
    void TearDown() override {
        if (!prefix_.empty()) {
            Wine("timeout 60 wineserver -k; timeout 60 wineserver -w");
            testing::WinePrefix::RemoveServerFolder(prefix_);
        }
    }
    // A shell command with the prefix's Wine variables.
    Result Wine(const std::string& command) {
        return Shell("env WINEPREFIX=" + Quoted(prefix_.string()) +
                     " HOME=" + Quoted((prefix_ / "home").string()) +
                     " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'"
                     " DISPLAY= sh -c " +
                     Quoted(command));
    }
    // Whether Wine's reg finds the key (and value).
    bool WineHas(const std::string& key, const std::string& value = {}) {
        std::string command = "timeout 60 wine reg query " + Quoted(key);
        if (!value.empty()) {
            command += " /v " + Quoted(value);
        }
        return Wine(command).status == 0;
    }
    Result Run(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--home",    home_.string(),
                                        "--machine", prefix_.string(),
                                        "--config",  (prefix_ / "config").string()};
        all.insert(all.end(), args.begin(), args.end());
        return Cli(all);
    }

    fs::path prefix_, home_;
};

// A wineboot that fails says which step failed and how it ended.
TEST_F(CliWine, AFailedWinebootIsSaidWithTheStepAndItsStatus) {
    const fs::path stubs = tmp_.path() / "stubs";
    fs::create_directories(stubs);
    for (const auto& [name, code] : {std::pair{"wine", 0}, {"wineserver", 0}, {"wineboot", 3}}) {
        WriteAll(stubs / name, "#!/bin/sh\nexit " + std::to_string(code) + "\n");
        fs::permissions(stubs / name, fs::perms::owner_all);
    }
    const fs::path prefix = tmp_.path() / "prefix";
    const Result made = Shell("PATH=" + Quoted(stubs.string()) + ":\"$PATH\" " +
                              Quoted((bin_ / "quellon-cli").string()) + " make-demo --wine " +
                              Quoted(prefix.string()));
    EXPECT_EQ(made.status, 2) << made.out << made.err;
    EXPECT_NE(made.err.find("did not make a prefix (`timeout 300 wineboot --init` ended with "
                            "status "),
              std::string::npos)
        << made.err;
    EXPECT_FALSE(fs::exists(prefix / "system.reg"));
}

TEST_F(CliWine, WineDemoPrefixIsFoundWholeAndCleanedThroughWine) {
    if (!HaveWine()) {
        GTEST_SKIP() << "wine is not installed (Debian: apt-get install wine wine64)";
    }
    const fs::path prefix = tmp_.path() / "demo prefix";
    const Result made = Cli({"make-demo", "--wine", prefix.string()});
    prefix_ = prefix;
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    EXPECT_EQ(Cli({"make-demo", "--wine", prefix.string()}).status, 2);
    ASSERT_TRUE(fs::exists(prefix / "system.reg"));

    // The demo's adware stand-in runs under Wine, as a Windows program.
    const Result started = Shell(Quoted((prefix / "start-demo-process.sh").string()));
    ASSERT_EQ(started.status, 0) << started.err;
    const std::string demoPid = started.out.substr(0, started.out.find('\n'));
    EXPECT_EQ(ProgramOf(demoPid), "C:\\Program Files\\QP AdBar\\qpbarsvc.exe");
    EXPECT_EQ(Wine("timeout 60 wineserver -k; timeout 60 wineserver -w").status, 0);

    // The starter definitions, but a process name of this test's own: the
    // memory scan sees every process of the system, and stops those it lists.
    home_ = tmp_.path() / "home";
    fs::create_directories(home_);
    for (const char* name :
         {"FileDefinition.dat", "RegistryDefinition.dat", "BlockedCookies.dat"}) {
        fs::copy_file(bin_ / name, home_ / name);
    }
    const std::string program = "qwd" + std::to_string(::getpid()) + ".exe";
    WriteAll(home_ / "ExeDefinition.dat", definitions::EncodeDefinitionLine(program) + "\r\n");
    WriteAll(prefix / "drive_c" / "Program Files" / "QP AdBar" / program,
             formats::winexe::SleepingProgram(120, Demo().processVersionData));
    Wine("setsid wine " + Quoted("C:\\Program Files\\QP AdBar\\" + program) +
         " </dev/null >/dev/null 2>&1 &");
    bool running = false;
    for (int i = 0; i < 300 && !running; ++i) {
        // Processes come and go while /proc is read: no step of it may throw.
        std::error_code ec;
        for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
            const std::string pid = it->path().filename().string();
            running = running || (std::isdigit(static_cast<unsigned char>(pid[0])) &&
                                  ProgramOf(pid).ends_with("\\" + program));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(running) << program << " did not start under Wine";
    // A key that Wine so far holds in memory only.
    ASSERT_EQ(Wine("timeout 60 wine reg add 'HKCU\\Software\\Dialer99' /v Mode /d on /f").status,
              0);

    const Result scanned = Run({"scan"});
    EXPECT_EQ(scanned.status, 1) << scanned.err;
    std::string upper = program;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::vector<std::string> found = scanned.Tagged("found");
    for (const std::string& expected :
         {"Detected in the memory : " + upper + " was stopped from running.",
          std::string("Dialer99 - Found"), std::string("QP AdBar Toolbar - Found"),
          std::string("PopperAds - Found"), std::string("Cookie Found: user@qpadbar[1].txt"),
          std::string("RegKey Software\\QPOrphanKey - Found")}) {
        EXPECT_NE(std::find(found.begin(), found.end(), expected), found.end())
            << expected << " not in:\n"
            << scanned.out;
    }
    EXPECT_EQ(scanned.out.find("StatusBarPlus"), std::string::npos);  // Microsoft's, passed over

    // Removal while Wine runs: through Wine, and nothing lost when Wine ends.
    Wine("setsid wine " + Quoted("C:\\Program Files\\QP AdBar\\" + program) +
         " </dev/null >/dev/null 2>&1 &");
    const Result removed = Run({"scan", "--remove"});
    EXPECT_EQ(removed.status, 1) << removed.err;
    EXPECT_TRUE(removed.Tagged("problem").empty()) << removed.out;
    EXPECT_FALSE(WineHas("HKCU\\Software\\Dialer99"));
    EXPECT_FALSE(WineHas("HKCU\\Software\\QP AdBar"));
    EXPECT_FALSE(WineHas("HKLM\\Software\\SearchHelper"));
    EXPECT_FALSE(WineHas("HKLM\\Software\\Classes\\CLSID\\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}"));
    EXPECT_FALSE(WineHas("HKU\\.DEFAULT\\Software\\PopperAds"));
    EXPECT_FALSE(WineHas("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "PopperAds"));
    EXPECT_TRUE(WineHas("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "TrayClock"));
    EXPECT_FALSE(fs::exists(prefix / "drive_c" / "windows" / "system32" / "qpadbar.dll"));
    EXPECT_TRUE(fs::exists(home_ / "quarantine" / "qpadbar.dll"));
    ASSERT_EQ(Wine("timeout 60 wineserver -k; timeout 60 wineserver -w").status, 0);
    const std::string user = ReadAll(prefix / "user.reg");
    EXPECT_EQ(user.find("[Software\\\\Dialer99]"), std::string::npos);
    EXPECT_EQ(user.find("[Software\\\\QP AdBar]"), std::string::npos);
    EXPECT_NE(user.find("\"TrayClock\""), std::string::npos);

    // The prefix still starts, and a scan now finds nothing.
    EXPECT_TRUE(WineHas("HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot"));
    const Result again = Run({"scan"});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
}

}  // namespace
}  // namespace quellon::cli
