// The Windows backend over the real Win32 API (run under Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/backend.h"
#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

class Win32BackendTest : public ::testing::Test {
protected:
    platform::Platform& P() { return machine.Platform(); }
    // A Windows path inside the test's temporary folder.
    std::string In(std::string_view name) {
        return win32::WindowsPathOf(scratch.path()) + "\\" + std::string(name);
    }
    TestMachine machine;
    TempDir scratch;
};

TEST_F(Win32BackendTest, LookupSeesOnlyFilesWithNormalAttributesWindowsOnly) {
    auto& files = P().files;
    WriteBytes(scratch.path() / "Plain.TXT", "x");
    WriteBytes(scratch.path() / "hidden.txt", "x");
    WriteBytes(scratch.path() / "system.txt", "x");
    ::SetFileAttributesA(In("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesA(In("system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(files.LookupFile(In("plain.txt")), "Plain.TXT");
    EXPECT_FALSE(files.LookupFile(In("hidden.txt")));
    EXPECT_FALSE(files.LookupFile(In("system.txt")));
    EXPECT_FALSE(files.LookupFile(win32::WindowsPathOf(scratch.path())));  // a folder
    EXPECT_FALSE(files.LookupFile(In("missing.txt")));
    // A look-up is of one path, never a search.
    EXPECT_FALSE(files.LookupFile(In("*.txt")));
    EXPECT_FALSE(files.LookupFile(In("plain.tx?")));
    EXPECT_TRUE(files.FolderExists(win32::WindowsPathOf(scratch.path())));
    EXPECT_FALSE(files.FolderExists(In("plain.txt")));
    // Hidden files are listed; folders are not; names come in upper-cased order.
    files.CreateFolder(In("sub\\deeper"));
    WriteBytes(scratch.path() / "a.txt", "x");
    WriteBytes(scratch.path() / "_b.txt", "x");
    auto listed = files.ListFiles(win32::WindowsPathOf(scratch.path()) + "\\");
    ASSERT_TRUE(listed);
    std::vector<std::string> names;
    for (const auto& f : *listed) {
        names.push_back(f.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "hidden.txt", "Plain.TXT", "system.txt",
                                               "_b.txt"}));
    EXPECT_EQ(listed->front().fullPath, In("a.txt"));
    EXPECT_FALSE(files.ListFiles(In("nothing here")));
}

TEST_F(Win32BackendTest, WritingCopyingRenamingAndDeletingWindowsOnly) {
    auto& files = P().files;
    const std::string a = In("a.txt"), b = In("b.txt"), c = In("c.txt");
    EXPECT_TRUE(files.Append(a, "one\r\n"));
    EXPECT_TRUE(files.Append(a, "two\rthree\nfour"));
    auto reader = files.OpenLines(a);
    ASSERT_TRUE(reader);
    std::vector<std::string> lines;
    for (std::string line; reader->Next(line);) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
    reader.reset();
    EXPECT_TRUE(files.WriteAtomic(a, "new"));
    EXPECT_EQ(files.ReadAll(a), "new");
    EXPECT_TRUE(files.WriteAtomic(b, std::string("\0\xff", 2)));
    EXPECT_EQ(files.ReadAll(b), std::string("\0\xff", 2));
    // Never over an existing file.
    EXPECT_FALSE(files.CopyNew(a, b));
    EXPECT_FALSE(files.Rename(a, b));
    EXPECT_EQ(files.ReadAll(b), std::string("\0\xff", 2));
    EXPECT_TRUE(files.CopyNew(a, c));
    EXPECT_EQ(files.ReadAll(c), "new");
    EXPECT_TRUE(files.Delete(c));
    EXPECT_TRUE(files.Rename(a, c));
    EXPECT_FALSE(files.ReadAll(a));
    EXPECT_FALSE(files.Delete(a));
    EXPECT_FALSE(files.OpenLines(a));
    EXPECT_TRUE(files.CreateFolder(In("x\\y\\z")));
    EXPECT_TRUE(files.FolderExists(In("X\\Y\\Z")));
    EXPECT_FALSE(files.Delete(In("x")));
}

TEST_F(Win32BackendTest, RegistryKeysAndValuesWindowsOnly) {
    auto& reg = P().registry;
    const std::string path =
        "Software\\Quellon Pro Tests\\Registry" + std::to_string(::GetCurrentProcessId());
    const auto hkcu = platform::kHkeyCurrentUser;
    EXPECT_EQ(reg.OpenKey(hkcu, path, 63), 0u);
    const auto key = reg.CreateKey(hkcu, path + "\\Sub");
    ASSERT_NE(key, 0u);
    EXPECT_TRUE(reg.SetValue(key, "Name", {platform::RegType::kString, std::string("v\0", 2)}));
    EXPECT_TRUE(reg.SetValue(key, "", {platform::RegType::kDword, std::string("\x01\0\0\0", 4)}));
    reg.CloseKey(key);
    const auto again = reg.OpenKey(hkcu, path + "\\SUB", 63);
    ASSERT_NE(again, 0u);
    auto value = reg.QueryValue(again, "name");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, platform::RegType::kString);
    EXPECT_EQ(value->data, std::string("v\0", 2));
    EXPECT_EQ(reg.QueryValue(again, "")->type, platform::RegType::kDword);
    EXPECT_TRUE(reg.DeleteValue(again, "Name"));
    EXPECT_FALSE(reg.DeleteValue(again, "Name"));
    EXPECT_FALSE(reg.QueryValue(again, "Name"));
    reg.CloseKey(again);
    // Unknown hives open nothing; a hive itself is never deleted.
    EXPECT_EQ(reg.OpenKey(0x80000009u, "Software", 63), 0u);
    EXPECT_FALSE(reg.DeleteKeyTree(hkcu, ""));
    EXPECT_FALSE(reg.DeleteKeyTree(hkcu, "\\"));
    EXPECT_TRUE(reg.DeleteKeyTree(hkcu, path));
    EXPECT_EQ(reg.OpenKey(hkcu, path, 63), 0u);
    EXPECT_FALSE(reg.DeleteKeyTree(hkcu, path));
}

TEST_F(Win32BackendTest, SettingsAreStringValuesOfOneKeyPerApplicationAndSectionWindowsOnly) {
    // A store of its own, to look at where it keeps things.
    const std::string root =
        "Software\\Quellon Pro Tests\\Settings" + std::to_string(::GetCurrentProcessId());
    win32::Backend backend(root);
    auto& s = backend.Platform().settings;
    EXPECT_FALSE(s.Get("App", "Sec", "Key"));
    EXPECT_TRUE(s.Set("App", "Sec", "Key", "value \xe9"));
    EXPECT_TRUE(s.Set("App", "Sec", "Other", ""));
    EXPECT_TRUE(s.Set("App", "Second", "Key", "2"));
    EXPECT_TRUE(s.Set("Another", "Sec", "Key", "3"));
    EXPECT_EQ(s.Get("app", "SEC", "key"), "value \xe9");
    EXPECT_EQ(s.Get("App", "Sec", "Other"), "");
    auto& reg = backend.Platform().registry;
    const auto key = reg.OpenKey(platform::kHkeyCurrentUser, root + "\\App\\Sec", 63);
    ASSERT_NE(key, 0u);
    auto raw = reg.QueryValue(key, "Key");
    reg.CloseKey(key);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, platform::RegType::kString);
    EXPECT_EQ(raw->data, std::string("value \xe9\0", 8));
    auto entries = s.List("App");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(s.Applications(), (std::vector<std::string>{"Another", "App"}));
    EXPECT_TRUE(s.List("Nobody").empty());
    EXPECT_FALSE(s.Set("", "Sec", "Key", "x"));
    EXPECT_TRUE(reg.DeleteKeyTree(platform::kHkeyCurrentUser, root));
}

// The lock the schedulers of one profile share: one holder at a time, in
// this program too; a store kept elsewhere has a lock of its own.
TEST_F(Win32BackendTest, TheProfileLockHasOneHolderAtATimeWindowsOnly) {
    using State = platform::LockAttempt::State;
    const std::string root =
        "Software\\Quellon Pro Tests\\Lock" + std::to_string(::GetCurrentProcessId());
    win32::Backend backend(root), other(root + "b");
    auto& s = backend.Platform().settings;
    {
        platform::LockAttempt held = s.TryLock("scheduler");
        ASSERT_EQ(held.state, State::kTaken);
        EXPECT_EQ(s.TryLock("scheduler").state, State::kHeldElsewhere);
        EXPECT_EQ(other.Platform().settings.TryLock("scheduler").state, State::kTaken);
    }
    EXPECT_EQ(s.TryLock("scheduler").state, State::kTaken);
    EXPECT_EQ(s.TryLock("bad\\name").state, State::kUnavailable);
}

TEST_F(Win32BackendTest, FoldersDrivesAndVersionWindowsOnly) {
    auto& shell = P().shell;
    const std::string windows = shell.WindowsDirectory();
    ASSERT_GE(windows.size(), 3u);
    EXPECT_EQ(windows.substr(1, 2), ":\\");
    EXPECT_NE(windows.back(), '\\');
    EXPECT_EQ(shell.SystemDirectory().substr(0, windows.size() + 1), windows + "\\");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlWindows), windows);
    for (int csidl : {platform::kCsidlCookies, platform::kCsidlDesktopDirectory,
                      platform::kCsidlPrograms, platform::kCsidlProgramFiles}) {
        auto folder = shell.SpecialFolder(csidl);
        ASSERT_TRUE(folder) << csidl;
        EXPECT_EQ(folder->substr(1, 2), ":\\");
        EXPECT_NE(folder->back(), '\\');
    }
    auto drives = shell.Drives();
    auto c = std::find_if(drives.begin(), drives.end(), [](auto& d) { return d.letter == 'C'; });
    ASSERT_NE(c, drives.end());
    EXPECT_EQ(c->type, platform::DriveType::kFixed);
    auto version = P().processes.Version();
    ASSERT_TRUE(version);
    EXPECT_EQ(version->platformId, 2u);
    EXPECT_TRUE(P().processes.SetDebugPrivilege(true));
    EXPECT_TRUE(P().processes.SetDebugPrivilege(false));
}

TEST_F(Win32BackendTest, ProcessesOfThisProgramWindowsOnly) {
    auto& processes = P().processes;
    const std::uint32_t self = ::GetCurrentProcessId();
    auto snapshot = processes.Snapshot();
    ASSERT_TRUE(snapshot);
    auto me =
        std::find_if(snapshot->begin(), snapshot->end(), [&](auto& e) { return e.pid == self; });
    ASSERT_NE(me, snapshot->end());
    EXPECT_EQ(me->exeFile, "test_win32.exe");
    EXPECT_TRUE(processes.CanOpen(self, platform::kProcessQueryInfoVmRead));
    auto path = processes.FirstModulePath(self);
    ASSERT_TRUE(path);
    char own[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, own, MAX_PATH);
    EXPECT_EQ(*path, own);
    EXPECT_EQ(processes.ExitCode(self), STILL_ACTIVE);
    // Never itself, never the idle process.
    EXPECT_FALSE(processes.Terminate(self, platform::kProcessAllAccess, 0));
    EXPECT_FALSE(processes.Terminate(0, platform::kProcessAllAccess, 0));
    EXPECT_EQ(processes.Wait(0, 1), platform::WaitResult::kFailed);
    EXPECT_EQ(processes.Wait(self, 1), platform::WaitResult::kTimeout);
}

}  // namespace
}  // namespace quellon::testing
