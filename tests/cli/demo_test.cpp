// End-to-end runs of the built quellon-cli program: the demo machine, the
// starter definition files next to the program and the settings commands.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_fixture.h"
#include "support/temp_dir.h"

namespace quellon::cli {
namespace {

constexpr const char* kMissingDefinitions =
    "Definition files are missing or they have been corrupted. Please run Liveupdate.";
constexpr const char* kStarterNames[] = {"FileDefinition", "RegistryDefinition", "ExeDefinition",
                                         "BlockedCookies"};

// The stand-in adware process of the demo machine. It is stopped by the
// scan; if a test ends early it is ended here, by its id, as long as it still
// runs the demo's copy.
class DemoProcess {
public:
    DemoProcess(int pid, fs::path exe) : pid_(pid), exe_(std::move(exe)) {}
    ~DemoProcess() {
        if (RunsCopy()) {
            ::kill(pid_, SIGKILL);
        }
    }
    // Ended, or ended and waiting for its parent to collect it.
    bool Ended() const {
        const std::string stat = ReadAll(fs::path("/proc") / std::to_string(pid_) / "stat");
        const size_t close = stat.rfind(')');
        return stat.empty() ||
               (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
    }
    bool RunsCopy() const {
        std::error_code ec;
        const fs::path target =
            fs::read_symlink(fs::path("/proc") / std::to_string(pid_) / "exe", ec);
        return !ec && target == exe_ && !Ended();
    }

private:
    int pid_;
    fs::path exe_;
};

// Both scans run in one test: the memory scan sees every process of the
// system, so a clean scan must not overlap with a running demo process.
TEST_F(CliEndToEnd, EmptyMachineIsCleanAndDemoMachineShowsEveryKind) {
    const fs::path empty = tmp_.path() / "empty machine";
    fs::create_directories(empty / "drive_c");
    const Result clean = Scan(bin_, empty);
    EXPECT_EQ(clean.status, 0) << clean.out << clean.err;
    EXPECT_TRUE(clean.Tagged("found").empty()) << clean.out;
    EXPECT_TRUE(clean.Tagged("item").empty()) << clean.out;
    ASSERT_FALSE(clean.Lines().empty());
    EXPECT_EQ(clean.Lines().back(), "Scanning complete.");

    const fs::path demo = tmp_.path() / "demo machine";
    const Result made = Cli({"make-demo", demo.string()});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.out.find("start-demo-process.sh"), std::string::npos) << made.out;
    EXPECT_TRUE(fs::is_regular_file(demo / "registry.reg"));

    const Result refused = Cli({"make-demo", demo.string()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_FALSE(refused.err.empty());

    const Result started = Shell(Quoted((demo / "start-demo-process.sh").string()));
    ASSERT_EQ(started.status, 0) << started.err;
    const int pid = std::atoi(started.out.c_str());
    ASSERT_GT(pid, 0) << started.out;
    const fs::path copy = demo / "drive_c" / "Program Files" / "QP AdBar" / "qpbarsvc.exe";
    DemoProcess process(pid, fs::canonical(copy));
    ASSERT_TRUE(process.RunsCopy());

    const Result scan = Scan(bin_, demo);
    EXPECT_EQ(scan.status, 1) << scan.err;
    ASSERT_FALSE(scan.Lines().empty());
    EXPECT_EQ(scan.Lines().back(), "Scanning complete.");

    // One cookie per kind of pattern (plain, "www." dropped, *, ?, #, [list],
    // [!list], ranges); the near misses beside them are not listed.
    std::vector<std::string> expected = {
        "Cookie Found: user@qpadbar[1].txt",
        "Cookie Found: user@www.dialer99[1].txt",
        "Cookie Found: user@ads.searchhelper[1].txt",
        "Cookie Found: user@stats7.tickertock[1].txt",
        "Cookie Found: user@ads42.popperads[1].txt",
        "Cookie Found: user@cdnb.qpadbar[1].txt",
        "Cookie Found: user@countx.clickcount2k[1].txt",
        "Cookie Found: user@track12.dialer99[2].txt",
        "Detected in the memory : QPBARSVC.EXE was stopped from running.",
        "QP AdBar Toolbar - Found",
        "PopperAds - Found",
        "Dialer99 - Found",
        "SearchHelper - Found",
        "RegKey Software\\QPOrphanKey - Found",
        "TickerTock Weather - Found",
        "ClickCounter 2000 - Found",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(scan.Tagged("found"), expected) << scan.out;

    const std::vector<std::string> items = scan.Tagged("item");
    const auto hasItem = [&](const std::string& row) {
        return std::find(items.begin(), items.end(), row) != items.end();
    };
    EXPECT_TRUE(
        hasItem("ClickCounter 2000\tC:\\Program Files\\ClickCounter 2000\\clickcount2k.exe"))
        << scan.out;
    EXPECT_TRUE(
        hasItem("Dialer99\tHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"))
        << scan.out;
    EXPECT_TRUE(
        hasItem("Cookie: user@ads42.popperads[1].txt\tC:\\Documents and "
                "Settings\\User\\Cookies\\user@ads42.popperads[1].txt"))
        << scan.out;
    // The listed file published by Microsoft is passed over.
    EXPECT_EQ(scan.out.find("StatusBarPlus"), std::string::npos);
    EXPECT_EQ(scan.out.find("qpstatus"), std::string::npos);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!process.Ended() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(process.Ended());
}

TEST_F(CliEndToEnd, ScanWithoutDefinitionFilesCannotRun) {
    const fs::path home = tmp_.path() / "home";
    const fs::path machine = tmp_.path() / "machine";
    fs::create_directories(home);
    fs::create_directories(machine / "drive_c");
    const Result r = Scan(home, machine);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(kMissingDefinitions), std::string::npos) << r.err;
    EXPECT_TRUE(r.Tagged("found").empty());
}

TEST_F(CliEndToEnd, StarterDefinitionsDecodeToTheirSourceAndEncodeBack) {
    const fs::path source = SourceFolder() / "data" / "definitions";
    for (const char* name : kStarterNames) {
        SCOPED_TRACE(name);
        const fs::path stored = bin_ / (std::string(name) + ".dat");
        const std::string plain = ReadAll(source / (std::string(name) + ".txt"));
        const std::string scrambled = ReadAll(stored);
        ASSERT_FALSE(plain.empty());
        EXPECT_EQ(std::count_if(scrambled.begin(), scrambled.end(),
                                [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }),
                  0);

        const Result decoded = Cli({"decode", stored.string()});
        EXPECT_EQ(decoded.status, 0) << decoded.err;
        EXPECT_EQ(decoded.out, WithoutCr(plain));

        WriteAll(tmp_.path() / "plain.txt", decoded.out);
        const fs::path again = tmp_.path() / "again.dat";
        const Result encoded =
            Cli({"encode", (tmp_.path() / "plain.txt").string(), "--output", again.string()});
        EXPECT_EQ(encoded.status, 0) << encoded.err;
        EXPECT_EQ(ReadAll(again), scrambled);
    }

    // A byte that would read back as a letter cannot be stored.
    WriteAll(tmp_.path() / "lossy.txt", "caf\xC9.exe\r\n");
    EXPECT_NE(Cli({"encode", (tmp_.path() / "lossy.txt").string()}).status, 0);
}

TEST_F(CliEndToEnd, SettingsKeepValuesExactly) {
    const std::vector<std::string> base = {"--machine", tmp_.path().string(), "--config",
                                           (tmp_.path() / "config").string(), "settings"};
    const std::string values[] = {"  blanks = and = signs  ", "[x]; #1 100%=done"};
    for (const std::string& value : values) {
        std::vector<std::string> set = base;
        set.insert(set.end(), {"set", "Quellon Pro", "Option and Settings", "Note", value});
        const Result stored = Cli(set);
        ASSERT_EQ(stored.status, 0) << stored.err;

        std::vector<std::string> get = base;
        get.insert(get.end(), {"get", "Quellon Pro", "Option and Settings", "Note"});
        const Result read = Cli(get);
        EXPECT_EQ(read.status, 0) << read.err;
        EXPECT_EQ(read.out, value + "\n");
    }
}

}  // namespace
}  // namespace quellon::cli
