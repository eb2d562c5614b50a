// Removal on a Linux machine root: running programs, read-only folders,
// loadable libraries and restore points.
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/removal_fixture.h"
#include "support/sleeper.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

TEST_F(RemovalTest, RunningProgramIsStoppedThenQuarantined) {
    const std::string name = "qrun" + std::to_string(getpid()) + ".exe";
    Sleeper running(machine.Root() / "drive_c" / "Bad", name);
    WriteDefinitions({name + "=Runner|C:\\Bad"});
    Scan(false, false, false);
    RemoveAll();
    EXPECT_TRUE(running.Killed());
    EXPECT_FALSE(Exists("C:\\Bad\\" + name));
    EXPECT_TRUE(fs::exists(QuarantinePath(name)));
    EXPECT_EQ(Log(), FileEntry(name, "C:\\Bad\\" + name));
}

TEST_F(RemovalTest, FilesInAReadOnlyFolderEndInTheProblemWindow) {
    machine.PlantFile("C:\\Locked\\stuck.txt", "s");
    machine.PlantFile("C:\\Locked\\also.txt", "a");
    machine.PlantFile("C:\\Free\\gone.txt", "g");
    machine.PlantFile("C:\\Free\\free.txt", "f");
    const fs::path locked = machine.Root() / "drive_c" / "Locked";
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    WriteDefinitions({"stuck.txt=Stuck|C:\\Locked", "gone.txt=Gone|C:\\Free",
                      "also.txt=Stuck|C:\\Locked", "free.txt=Stuck|C:\\Free"});
    Scan(false, false, false);
    RemoveAll();
    fs::permissions(locked, fs::perms::owner_all);

    EXPECT_FALSE(Exists("C:\\Free\\gone.txt"));
    EXPECT_FALSE(Exists("C:\\Free\\free.txt"));
    EXPECT_TRUE(Exists("C:\\Locked\\stuck.txt"));
    EXPECT_TRUE(Exists("C:\\Locked\\also.txt"));
    auto& d = Form().frmDelete;
    EXPECT_TRUE(d.Visible());
    // Both files of the spyware that survived are tried again and listed;
    // only their own rows and the spyware's row lose their ticks, so the
    // spyware's file that was removed leaves the list.
    EXPECT_THAT(Texts(d.lstProblem), ElementsAre("C:\\Locked\\stuck.txt", "C:\\Locked\\also.txt"));
    EXPECT_THAT(Texts(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved), ElementsAre("Stuck"));
    EXPECT_FALSE(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(0).checked);
    EXPECT_THAT(Texts(Form().lvwFilesToBeDeleted),
                ElementsAre("C:\\Locked\\stuck.txt", "C:\\Locked\\also.txt"));
    EXPECT_FALSE(Form().lvwFilesToBeDeleted.Item(0).checked);
    EXPECT_FALSE(Form().lvwFilesToBeDeleted.Item(1).checked);
    // Each file was copied and logged once, in the first pass.
    EXPECT_EQ(Log(), FileEntry("stuck.txt", "C:\\Locked\\stuck.txt") +
                         FileEntry("gone.txt", "C:\\Free\\gone.txt") +
                         FileEntry("also.txt", "C:\\Locked\\also.txt") +
                         FileEntry("free.txt", "C:\\Free\\free.txt"));
    EXPECT_FALSE(fs::exists(QuarantinePath("stuck.txt.001")));

    // A read-only file is not deleted either, also for the administrator.
    machine.PlantFile("C:\\Free\\ro.txt", "r");
    fs::permissions(machine.Root() / "drive_c" / "Free" / "ro.txt", fs::perms::owner_read);
    EXPECT_FALSE(machine.Platform().files.Delete("C:\\Free\\ro.txt"));
}

// The quarantine on a file system with no room for one of the copies: that
// file stays where it was and is listed; the others go as usual.
TEST_F(RemovalTest, AFullQuarantineDeletesNothingItCouldNotCopy) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system for the quarantine needs root";
    }
    const fs::path quarantine = QuarantinePath();
    fs::create_directories(quarantine);
    if (::mount("tmpfs", quarantine.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    struct Unmount {
        fs::path at;
        ~Unmount() { ::umount(at.c_str()); }
    } unmount{quarantine};
    const std::string big(256 * 1024, 'b');
    machine.PlantFile("C:\\Bad\\small.txt", "s");
    machine.PlantFile("C:\\Bad\\big.bin", big);
    machine.PlantFile("C:\\Bad\\last.txt", "l");
    WriteDefinitions({"small.txt=Small|C:\\Bad", "big.bin=Big|C:\\Bad", "last.txt=Last|C:\\Bad"});
    Scan(false, false, false);
    RemoveAll();
    EXPECT_FALSE(Exists("C:\\Bad\\small.txt"));
    EXPECT_FALSE(Exists("C:\\Bad\\last.txt"));
    EXPECT_EQ(Read("C:\\Bad\\big.bin"), big);
    EXPECT_THAT(Texts(Form().frmDelete.lstProblem), ElementsAre("C:\\Bad\\big.bin"));
    EXPECT_EQ(Log(), FileEntry("small.txt", "C:\\Bad\\small.txt") +
                         FileEntry("last.txt", "C:\\Bad\\last.txt"));
    // Nothing of the copy that did not fit is left under its name.
    EXPECT_FALSE(fs::exists(QuarantinePath("big.bin")));
}

TEST_F(RemovalTest, ARestoredFileLeavesTheQuarantineAlsoWhenReadOnly) {
    ASSERT_TRUE(machine.Platform().files.CreateFolder(Form().Quarantine().Folder()));
    WriteBytes(QuarantinePath("kept.txt"), "k");
    fs::permissions(QuarantinePath("kept.txt"), fs::perms::owner_read);
    EXPECT_EQ(Form().Quarantine().Restore("kept.txt", "C:\\Back\\kept.txt"),
              removal::RestoreResult::kRestored);
    EXPECT_EQ(Read("C:\\Back\\kept.txt"), "k");
    EXPECT_TRUE(Form().Quarantine().List().empty());
}

TEST_F(RemovalTest, LibrariesAreUnregisteredBeforeTheirRemoval) {
    const char* bin = std::getenv("QUELLON_BIN");
    ASSERT_NE(bin, nullptr);
    const std::string library = ReadBytes(fs::path(bin) / "libquellon_registration_test.so");
    ASSERT_FALSE(library.empty());
    machine.PlantFile("C:\\WINDOWS\\system32\\evil.dll", library);
    const fs::path calls = machine.Home() / "calls.txt";
    ::setenv("QUELLON_REGISTRATION_LOG", calls.c_str(), 1);
    WriteDefinitions({"evil.dll=Evil|[wDir]\\system32"});
    Scan(false, false, false);
    RemoveAll();
    ::unsetenv("QUELLON_REGISTRATION_LOG");
    // Once by the run itself and once inside the library's own quarantine.
    EXPECT_EQ(ReadBytes(calls), "unregister\nunregister\n");
    EXPECT_FALSE(Exists("C:\\WINDOWS\\system32\\evil.dll"));
    EXPECT_EQ(ReadBytes(QuarantinePath("evil.dll")), library);
}

TEST_F(RemovalTest, RestorePointKeepsTheRegistryAsItWasBeforeTheRun) {
    machine.WriteRegistry(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\r\n");
    const std::string before = ReadBytes(machine.Root() / "registry.reg");
    WriteDefinitions({}, {"2^SOFTWARE\\Bad^=Bad"});
    Scan(false, false, true);
    RemoveAll();
    EXPECT_THAT(host.Shown().front().text, HasSubstr("a System Restore Point will be created"));
    const fs::path point = machine.Root() / "restore-points" / "1";
    EXPECT_EQ(ReadBytes(point / "registry.reg"), before);
    EXPECT_EQ(ReadBytes(point / "info.txt"),
              "Description: Quellon Pro Restore Point 12/7/2026 10:35:12 AM\r\nType: 6\r\n"
              "State: ended\r\n");
    EXPECT_THAT(ReadBytes(machine.Root() / "registry.reg"), Not(HasSubstr("SOFTWARE\\Bad")));
    EXPECT_EQ(Form().SystemRestore().Sequence(), 0);

    // A point still open refuses another.
    auto& sr = Form().SystemRestore();
    EXPECT_TRUE(sr.BeginRestorePoint("one", 6));
    EXPECT_FALSE(sr.BeginRestorePoint("two", 6));
    EXPECT_EQ(sr.LastError(), removal::kErrorRestorePointOpen);
    EXPECT_EQ(sr.LastErrorText(), "You must End the previous restore point first.");
    EXPECT_TRUE(sr.EndRestorePoint());
    EXPECT_FALSE(fs::exists(machine.Root() / "restore-points" / "3"));
}

TEST_F(RemovalTest, WindowsTwoThousandHasNoRestorePoint) {
    machine.WriteMachineIni("[Version]\nPlatformId=2\nMajor=5\nMinor=0\n");
    machine.PlantFile("C:\\Bad\\x.txt", "x");
    WriteDefinitions({"x.txt=X|C:\\Bad"});
    Scan(false, false, false);
    RemoveAll();
    EXPECT_THAT(host.Shown().front().text, Not(HasSubstr("Restore Point")));
    EXPECT_FALSE(fs::exists(machine.Root() / "restore-points"));
    EXPECT_FALSE(Exists("C:\\Bad\\x.txt"));
}

}  // namespace
}  // namespace quellon::testing
