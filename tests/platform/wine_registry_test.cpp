// A Wine prefix as a machine root, over files laid out as Wine writes them:
// the hives, changes that leave the rest of a file alone, bad files, the
// folders and version the prefix names, restore points, and Windows
// programs under Wine in the process list.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/ansi.h"
#include "platform/posix/backend.h"
#include "platform/registry.h"
#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using platform::RegType;
using platform::RegValue;
using testing::ReadBytes;
using testing::TestMachine;

constexpr std::uint32_t kAccess = platform::kKeyAllAccessMask63;

RegValue Str(std::string_view s) {
    return {RegType::kString, std::string(s) + '\0'};
}

// The value's type and bytes as text; "missing" when the key or value is.
std::string Query(platform::Registry& reg, platform::Hive hive, std::string_view key,
                  std::string_view name) {
    const platform::RegKey k = reg.OpenKey(hive, key, kAccess);
    if (k == 0) {
        return "missing";
    }
    std::optional<RegValue> v = reg.QueryValue(k, name);
    reg.CloseKey(k);
    if (!v) {
        return "missing";
    }
    std::string data = v->data;
    if (!data.empty() && data.back() == '\0') {
        data.pop_back();
    }
    return std::to_string(static_cast<int>(v->type)) + ":" + data;
}

bool Exists(platform::Registry& reg, platform::Hive hive, std::string_view key) {
    const platform::RegKey k = reg.OpenKey(hive, key, kAccess);
    reg.CloseKey(k);
    return k != 0;
}

// Hex of UTF-16 text, as Wine lists REG_LINK data.
std::string LinkData(std::string_view target) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : ansi::ToUtf16Le(target)) {
        out += out.empty() ? "" : ",";
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

const std::string kSystem = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Classes\\CLSID\\{5A1E0B7C-0001}\\InprocServer32] 1796784376
#time=1dd878775f3d12c
@="C:\\windows\\system32\\qpadbar.dll"

[Software\\Classes\\txtfile] 1796784376
#time=1dd878775f3d12c
@="Text Document"

[Software\\Classes\\Wow6432Node\\CLSID\\{5A1E0B7C-0002}] 1796784376
#time=1dd878775f3d12c
@="reached through a link"

[Software\\Microsoft\\Windows NT\\CurrentVersion] 1796784376
#time=1dd878776033aae
"CurrentVersion"="6.1"
"SystemRoot"="C:\\windows"

[Software\\Microsoft\\Windows\\CurrentVersion\\Run] 1796784376
#time=1dd878776033aae
"Dialer99"="C:\\Program Files\\Dialer99\\dialer99.exe -silent"
"TrayClock"="C:\\Program Files\\TrayClock\\trayclock.exe"

[Software\\Wine\\Drives] 1796784376
#time=1dd878776033aae
"d:"="cdrom"

[Software\\Wow6432Node\\Classes] 1796784368
#time=1dd878771387656
#link
"SymbolicLinkValue"=hex(6):)" +
                            LinkData("\\Registry\\Machine\\Software\\Classes\\Wow6432Node") +
                            R"(

[System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts] 1796784376
#time=1dd878776033aae
"LogPixels"=dword:00000060
)";

const std::string kUser = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Classes\\QPAdBar.Toolbar] 1796784376
#time=1dd878775f25252
@="QP AdBar Toolbar"

[Software\\Classes\\txtfile] 1796784376
#time=1dd878775f25252
@="My Text"

[Software\\Microsoft\\Internet Explorer\\Main] 1796784376
#time=1dd878775f25252
"Search Page"="https://www.google.com"
"Start Page"="https://www.winehq.org"

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1796784375
#time=1dd878775c90e92
"Cookies"="C:\\users\\tester\\AppData\\Local\\Microsoft\\Windows\\INetCookies"
"Desktop"="C:\\users\\tester\\Desktop"
"Programs"="C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"

[Software\\QP AdBar] 1796784376
#time=1dd878775f25252
"Caf\xe9"="\x20ac"
"Toolbar"="1"
)";

const std::string kUserDefault = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\.Default

#arch=win64

[Software\\PopperAds] 1796784376
#time=1dd878775f25252
"Installed"=dword:00000001
)";

// The blocks of a Wine file ("[key] ..." up to the next one).
std::vector<std::string> Blocks(const std::string& text) {
    std::vector<std::string> blocks;
    size_t at = 0;
    while (at < text.size()) {
        size_t next = text.find("\n[", at + 1);
        next = next == std::string::npos ? text.size() : next + 1;
        blocks.push_back(text.substr(at, next - at));
        at = next;
    }
    return blocks;
}

class WinePrefixRoot : public ::testing::Test {
protected:
    void SetUp() override {
        m.PlantLinuxFile("system.reg", kSystem);
        m.PlantLinuxFile("user.reg", kUser);
        m.PlantLinuxFile("userdef.reg", kUserDefault);
        fs::create_directories(m.Root() / "dosdevices");
        fs::create_symlink("../drive_c", m.Root() / "dosdevices" / "c:");
        fs::create_directories(m.Root() / "cdrom");
        fs::create_symlink("../cdrom", m.Root() / "dosdevices" / "d:");
    }
    platform::Registry& Reg() { return m.Platform().registry; }
    TestMachine m;
};

TEST_F(WinePrefixRoot, HivesAreReadFromWinesFilesAsWindowsMapsThem) {
    // A registry.reg beside Wine's files is not what Wine reads, nor we.
    m.WriteRegistry("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Stray]\r\n");
    auto& reg = Reg();
    using namespace platform;
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                    "dialer99"),
              "1:C:\\Program Files\\Dialer99\\dialer99.exe -silent");
    EXPECT_EQ(
        Query(reg, kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page"),
        "1:https://www.winehq.org");
    // Text beyond ASCII is seen as the ANSI API shows it.
    EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP AdBar", "CAF\xC9"), "1:\x80");
    EXPECT_FALSE(Exists(reg, kHkeyCurrentUser, "Stray"));
    // HKEY_USERS: .DEFAULT and the user's own key, which is HKEY_CURRENT_USER.
    EXPECT_TRUE(Exists(reg, kHkeyUsers, ""));
    EXPECT_EQ(Query(reg, kHkeyUsers, ".DEFAULT\\Software\\PopperAds", "Installed"),
              std::string("4:\x01\0\0", 5));
    EXPECT_EQ(Query(reg, kHkeyUsers, "S-1-5-21-0-0-0-1000\\Software\\QP AdBar", "Toolbar"), "1:1");
    EXPECT_FALSE(Exists(reg, kHkeyUsers, "S-1-5-18"));
    // HKEY_CLASSES_ROOT: the user's classes over the machine's.
    EXPECT_EQ(Query(reg, kHkeyClassesRoot, "QPAdBar.Toolbar", ""), "1:QP AdBar Toolbar");
    EXPECT_EQ(Query(reg, kHkeyClassesRoot, "CLSID\\{5A1E0B7C-0001}\\InprocServer32", ""),
              "1:C:\\windows\\system32\\qpadbar.dll");
    EXPECT_EQ(Query(reg, kHkeyClassesRoot, "txtfile", ""), "1:My Text");
    EXPECT_EQ(Query(reg, kHkeyCurrentConfig, "Software\\Fonts", "LogPixels"),
              std::string("4:\x60\0\0", 5));
    // A link is followed to its target.
    EXPECT_EQ(
        Query(reg, kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\CLSID\\{5A1E0B7C-0002}", ""),
        "1:reached through a link");
    EXPECT_FALSE(Exists(reg, kHkeyDynData, ""));
    EXPECT_FALSE(Exists(reg, kHkeyLocalMachine, "Software\\Nothing"));

    // The folders and version the prefix names; machine.ini still overrides.
    m.WriteMachineIni("[Folders]\r\nDesktop=C:\\Desk\r\n");
    Backend fresh(m.Root(), m.Config());
    auto& shell = fresh.Platform().shell;
    EXPECT_EQ(shell.WindowsDirectory(), "C:\\windows");
    EXPECT_EQ(shell.SystemDirectory(), "C:\\windows\\system32");
    EXPECT_EQ(shell.SpecialFolder(kCsidlCookies),
              "C:\\users\\tester\\AppData\\Local\\Microsoft\\Windows\\INetCookies");
    EXPECT_EQ(shell.SpecialFolder(kCsidlPrograms),
              "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
    EXPECT_EQ(shell.SpecialFolder(kCsidlDesktopDirectory), "C:\\Desk");
    const std::optional<OsVersion> version = fresh.Platform().processes.Version();
    ASSERT_TRUE(version);
    EXPECT_EQ(version->platformId, 2u);
    EXPECT_EQ(version->major, 6u);
    EXPECT_EQ(version->minor, 1u);
    const std::vector<Drive> drives = shell.Drives();
    ASSERT_GE(drives.size(), 2u);
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[0].type, DriveType::kFixed);
    EXPECT_EQ(drives[1].letter, 'D');
    EXPECT_EQ(drives[1].type, DriveType::kCdRom);
}

TEST_F(WinePrefixRoot, ChangesGoIntoTheirFileAndLeaveTheRestAsItWas) {
    auto& reg = Reg();
    using namespace platform;
    const RegKey main =
        reg.OpenKey(kHkeyCurrentUser, "software\\microsoft\\internet explorer\\main", kAccess);
    ASSERT_NE(main, 0u);
    EXPECT_TRUE(reg.SetValue(main, "Start Page", Str("about:blank")));
    reg.CloseKey(main);
    // Only the block of the key changed, and in it only the value and the time stamps.
    const std::vector<std::string> before = Blocks(kUser),
                                   after = Blocks(ReadBytes(m.Root() / "user.reg"));
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].find("Internet Explorer") == std::string::npos) {
            EXPECT_EQ(after[i], before[i]);
        } else {
            EXPECT_NE(after[i].find("\"Search Page\"=\"https://www.google.com\"\n"
                                    "\"Start Page\"=\"about:blank\"\n"),
                      std::string::npos)
                << after[i];
        }
    }
    EXPECT_EQ(ReadBytes(m.Root() / "system.reg"), kSystem);
    EXPECT_EQ(ReadBytes(m.Root() / "userdef.reg"), kUserDefault);

    // HKEY_CLASSES_ROOT: a key is deleted wherever it is, a new one goes to the machine.
    EXPECT_TRUE(reg.DeleteKeyTree(kHkeyClassesRoot, "TXTFILE"));
    EXPECT_FALSE(Exists(reg, kHkeyClassesRoot, "txtfile"));
    EXPECT_EQ(ReadBytes(m.Root() / "system.reg").find("txtfile"), std::string::npos);
    EXPECT_EQ(ReadBytes(m.Root() / "user.reg").find("txtfile"), std::string::npos);
    const RegKey cls = reg.CreateKey(kHkeyClassesRoot, "QPNew.Class");
    ASSERT_NE(cls, 0u);
    EXPECT_TRUE(reg.SetValue(cls, "", Str("new")));
    reg.CloseKey(cls);
    EXPECT_NE(ReadBytes(m.Root() / "system.reg").find("[Software\\\\Classes\\\\QPNew.Class]"),
              std::string::npos);
    // The Run list, a value of .DEFAULT, and a link deleted as the link itself.
    const RegKey run = reg.OpenKey(kHkeyLocalMachine,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run", kAccess);
    EXPECT_TRUE(reg.DeleteValue(run, "Dialer99"));
    EXPECT_FALSE(reg.DeleteValue(run, "Dialer99"));
    reg.CloseKey(run);
    const RegKey popper = reg.CreateKey(kHkeyUsers, ".Default\\Software\\PopperAds");
    EXPECT_TRUE(reg.DeleteValue(popper, "Installed"));
    reg.CloseKey(popper);
    EXPECT_TRUE(reg.DeleteKeyTree(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes"));
    EXPECT_EQ(
        Query(reg, kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\CLSID\\{5A1E0B7C-0002}", ""),
        "1:reached through a link");
    EXPECT_FALSE(reg.DeleteKeyTree(kHkeyUsers, ".DEFAULT"));  // a file's root stays

    // A file changed by someone else meanwhile is read again before a change.
    std::string outside = ReadBytes(m.Root() / "user.reg");
    outside += "\n[Software\\\\Outside] 1796784999\n\"x\"=\"1\"\n";
    testing::WriteBytes(m.Root() / "user.reg", outside);
    const RegKey adbar = reg.OpenKey(kHkeyCurrentUser, "Software\\QP AdBar", kAccess);
    EXPECT_TRUE(reg.DeleteValue(adbar, "Toolbar"));
    reg.CloseKey(adbar);

    Backend fresh(m.Root(), m.Config());
    auto& again = fresh.Platform().registry;
    EXPECT_EQ(Query(again, kHkeyCurrentUser, "Software\\Outside", "x"), "1:1");
    EXPECT_EQ(Query(again, kHkeyCurrentUser, "Software\\QP AdBar", "Toolbar"), "missing");
    EXPECT_EQ(Query(again, kHkeyCurrentUser, "Software\\QP AdBar", "Caf\xE9"), "1:\x80");
    EXPECT_EQ(Query(again, kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                    "Start Page"),
              "1:about:blank");
    EXPECT_EQ(Query(again, kHkeyClassesRoot, "QPNew.Class", ""), "1:new");
    EXPECT_EQ(Query(again, kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    "Dialer99"),
              "missing");
    EXPECT_EQ(Query(again, kHkeyUsers, ".DEFAULT\\Software\\PopperAds", "Installed"), "missing");
    EXPECT_TRUE(Exists(again, kHkeyUsers, ".DEFAULT\\Software\\PopperAds"));

    // A restore point keeps copies of Wine's files.
    auto& points = m.Platform().restorePoints;
    const std::optional<std::int64_t> seq =
        points.SetRestorePoint(kBeginSystemChange, 0, 0, "before");
    ASSERT_TRUE(seq);
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        EXPECT_EQ(ReadBytes(m.Root() / "restore-points" / std::to_string(*seq) / name),
                  ReadBytes(m.Root() / name))
            << name;
    }
}

TEST_F(WinePrefixRoot, BadFilesAreReadAsFarAsTheyGoAndNeverReplacedBlindly) {
    using namespace platform;
    // user.reg cut short in the middle of a line, hand-edited with odd escapes.
    std::string cut = kUser.substr(0, kUser.find("\"Toolbar\"=\"1\"") + 8);
    cut = std::string(cut).insert(
        cut.find("[Software\\\\QP AdBar]"),
        "[Software\\\\Odd] 1\n\"a\"=\"\\q\\x\\08\\\\\"\n\"b\"=\"no end\n\n");
    m.PlantLinuxFile("user.reg", cut);
    auto& reg = Reg();
    EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\Odd", "a"), std::string("1:qx\0"
                                                                              "8\\",
                                                                              7));
    EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\Odd", "b"), "missing");
    EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP AdBar", "Toolbar"), "missing");
    EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP AdBar", "Caf\xE9"), "1:\x80");
    EXPECT_EQ(Query(reg, kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    "TrayClock"),
              "1:C:\\Program Files\\TrayClock\\trayclock.exe");
    // A change keeps what could not be read, byte for byte.
    const RegKey odd = reg.OpenKey(kHkeyCurrentUser, "Software\\Odd", kAccess);
    EXPECT_TRUE(reg.SetValue(odd, "c", Str("3")));
    reg.CloseKey(odd);
    const std::string written = ReadBytes(m.Root() / "user.reg");
    EXPECT_NE(written.find("\"b\"=\"no end\n"), std::string::npos);
    EXPECT_EQ(written.substr(written.size() - 9), "\n\"Toolbar");  // the cut line, still cut

    // Without user.reg HKEY_CURRENT_USER is empty, and a change makes the file.
    fs::remove(m.Root() / "user.reg");
    Backend noUser(m.Root(), m.Config());
    auto& reg2 = noUser.Platform().registry;
    EXPECT_FALSE(Exists(reg2, kHkeyCurrentUser, "Software\\QP AdBar"));
    EXPECT_EQ(Query(reg2, kHkeyLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion",
                    "SystemRoot"),
              "1:C:\\windows");
    EXPECT_EQ(noUser.Platform().shell.SpecialFolder(kCsidlCookies),
              "C:\\Documents and Settings\\User\\Cookies");
    const RegKey main =
        reg2.CreateKey(kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main");
    ASSERT_NE(main, 0u);
    EXPECT_TRUE(reg2.SetValue(main, "Start Page", Str("about:blank")));
    reg2.CloseKey(main);
    const std::string made = ReadBytes(m.Root() / "user.reg");
    EXPECT_EQ(made.rfind("WINE REGISTRY Version 2\n"
                         ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                         "#arch=win64\n\n[Software\\\\Microsoft\\\\Internet Explorer\\\\Main] ",
                         0),
              0u)
        << made;

    // A user.reg that is not Wine's is neither read nor replaced.
    const std::string foreign =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n";
    m.PlantLinuxFile("user.reg", foreign);
    Backend other(m.Root(), m.Config());
    auto& reg3 = other.Platform().registry;
    EXPECT_FALSE(Exists(reg3, kHkeyCurrentUser, "x"));
    EXPECT_EQ(reg3.CreateKey(kHkeyCurrentUser, "Software\\New"), 0u);
    EXPECT_NE(reg3.TakeFailureNote().find("user.reg"), std::string::npos);
    EXPECT_EQ(reg3.TakeFailureNote(), "");
    EXPECT_EQ(ReadBytes(m.Root() / "user.reg"), foreign);
}

// A stand-in for a Windows program under Wine: a copy of sleep named like
// Wine's loader, started with a Windows path as its command line and a
// prefix in its environment, as Wine's loader shows in /proc.
class FakeWineProgram {
public:
    FakeWineProgram(const fs::path& folder, const std::string& commandLine,
                    const std::string& prefix) {
        fs::create_directories(folder);
        const fs::path loader = folder / "wine64";
        if (!fs::exists(loader)) {
            fs::copy_file("/bin/sleep", loader);
        }
        pid_ = fork();
        if (pid_ == 0) {
            std::string env = "WINEPREFIX=" + prefix;
            char* envp[] = {env.data(), nullptr};
            std::string arg0 = commandLine;
            char seconds[] = "30";
            char* argv[] = {arg0.data(), seconds, nullptr};
            execve(loader.c_str(), argv, prefix.empty() ? argv + 2 : envp);
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            std::error_code ec;
            if (fs::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec) == loader) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~FakeWineProgram() {
        if (pid_ > 0) {  // never kill(-1): that is every process
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::uint32_t Pid() const { return static_cast<std::uint32_t>(pid_); }
    bool Ended() {
        for (int i = 0; i < 400; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

private:
    pid_t pid_ = -1;
};

std::string ExeFileOf(platform::Processes& procs, std::uint32_t pid) {
    const auto snapshot = procs.Snapshot();
    for (const auto& e : snapshot.value_or(std::vector<platform::ProcessEntry>{})) {
        if (e.pid == pid) {
            return e.exeFile;
        }
    }
    return "(not listed)";
}

TEST_F(WinePrefixRoot, WindowsProgramsUnderWineAreListedByTheirWindowsPath) {
    m.PlantFile("C:\\Program Files\\QX Bar\\qxbar.exe", "MZ");
    m.PlantFile("C:\\windows\\system32\\qxhelp.exe", "MZ");
    const fs::path loaders = m.Root().parent_path() / "wine-bin";
    FakeWineProgram ours(loaders, "C:\\Program Files\\QX Bar\\qxbar.exe", m.Root().string());
    // A path with a blank given without quotes, which Wine splits: "C:\Apps\QX" "30".
    m.PlantFile("C:\\Apps\\QX 30", "MZ");
    FakeWineProgram split(loaders, "C:\\Apps\\QX", m.Root().string());
    FakeWineProgram linuxPath(loaders,
                              (m.Root() / "drive_c/Program Files/QX Bar/qxbar.exe").string(),
                              m.Root().string() + "/");
    FakeWineProgram bare(loaders, "qxhelp", m.Root().string());
    FakeWineProgram otherPrefix(loaders, "C:\\Program Files\\QX Bar\\qxbar.exe",
                                (m.Root().parent_path() / "elsewhere").string());
    auto& procs = m.Platform().processes;
    EXPECT_EQ(procs.FirstModulePath(ours.Pid()), "C:\\Program Files\\QX Bar\\qxbar.exe");
    EXPECT_EQ(ExeFileOf(procs, ours.Pid()), "qxbar.exe");
    EXPECT_EQ(procs.FirstModulePath(linuxPath.Pid()), "C:\\Program Files\\QX Bar\\qxbar.exe");
    EXPECT_EQ(procs.FirstModulePath(bare.Pid()), "C:\\windows\\system32\\qxhelp.exe");
    EXPECT_EQ(procs.FirstModulePath(split.Pid()), "C:\\Apps\\QX 30");
    // Programs of another prefix are not this machine's.
    EXPECT_EQ(ExeFileOf(procs, otherPrefix.Pid()), "wine64");
    EXPECT_EQ(procs.FirstModulePath(otherPrefix.Pid())->substr(0, 3), "Z:\\");
    // Stopping one is a real signal.
    EXPECT_TRUE(procs.Terminate(ours.Pid(), platform::kProcessTerminate, 0));
    EXPECT_TRUE(ours.Ended());
}

}  // namespace
}  // namespace quellon::posix
