// What a crash leaves behind. quellon-cli's removal, and the writers of the
// settings, the registry and the exclusion list, are killed (SIGKILL) at
// every point where they are about to change a file (QUELLON_FAULT_KILL_AT):
// afterwards every planted file is in its place or in the quarantine with
// its log entry, and comes back byte for byte; a file being rewritten holds
// its old or its new content.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

#include "cli_fixture.h"
#include "common/lines.h"
#include "definitions/codec.h"
#include "definitions/exclusion_list.h"
#include "formats/reg_file.h"
#include "platform/posix/backend.h"
#include "platform/posix/io.h"
#include "removal/quarantine_log.h"
#include "support/scripted_host.h"
#include "support/sleeper.h"

namespace quellon::cli {
namespace {

std::string Encoded(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto line : lines) {
        out += definitions::EncodeDefinitionLine(line) + "\r\n";
    }
    return out;
}

constexpr std::string_view kRegistry =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\FaultWare]\r\n\"Mode\"=\"1\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\FaultWare\\Sub]\r\n@=\"x\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
    "\"FaultSync\"=\"C:\\\\Bad\\\\plain.txt\"\r\n\"Keep\"=\"k\"\r\n";

class FaultInjection : public CliEndToEnd {
protected:
    // A planted file: its place on the machine and its bytes.
    struct Planted {
        std::string windowsPath;
        std::string relative;
        std::string bytes;
    };

    // A fresh machine and program folder for run `n`. A crowded one already
    // holds copies of the same names in its quarantine, and a file in a
    // folder that cannot be changed, which stays and is tried again.
    void Build(int n, bool crowded) {
        run_ = tmp_.path() / ("run" + std::to_string(n));
        home_ = run_ / "home";
        machine_ = run_ / "machine";
        fs::create_directories(home_);
        runner_ = testing::UniqueProgramName("qfault");
        WriteAll(home_ / "FileDefinition.dat",
                 Encoded({"plain.txt=Plain|C:\\Bad", "lib.dll=Lib|C:\\Bad",
                          std::string(runner_ + "=Runner|[pfiles]Bad").c_str(),
                          "twin.txt=TwinOne|C:\\One", "twin.txt=TwinTwo|C:\\Two",
                          "other.ini=Plain|C:\\Bad"}));
        WriteAll(home_ / "RegistryDefinition.dat",
                 Encoded({"2^SOFTWARE\\FaultWare^=FaultWare",
                          "1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^FaultSync=Sync"}));
        WriteAll(home_ / "ExeDefinition.dat", "");
        WriteAll(home_ / "BlockedCookies.dat", Encoded({"faultads.example"}));
        planted_ = {
            {"C:\\Bad\\plain.txt", "Bad/plain.txt", "plain bytes\r\n"},
            {"C:\\Bad\\lib.dll", "Bad/lib.dll", std::string("MZ\0\x01 not loadable", 18)},
            {"C:\\Bad\\other.ini", "Bad/other.ini", "[x]\r\ny=1\r\n"},
            {"C:\\One\\twin.txt", "One/twin.txt", "first twin"},
            {"C:\\Two\\twin.txt", "Two/twin.txt", "second twin"},
            {"C:\\Documents and Settings\\User\\Cookies\\user@faultads[1].txt",
             "Documents and Settings/User/Cookies/user@faultads[1].txt",
             "id\n1\nfaultads.example/\n1024\n*\n"},
        };
        for (const Planted& p : planted_) {
            fs::create_directories((machine_ / "drive_c" / p.relative).parent_path());
            WriteAll(machine_ / "drive_c" / p.relative, p.bytes);
        }
        // The running program's file is copied there when it starts.
        planted_.push_back({"C:\\Program Files\\Bad\\" + runner_, "Program Files/Bad/" + runner_,
                            ReadAll("/bin/sleep")});
        WriteAll(machine_ / "registry.reg", std::string(kRegistry));
        if (crowded) {
            fs::create_directories(home_ / "quarantine");
            WriteAll(home_ / "quarantine" / "plain.txt", "an older plain.txt");
            WriteAll(home_ / "quarantine" / "twin.txt", "an older twin.txt");
            WriteAll(home_ / "quarantine" / "QuarantineLog.txt",
                     "1/2/2026 9:00:00 AM - File: plain.txt\r\nLocation: C:\\Old\\plain.txt\r\n"
                     "\r\n\r\n1/2/2026 9:00:00 AM - File: twin.txt\r\nLocation: "
                     "C:\\Old\\twin.txt\r\n\r\n\r\n");
            const fs::path locked = machine_ / "drive_c" / "Locked";
            fs::create_directories(locked);
            WriteAll(locked / "twin.txt", "locked twin");
            planted_.push_back({"C:\\Locked\\twin.txt", "Locked/twin.txt", "locked twin"});
            WriteAll(home_ / "FileDefinition.dat", ReadAll(home_ / "FileDefinition.dat") +
                                                       Encoded({"twin.txt=TwinOne|C:\\Locked"}));
            fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        }
    }

    std::string Folders() const {
        return "--home " + Quoted(home_.string()) + " --machine " + Quoted(machine_.string()) +
               " --config " + Quoted((run_ / "config").string());
    }

    // scan --remove with the given environment; the program that runs
    // meanwhile is the one the removal stops.
    Result RemoveWith(const std::string& env) {
        testing::Sleeper running(machine_ / "drive_c" / "Program Files" / "Bad", runner_);
        return Shell(env + " " + Quoted((bin_ / "quellon-cli").string()) + " " + Folders() +
                     " scan --remove");
    }

    // Every planted file is in its place, or in the quarantine with the log
    // entry that names where it came from; `restore` also puts each back.
    void CheckNothingLost(long point, bool restore) {
        // Where each copy came from, as "quarantine list" reads the log.
        removal::QuarantineLogReader log;
        for (const std::string& line :
             lines::SplitLines(ReadAll(home_ / "quarantine" / "QuarantineLog.txt"))) {
            log.Line(line);
        }
        std::map<std::string, std::string> copyOf;  // location -> quarantined name
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(home_ / "quarantine", ec)) {
            const std::string name = entry.path().filename().string();
            if (auto origin = log.Find(name); origin && name[0] != '.') {
                copyOf[origin->location] = name;
            }
        }
        for (const Planted& p : planted_) {
            const fs::path place = machine_ / "drive_c" / p.relative;
            if (fs::exists(place)) {
                EXPECT_EQ(ReadAll(place), p.bytes) << "kill point " << point << ": " << p.relative;
                continue;
            }
            const auto copy = copyOf.find(p.windowsPath);
            ASSERT_NE(copy, copyOf.end())
                << "kill point " << point << ": " << p.windowsPath << " is gone without a copy";
            EXPECT_EQ(ReadAll(home_ / "quarantine" / copy->second), p.bytes)
                << "kill point " << point << ": the copy of " << p.windowsPath;
            if (restore) {
                const Result back =
                    Shell(Quoted((bin_ / "quellon-cli").string()) + " " + Folders() +
                          " quarantine restore " + Quoted(copy->second));
                EXPECT_EQ(back.status, 0) << "kill point " << point << ": " << back.err;
                EXPECT_EQ(ReadAll(place), p.bytes) << "kill point " << point << ": restored";
            }
        }
        // The registry file reads whole, with each planted entry there as it
        // was or gone.
        formats::reg::File registry;
        formats::reg::Parse(ReadAll(machine_ / "registry.reg"), registry);
        const formats::reg::Key* run = registry.tree.Find(
            platform::kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        ASSERT_NE(run, nullptr) << "kill point " << point;
        const platform::RegValue* keep = run->FindValue("Keep");
        ASSERT_NE(keep, nullptr) << "kill point " << point;
        EXPECT_EQ(keep->data, std::string("k\0", 2)) << "kill point " << point;
    }

    // Runs the whole removal once to count its fault points, then kills it
    // at each one in turn.
    void KillEverywhere(bool crowded) {
        Build(0, crowded);
        const fs::path countFile = tmp_.path() / "points";
        const Result whole = RemoveWith("QUELLON_FAULT_COUNT=" + Quoted(countFile.string()));
        ASSERT_EQ(whole.status, 1) << whole.err;
        CheckNothingLost(0, true);
        const long points = std::stol(ReadAll(countFile));
        // The removal's own points (quarantine copies, log lines, registry
        // and exclusion writes); the scan before it writes the settings once.
        ASSERT_GE(points, 80) << "too few points where the run changes a file";
        long killed = 0;
        for (long point = 1; point <= points; ++point) {
            Build(static_cast<int>(point), crowded);
            const Result r = RemoveWith("QUELLON_FAULT_KILL_AT=" + std::to_string(point));
            // The shell reports a program killed by a signal as 128 + the
            // signal, or is killed with it when it ran the program in its
            // own place.
            const bool wasKilled = r.status == 128 + SIGKILL || r.status == -1;
            EXPECT_TRUE(wasKilled) << "kill point " << point << ": " << r.status << " " << r.err;
            killed += wasKilled;
            CheckNothingLost(point, point % 10 == 0);
            if (HasFatalFailure()) {
                return;
            }
            Unlock();
            fs::remove_all(run_);
        }
        std::cout << "removal killed at " << killed << " of " << points << " points\n";
    }
    void Unlock() {
        std::error_code ec;
        fs::permissions(machine_ / "drive_c" / "Locked", fs::perms::owner_all, ec);
    }
    void TearDown() override { Unlock(); }

    fs::path run_, home_, machine_;
    std::string runner_;
    std::vector<Planted> planted_;
};

TEST_F(FaultInjection, ARemovalKilledAnywhereLosesNoFile) {
    KillEverywhere(false);
}

TEST_F(FaultInjection, ARemovalBesideOlderCopiesAndALockedFileKilledAnywhereLosesNoFile) {
    KillEverywhere(true);
}

// Kills a child process at every fault point of `write` in turn; after each
// kill the file holds `before` or `after`, nothing else.
template <typename Write>
void KillEveryWrite(const fs::path& file, const std::string& before, const std::string& after,
                    Write write, const char* what) {
    long point = 1;
    for (;; ++point) {
        WriteAll(file, before);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            posix::io::SetFaultKillAt(point);
            write();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = ReadAll(file);
        EXPECT_TRUE(now == before || now == after)
            << what << " killed at point " << point << " left: " << now;
        if (WIFEXITED(status)) {
            // The write ran to its end before the point was reached.
            EXPECT_EQ(now, after) << what;
            break;
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << what;
    }
    EXPECT_GE(point, 3) << what << " passes too few fault points";
}

TEST(FaultInjectionWriters, SettingsRegistryAndExclusionsHoldOldOrNewContent) {
    testing::TempDir dir;
    const fs::path machine = dir.path() / "machine";
    const fs::path config = dir.path() / "config";
    fs::create_directories(machine / "drive_c" / "Program");
    fs::create_directories(config);

    // The settings store: a whole INI file replaced.
    const fs::path ini = config / "Quellon Pro.ini";
    const std::string oldIni = "[Settings]\nlblLastScan=Never\n";
    const std::string newIni = "[Settings]\nlblLastScan=12/7/2026 10:35:12 AM\n";
    KillEveryWrite(
        ini, oldIni, newIni,
        [&] {
            posix::Backend backend(machine, config);
            backend.Platform().settings.Set("Quellon Pro", "Settings", "lblLastScan",
                                            "12/7/2026 10:35:12 AM");
        },
        "the settings file");

    // The registry: a value deleted, the file written back.
    const fs::path reg = machine / "registry.reg";
    const std::string oldReg =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"
        "\"A\"=\"1\"\r\n\"B\"=\"2\"\r\n";
    std::string newReg;
    {
        formats::reg::File f;
        formats::reg::Parse(oldReg, f);
        f.tree.Find(platform::kHkeyLocalMachine, "SOFTWARE\\X")->DeleteValue("A");
        newReg = formats::reg::Write(f);
    }
    KillEveryWrite(
        reg, oldReg, newReg,
        [&] {
            posix::Backend backend(machine, config);
            auto& r = backend.Platform().registry;
            const platform::RegKey key = r.OpenKey(platform::kHkeyLocalMachine, "SOFTWARE\\X",
                                                   platform::kKeyAllAccessMask63);
            r.DeleteValue(key, "A");
            r.CloseKey(key);
        },
        "registry.reg");

    // The exclusion list: one entry appended.
    const fs::path exclusions = machine / "drive_c" / "Program" / "ENoSignature.txt";
    KillEveryWrite(
        exclusions, "a.exe\r\n", "a.exe\r\nbad.exe\r\n",
        [&] {
            posix::Backend backend(machine, config);
            testing::ScriptedHost host;
            definitions::ExclusionList list(backend.Platform().files, host, "C:\\Program");
            list.Append("bad.exe");
        },
        "ENoSignature.txt");
}

}  // namespace
}  // namespace quellon::cli
