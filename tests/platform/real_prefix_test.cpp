// The registry backend against a real Wine prefix made with wineboot, with
// keys and values put in and read back through Wine itself; skipped where
// wine is missing. One prefix for the whole test (wineboot takes a while).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/ansi.h"
#include "common/text.h"
#include "platform/posix/backend.h"
#include "support/test_machine.h"
#include "support/wine_prefix_posix.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using platform::RegType;
using platform::RegValue;
using testing::ReadBytes;
using testing::WinePrefix;

constexpr std::uint32_t kAccess = platform::kKeyAllAccessMask63;

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

bool Change(platform::Registry& reg, platform::Hive hive, std::string_view key,
            std::string_view name, const RegValue& value) {
    const platform::RegKey k = reg.CreateKey(hive, key);
    const bool ok = k != 0 && reg.SetValue(k, name, value);
    reg.CloseKey(k);
    return ok;
}

bool Remove(platform::Registry& reg, platform::Hive hive, std::string_view key,
            std::string_view name) {
    const platform::RegKey k = reg.OpenKey(hive, key, kAccess);
    const bool ok = k != 0 && reg.DeleteValue(k, name);
    reg.CloseKey(k);
    return ok;
}

RegValue Str(std::string_view s) {
    return {RegType::kString, std::string(s) + '\0'};
}

// The blocks of a Wine registry file that are not in the other one.
std::vector<std::string> BlocksNotIn(const std::string& text, const std::string& other) {
    auto blocks = [](const std::string& t) {
        std::vector<std::string> out;
        for (size_t at = 0; at < t.size();) {
            size_t next = t.find("\n[", at + 1);
            next = next == std::string::npos ? t.size() : next + 1;
            out.push_back(t.substr(at, next - at));
            at = next;
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::vector<std::string> a = blocks(text), b = blocks(other);
    std::vector<std::string> diff;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(diff));
    return diff;
}

// The key a block is about ("[Software\\\\X] 123..." -> "Software\\\\X").
std::string HeaderOf(const std::string& block) {
    return block.substr(1, block.find(']') - 1);
}

// What Wine's reg program finds, as it prints it; empty when it finds nothing.
std::string WineQuery(WinePrefix& wine, const std::vector<std::string>& args) {
    std::vector<std::string> all{"reg", "query"};
    all.insert(all.end(), args.begin(), args.end());
    return wine.Wine(all) == 0 ? wine.Output() : std::string();
}

TEST(RealWinePrefix, WineSeesWhatIsWrittenAndNothingIsLostWhileItRuns) {
    WinePrefix wine;
    if (!wine.Available()) {
        GTEST_SKIP() << "No Wine prefix to test with: " << wine.Why();
    }
    // Planted through Wine: a registry file imported with reg.
    const std::string traces =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\QP "
        "AdBar]\r\n\"Toolbar\"=\"1\"\r\n\"Caf\xe9\"=\"cr\xe8me\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\QPAdBar.Toolbar]\r\n@=\"QP AdBar Toolbar\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}]\r\n"
        "@=\"QP AdBar\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
        "\"Dialer99\"=\"C:\\\\Program Files\\\\Dialer99\\\\dialer99.exe -silent\"\r\n\r\n"
        "[HKEY_USERS\\.DEFAULT\\Software\\PopperAds]\r\n\"Installed\"=dword:00000001\r\n";
    testing::WriteBytes(wine.Home() / "traces.reg", "\xff\xfe" + ansi::ToUtf16Le(traces));
    std::string windowsPath = "Z:" + (wine.Home() / "traces.reg").string();
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    ASSERT_EQ(wine.Wine({"reg", "import", windowsPath}), 0) << wine.Output();
    wine.WaitForServer();

    const fs::path config = wine.Home() / "config";
    const std::string systemBefore = ReadBytes(wine.Root() / "system.reg");
    const std::string userBefore = ReadBytes(wine.Root() / "user.reg");
    {
        Backend backend(wine.Root(), config);
        auto& reg = backend.Platform().registry;
        using namespace platform;
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP AdBar", "Toolbar"), "1:1");
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP AdBar", "caf\xc9"), "1:cr\xe8me");
        EXPECT_EQ(Query(reg, kHkeyClassesRoot, "QPAdBar.Toolbar", ""), "1:QP AdBar Toolbar");
        EXPECT_EQ(Query(reg, kHkeyClassesRoot, "CLSID\\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}", ""),
                  "1:QP AdBar");
        EXPECT_EQ(Query(reg, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "Dialer99"),
                  "1:C:\\Program Files\\Dialer99\\dialer99.exe -silent");
        EXPECT_EQ(Query(reg, kHkeyUsers, ".DEFAULT\\Software\\PopperAds", "Installed"),
                  std::string("4:\x01\0\0", 5));
        EXPECT_NE(Query(reg, kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                        "Start Page"),
                  "missing");
        // The prefix's own folders and version.
        auto& shell = backend.Platform().shell;
        EXPECT_EQ(shell.WindowsDirectory(), "C:\\windows");
        const std::string cookies = shell.SpecialFolder(kCsidlCookies).value_or("");
        EXPECT_EQ(cookies.rfind("C:\\users\\", 0), 0u) << cookies;
        EXPECT_TRUE(text::EndsWithNoCase(cookies, "\\INetCookies")) << cookies;
        EXPECT_TRUE(backend.Platform().files.FolderExists(
            shell.SpecialFolder(kCsidlDesktopDirectory).value_or("")));
        const std::optional<OsVersion> version = backend.Platform().processes.Version();
        ASSERT_TRUE(version);
        EXPECT_EQ(version->platformId, 2u);
        EXPECT_GE(version->major, 5u);

        // Changes while no Wine runs go into the files.
        EXPECT_TRUE(Remove(reg, kHkeyLocalMachine,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Dialer99"));
        EXPECT_TRUE(reg.DeleteKeyTree(kHkeyCurrentUser, "Software\\QP AdBar"));
        EXPECT_TRUE(reg.DeleteKeyTree(kHkeyClassesRoot, "QPAdBar.Toolbar"));
        EXPECT_TRUE(Change(reg, kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                           "Start Page", Str("about:blank")));
        EXPECT_TRUE(Change(reg, kHkeyLocalMachine, "Software\\QP New", "Count",
                           {RegType::kDword, std::string("\x2a\0\0\0", 4)}));
    }
    // Nothing else in the files changed: only the blocks of the keys changed
    // and of their parents differ.
    const std::vector<std::string> changed = {
        "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run", "Software\\\\QP AdBar",
        "Software\\\\Classes\\\\QPAdBar.Toolbar",
        "Software\\\\Microsoft\\\\Internet Explorer\\\\Main", "Software\\\\QP New"};
    auto allowed = [&](const std::string& key) {
        return std::any_of(changed.begin(), changed.end(), [&](const std::string& c) {
            return c == key || c.rfind(key + "\\\\", 0) == 0;
        });
    };
    const std::string systemAfter = ReadBytes(wine.Root() / "system.reg");
    const std::string userAfter = ReadBytes(wine.Root() / "user.reg");
    for (const auto& [before, after] :
         {std::pair{systemBefore, systemAfter}, std::pair{userBefore, userAfter}}) {
        for (const std::string& block : BlocksNotIn(before, after)) {
            EXPECT_TRUE(allowed(HeaderOf(block))) << "changed or removed: " << block;
        }
        for (const std::string& block : BlocksNotIn(after, before)) {
            EXPECT_TRUE(allowed(HeaderOf(block))) << "changed or added: " << block;
        }
    }
    // Wine, started again, reads the files as changed.
    EXPECT_EQ(WineQuery(wine, {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v",
                               "Dialer99"}),
              "");
    EXPECT_EQ(WineQuery(wine, {"HKCU\\Software\\QP AdBar"}), "");
    EXPECT_EQ(WineQuery(wine, {"HKCU\\Software\\Classes\\QPAdBar.Toolbar"}), "");
    EXPECT_NE(
        WineQuery(wine, {"HKCU\\Software\\Microsoft\\Internet Explorer\\Main", "/v", "Start Page"})
            .find("about:blank"),
        std::string::npos);
    EXPECT_NE(WineQuery(wine, {"HKLM\\Software\\QP New", "/v", "Count"}).find("0x2a"),
              std::string::npos)
        << "wine said: " << wine.Output() << "\nsystem.reg has: " << [&] {
               const size_t at = systemAfter.find("[Software\\\\QP New]");
               return at == std::string::npos ? std::string("no such block")
                                              : systemAfter.substr(at, 200);
           }();
    EXPECT_NE(WineQuery(wine, {"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", "/v",
                               "SystemRoot"})
                  .find("C:\\windows"),
              std::string::npos);
    wine.WaitForServer();

    // While Wine runs, its memory is what counts: a value Wine holds only in
    // memory is seen, and changes go through Wine.
    wine.StartServer();
    ASSERT_EQ(wine.Wine({"reg", "add", "HKCU\\Software\\QP Live", "/v", "Mode", "/d", "on", "/f"}),
              0)
        << wine.Output();
    ASSERT_EQ(wine.Wine({"reg", "add", "HKCU\\Software\\QP Live", "/v", "Keep", "/d", "1", "/f"}),
              0)
        << wine.Output();
    EXPECT_EQ(ReadBytes(wine.Root() / "user.reg").find("QP Live"), std::string::npos);
    // Until its server first saves, a new prefix has no registry files at
    // all: Wine's memory is all there is to read.
    const std::vector<std::string> files = {"system.reg", "user.reg", "userdef.reg",
                                            ".update-timestamp"};
    for (const std::string& name : files) {
        fs::rename(wine.Root() / name, wine.Home() / name);
    }
    {
        Backend backend(wine.Root(), config);
        auto& reg = backend.Platform().registry;
        using namespace platform;
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Keep"), "1:1");
        EXPECT_EQ(Query(reg, kHkeyLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion",
                        "SystemRoot"),
                  "1:C:\\windows");
        EXPECT_TRUE(text::EndsWithNoCase(
            backend.Platform().shell.SpecialFolder(kCsidlCookies).value_or(""), "\\INetCookies"));
    }
    for (const std::string& name : files) {
        fs::rename(wine.Home() / name, wine.Root() / name);
    }
    {
        Backend backend(wine.Root(), config);
        auto& reg = backend.Platform().registry;
        using namespace platform;
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Mode"), "1:on");
        EXPECT_TRUE(Remove(reg, kHkeyCurrentUser, "Software\\QP Live", "Mode"));
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Mode"), "missing");
        EXPECT_TRUE(Change(reg, kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                           "Start Page", Str("https://www.example.org/")));
        EXPECT_TRUE(Change(reg, kHkeyCurrentUser, "Software\\QP Live", "Caf\xe9",
                           Str("cr\xe8me br\xfbl\xe9"
                               "e")));
        EXPECT_TRUE(Change(reg, kHkeyLocalMachine, "Software\\QP New", "Data",
                           {RegType::kBinary, std::string("\x01\xff", 2)}));
        EXPECT_TRUE(reg.DeleteKeyTree(kHkeyLocalMachine, "Software\\QP New"));
        // What Wine's reg cannot write is refused, with a note on how to go on.
        EXPECT_FALSE(Change(reg, kHkeyCurrentUser, "Software\\QP Live", "Odd",
                            {static_cast<RegType>(0x2a), "x"}));
        const std::string note = reg.TakeFailureNote();
        EXPECT_NE(note.find("wineserver -k"), std::string::npos) << note;
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Odd"), "missing");
    }
    EXPECT_EQ(WineQuery(wine, {"HKCU\\Software\\QP Live", "/v", "Mode"}), "");
    EXPECT_NE(WineQuery(wine, {"HKCU\\Software\\QP Live", "/v", "Keep"}), "");
    EXPECT_NE(
        WineQuery(wine, {"HKCU\\Software\\Microsoft\\Internet Explorer\\Main", "/v", "Start Page"})
            .find("https://www.example.org/"),
        std::string::npos);
    EXPECT_EQ(WineQuery(wine, {"HKLM\\Software\\QP New"}), "");
    // When Wine ends it saves its memory: the changes are in the files then.
    wine.StopServer();
    const std::string saved = ReadBytes(wine.Root() / "user.reg");
    EXPECT_NE(saved.find("\"Start Page\"=\"https://www.example.org/\""), std::string::npos);
    EXPECT_NE(saved.find("[Software\\\\QP Live]"), std::string::npos);
    EXPECT_EQ(saved.find("\"Mode\"=\"on\""), std::string::npos);
    EXPECT_NE(saved.find("\"Caf\\xe9\"=\"cr\\xe8me br\\xfbl\\x00e9e\""), std::string::npos);
    EXPECT_EQ(ReadBytes(wine.Root() / "system.reg").find("QP New"), std::string::npos);

    // Between copies of Wine's memory a read starts no Windows program (the
    // home-page shield reads every 5 s): a value Wine took in after the
    // copy shows once Wine has saved it, and a change takes a new copy first.
    wine.StartServer();
    {
        Backend backend(wine.Root(), config);
        auto& reg = backend.Platform().registry;
        using namespace platform;
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Later"), "missing");
        ASSERT_EQ(
            wine.Wine({"reg", "add", "HKCU\\Software\\QP Live", "/v", "Later", "/d", "x", "/f"}), 0)
            << wine.Output();
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        // What the read sees is what the file holds (Wine may have saved
        // meanwhile, every 30 s), not a new copy of Wine's memory.
        const std::string fileBefore = ReadBytes(wine.Root() / "user.reg");
        const std::string seen = Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Later");
        if (fileBefore == ReadBytes(wine.Root() / "user.reg")) {
            const bool inFile = fileBefore.find("\"Later\"=\"x\"") != std::string::npos;
            EXPECT_EQ(seen, inFile ? "1:x" : "missing") << "a read took a copy of Wine's memory";
        }
        EXPECT_TRUE(Change(reg, kHkeyCurrentUser, "Software\\QP Live", "Other", Str("y")));
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Later"), "1:x");
        EXPECT_EQ(Query(reg, kHkeyCurrentUser, "Software\\QP Live", "Other"), "1:y");
    }
    wine.StopServer();
    {
        // Saved by Wine on its way out: read from the file.
        Backend backend(wine.Root(), config);
        auto& reg = backend.Platform().registry;
        EXPECT_EQ(Query(reg, platform::kHkeyCurrentUser, "Software\\QP Live", "Later"), "1:x");
    }
}

}  // namespace
}  // namespace quellon::posix
