// Windows paths over the machine root; machine.ini; special folders and drives.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;
using testing::WriteBytes;

TEST(MachineRootTest, ResolvesComponentsWithoutRegardToCase) {
    TestMachine m;
    fs::path dll = m.PlantLinuxFile("drive_c/windows/System32/ABC.DLL", "x");
    const MachineRoot& root = m.Backend().Machine();
    EXPECT_EQ(root.Resolve("C:\\WINDOWS\\system32\\abc.dll"), dll);
    EXPECT_EQ(root.Resolve("c:\\Windows\\SYSTEM32\\Abc.Dll"), dll);
    // Missing parts keep the case given, below the last existing folder.
    EXPECT_EQ(root.Resolve("C:\\WINDOWS\\New\\File.txt"),
              m.Root() / "drive_c/windows/New/File.txt");
    EXPECT_EQ(root.Resolve("C:\\"), m.Root() / "drive_c");
}

TEST(MachineRootTest, PrefersExactNameAndPicksFirstMatchOtherwise) {
    TestMachine m;
    m.PlantLinuxFile("drive_c/data/readme", "lower");
    m.PlantLinuxFile("drive_c/data/README", "upper");
    m.PlantLinuxFile("drive_c/data/ReadMe", "mixed");
    const MachineRoot& root = m.Backend().Machine();
    EXPECT_EQ(root.Resolve("C:\\data\\ReadMe"), m.Root() / "drive_c/data/ReadMe");
    // Byte order: "README" < "ReadMe" < "readme".
    EXPECT_EQ(root.Resolve("C:\\data\\rEADME"), m.Root() / "drive_c/data/README");
}

TEST(MachineRootTest, AnsiNamesMatchUtf8NamesOnDisk) {
    TestMachine m;
    fs::path file = m.PlantLinuxFile("drive_c/caf\xC3\xA9/\xC3\x89T\xC3\x89.txt", "x");
    const MachineRoot& root = m.Backend().Machine();
    EXPECT_EQ(root.Resolve("C:\\CAF\xC9\\\xE9t\xE9.TXT"), file);
    EXPECT_EQ(root.ToWindows(file), "C:\\caf\xE9\\\xC9T\xC9.txt");
}

TEST(MachineRootTest, DotsDoubledBackslashesAndEscapes) {
    TestMachine m;
    fs::path file = m.PlantLinuxFile("drive_c/a/b/f.txt", "x");
    const MachineRoot& root = m.Backend().Machine();
    EXPECT_EQ(root.Resolve("C:\\a\\\\b\\.\\f.txt"), file);
    EXPECT_EQ(root.Resolve("C:\\a\\x\\..\\b\\f.txt"), file);
    EXPECT_EQ(root.Resolve("C:\\a\\..\\a\\B\\F.TXT\\"), file);
    EXPECT_EQ(root.Resolve("C:\\a\\..\\.."), std::nullopt);
    EXPECT_EQ(root.Resolve("C:\\..\\machine.ini"), std::nullopt);
    EXPECT_EQ(root.Resolve("C:\\a/b\\f.txt"), std::nullopt);
    EXPECT_EQ(root.Resolve("C:\\a\\..\\..\\drive_c\\a"), std::nullopt);
    EXPECT_EQ(root.Resolve(std::string_view("C:\\a\0b", 6)), std::nullopt);
    EXPECT_EQ(root.Resolve("a\\b"), std::nullopt);
    EXPECT_EQ(root.Resolve("\\\\server\\share\\x"), std::nullopt);
    EXPECT_EQ(root.Resolve("C:"), std::nullopt);
    EXPECT_EQ(root.Resolve("C:a"), std::nullopt);
    EXPECT_EQ(root.Resolve("Q:\\x"), std::nullopt);
}

// Z: reaches the Linux file system only where the machine root maps it (a
// Wine prefix links dosdevices/z: to "/"); otherwise only the folders the
// program let in (its own folder) are reached through it.
TEST(MachineRootTest, DriveZIsTheMachinesOnlyWhenItMapsIt) {
    TestMachine m;
    const MachineRoot& root = m.Backend().Machine();
    EXPECT_EQ(root.Resolve("Z:\\"), std::nullopt);
    EXPECT_EQ(root.Resolve("Z:\\etc\\passwd"), std::nullopt);
    EXPECT_EQ(root.DriveLetters().find('Z'), std::string::npos);
    // The program folder is let in by naming it, and nothing outside it.
    const fs::path home = m.Home();
    EXPECT_EQ(m.HomeWindowsPath().substr(0, 3), "Z:\\");
    EXPECT_EQ(root.Resolve(m.HomeWindowsPath()), home);
    EXPECT_EQ(root.Resolve(m.HomeWindowsPath() + "\\quarantine\\x.dll"),
              home / "quarantine" / "x.dll");
    EXPECT_EQ(root.Resolve(m.HomeWindowsPath() + "\\..\\..\\etc\\passwd"), std::nullopt);
    EXPECT_EQ(root.Resolve(m.HomeWindowsPath() + "x\\y"), std::nullopt);
    EXPECT_EQ(root.ToWindows("/"), "Z:\\");
    EXPECT_EQ(root.ToWindows("/usr/bin/"), "Z:\\usr\\bin");
    EXPECT_EQ(root.ToWindows(m.Root() / "drive_c"), "C:\\");
    EXPECT_EQ(root.ToWindows(m.Root() / "drive_c/x/../Y"), "C:\\Y");

    // A machine that maps Z: to "/", as Wine does, reaches all of it.
    TestMachine wine;
    fs::create_directories(wine.Root() / "dosdevices");
    fs::create_directory_symlink("/", wine.Root() / "dosdevices" / "z:");
    const MachineRoot& mapped = wine.Backend().Machine();
    ASSERT_TRUE(mapped.Resolve("Z:\\etc"));
    EXPECT_EQ(fs::weakly_canonical(*mapped.Resolve("Z:\\etc")), fs::path("/etc"));
    EXPECT_EQ(fs::weakly_canonical(*mapped.Resolve("Z:\\no-such-folder\\x")),
              fs::path("/no-such-folder/x"));
    EXPECT_EQ(mapped.Resolve("Z:\\.."), std::nullopt);
    EXPECT_NE(mapped.DriveLetters().find('Z'), std::string::npos);
}

TEST(MachineRootTest, ExtraDrivesFromFoldersAndDeviceLinks) {
    TestMachine m;
    testing::TempDir elsewhere;
    WriteBytes(elsewhere.path() / "Tools/tool.exe", "x");
    fs::create_directories(m.Root() / "drive_d");
    fs::create_directories(m.Root() / "dosdevices");
    fs::create_symlink(elsewhere.path(), m.Root() / "dosdevices/e:");
    fs::create_symlink("../drive_c", m.Root() / "dosdevices/c:");
    const MachineRoot& root = m.Backend().Machine();
    EXPECT_EQ(root.DriveLetters(), "CDE");
    EXPECT_EQ(root.Resolve("D:\\x"), m.Root() / "drive_d/x");
    EXPECT_TRUE(fs::exists(*root.Resolve("e:\\TOOLS\\Tool.exe")));
    // Through the link and through the real path alike.
    EXPECT_EQ(root.ToWindows(elsewhere.path() / "Tools/tool.exe"), "E:\\Tools\\tool.exe");
    EXPECT_EQ(root.ToWindows(m.Root() / "dosdevices/e:/Tools"), "E:\\Tools");
}

// The drives are remembered between questions (the memory shield asks for
// every running program's path on each tick); a drive made or removed at
// any moment, even right after a question, is seen at the next one.
TEST(MachineRootTest, DrivesMadeOrRemovedLaterAreSeen) {
    TestMachine m;
    testing::TempDir elsewhere;
    const MachineRoot& root = m.Backend().Machine();
    const fs::path tool = m.Root() / "drive_d" / "tool.exe";
    const std::string outside = root.ToWindows(tool, MachineRoot::kResolved);
    EXPECT_EQ(outside.substr(0, 3), "Z:\\");
    EXPECT_EQ(root.DriveLetters(), "C");
    fs::create_directories(m.Root() / "drive_d");
    EXPECT_EQ(root.ToWindows(tool, MachineRoot::kResolved), "D:\\tool.exe");
    EXPECT_EQ(root.DriveLetters(), "CD");
    fs::create_directories(m.Root() / "dosdevices");
    fs::create_symlink(elsewhere.path(), m.Root() / "dosdevices/e:");
    EXPECT_EQ(root.ToWindows(elsewhere.path() / "x", MachineRoot::kResolved), "E:\\x");
    fs::remove(m.Root() / "dosdevices/e:");
    EXPECT_EQ(root.DriveLetters(), "CD");
    fs::remove_all(m.Root() / "drive_d");
    EXPECT_EQ(root.ToWindows(tool, MachineRoot::kResolved), outside);
    // A while later, once the folders' times lie behind the clock, the
    // remembered drives are trusted and changes still show.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(root.DriveLetters(), "C");
    EXPECT_EQ(root.DriveLetters(), "C");
    fs::create_directories(m.Root() / "drive_d");
    EXPECT_EQ(root.DriveLetters(), "CD");
}

TEST(MachineRootTest, MachineIniOverridesFoldersVersionAndDriveTypes) {
    TestMachine m;
    m.WriteMachineIni(
        "; a test machine\r\n[folders]\r\nWINDOWS = D:\\WINNT\\\r\nCookies=D:\\Cookies\r\n"
        "[Version]\r\nPlatformId=1\r\nMajor=4\r\nMinor=x\r\n"
        "[Drives]\r\nd=CDROM Drive\r\nE:=Remote Disk\r\nF=Floppy\r\nG=Removable Drive\r\n");
    fs::create_directories(m.Root() / "drive_d");
    fs::create_directories(m.Root() / "drive_f");
    fs::create_directories(m.Root() / "drive_g");
    platform::Shell& shell = m.Platform().shell;
    EXPECT_EQ(shell.WindowsDirectory(), "D:\\WINNT");
    EXPECT_EQ(shell.SystemDirectory(), "D:\\WINNT\\system32");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlCookies), "D:\\Cookies");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlProgramFiles), "D:\\Program Files");
    auto version = m.Platform().processes.Version();
    ASSERT_TRUE(version);
    EXPECT_EQ(version->platformId, 1u);
    EXPECT_EQ(version->major, 4u);
    EXPECT_EQ(version->minor, 1u);  // unreadable number keeps the default
    std::vector<platform::Drive> drives = shell.Drives();
    ASSERT_EQ(drives.size(), 4u);  // E is configured but has no folder
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[0].type, platform::DriveType::kFixed);
    EXPECT_EQ(drives[1].type, platform::DriveType::kCdRom);
    EXPECT_EQ(drives[2].type, platform::DriveType::kUnknown);
    EXPECT_EQ(drives[3].type, platform::DriveType::kRemovable);
}

// The system folder below a Windows folder at a drive's root has one
// backslash, as every other path the shell gives.
TEST(MachineRootTest, WindowsFolderAtADriveRoot) {
    TestMachine m;
    m.WriteMachineIni("[Folders]\r\nWindows=d:\\\\\r\n");
    platform::Shell& shell = m.Platform().shell;
    EXPECT_EQ(shell.WindowsDirectory(), "d:\\");
    EXPECT_EQ(shell.SystemDirectory(), "d:\\system32");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlProgramFiles), "d:\\Program Files");
}

TEST(MachineRootTest, DefaultsAreAnXpMachine) {
    TestMachine m;
    platform::Shell& shell = m.Platform().shell;
    EXPECT_EQ(shell.WindowsDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(shell.SystemDirectory(), "C:\\WINDOWS\\system32");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlPrograms),
              "C:\\Documents and Settings\\User\\Start Menu\\Programs");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlDesktopDirectory),
              "C:\\Documents and Settings\\User\\Desktop");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlCookies),
              "C:\\Documents and Settings\\User\\Cookies");
    EXPECT_EQ(shell.SpecialFolder(platform::kCsidlProgramFiles), "C:\\Program Files");
    EXPECT_EQ(shell.SpecialFolder(999), std::nullopt);
    EXPECT_EQ(m.Platform().processes.Version()->platformId, 2u);
    ASSERT_EQ(shell.Drives().size(), 1u);
    EXPECT_EQ(shell.Drives()[0].letter, 'C');
}

TEST(MachineRootTest, DriveCWithoutFolderIsListedOnlyWhenConfigured) {
    testing::TempDir dir;
    fs::create_directories(dir.path() / "m");
    EXPECT_EQ(MachineRoot(dir.path() / "m").DriveLetters(), "");
    WriteBytes(dir.path() / "m/machine.ini", "[Drives]\nC=Fixed Disk\n");
    MachineRoot configured(dir.path() / "m");
    EXPECT_EQ(configured.DriveLetters(), "C");
    EXPECT_EQ(configured.Resolve("C:\\x"), std::nullopt);
}

}  // namespace
}  // namespace quellon::posix
