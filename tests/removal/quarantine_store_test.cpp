// The quarantine store on its own: the copy, the log and the deletion of
// single files, without a removal run around them.
#include <gtest/gtest.h>

#include "removal/quarantine_store.h"
#include "support/quarantine_log.h"
#include "support/scripted_host.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

class QuarantineStoreTest : public ::testing::Test {
protected:
    void SetUp() override { host.SetNow(DateTime{2026, 12, 7, 10, 35, 12}); }

    std::filesystem::path QuarantinePath(std::string_view name) {
        return machine.Home() / "quarantine" / std::string(name);
    }
    std::string Log() { return ReadBytes(QuarantinePath("QuarantineLog.txt")); }

    TestMachine machine;
    ScriptedHost host;
    removal::QuarantineStore store{machine.Platform(), host, machine.HomeWindowsPath()};
};

TEST_F(QuarantineStoreTest, PathsWithoutABackslashAndMissingFilesAreLeftAlone) {
    machine.HomeFile("loose.exe", "x");
    auto& q = store;
    q.FirstRemovalPass = true;
    EXPECT_EQ(q.QuarantineExecutable("loose.exe"), 0);
    EXPECT_EQ(q.QuarantineLibrary("loose.dll"), 0);
    EXPECT_FALSE(q.QuarantineFile("loose.exe"));
    q.QuarantineCookie("loose.exe");
    EXPECT_EQ(q.QuarantineExecutable("C:\\nowhere\\gone.exe"), -1);
    EXPECT_EQ(q.QuarantineLibrary("C:\\nowhere\\gone.dll"), -1);
    EXPECT_FALSE(q.QuarantineFile("C:\\nowhere\\gone.txt"));
    EXPECT_FALSE(q.MoveToQuarantine("C:\\nowhere\\gone.exe", "gone.exe"));
    EXPECT_EQ(ReadBytes(machine.Home() / "loose.exe"), "x");
    EXPECT_EQ(Log(), "");

    // A file named like the log is kept apart from it.
    machine.PlantFile("C:\\Bad\\QuarantineLog.txt", "not the log");
    ASSERT_TRUE(machine.Platform().files.CreateFolder(q.Folder()));
    EXPECT_TRUE(q.QuarantineFile("C:\\Bad\\QuarantineLog.txt"));
    EXPECT_EQ(ReadBytes(QuarantinePath("QuarantineLog.txt.001")), "not the log");
    EXPECT_EQ(Log(), FileEntry("QuarantineLog.txt.001", "C:\\Bad\\QuarantineLog.txt"));
    std::filesystem::remove(QuarantinePath("QuarantineLog.txt"));

    // A library that cannot be loaded is still copied and deleted.
    machine.PlantFile("C:\\Bad\\odd.dll", "not a library");
    EXPECT_EQ(q.QuarantineLibrary("C:\\Bad\\odd.dll"), 1);
    EXPECT_EQ(ReadBytes(QuarantinePath("odd.dll")), "not a library");
    // With the first pass over, registry entries are not logged.
    q.FirstRemovalPass = false;
    q.LogRemovedRegistryEntry("HKEY_USERS\\x", "y");
    q.LogQuarantinedFile("C:\\a\\b", "b");
    EXPECT_EQ(Log(), FileEntry("odd.dll", "C:\\Bad\\odd.dll"));
}

}  // namespace
}  // namespace quellon::testing
