// The process helpers against real running programs: stopping by name and
// the system folder's path forms.
#include <gtest/gtest.h>

#include "scan/scanners.h"
#include "support/sleeper.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

TEST(StopProcessByNameTest, ShortAndLongNameForms) {
    TestMachine machine;
    auto& processes = machine.Platform().processes;
    const std::string longName = "qlongname" + UniqueProgramName("abcdefgh");
    Sleeper longOne(machine.ProgramsFolder(), longName);
    // Only the first 15 characters are compared.
    EXPECT_TRUE(scan::StopProcessByName(processes, longName.substr(0, 15) + "zzz.exe"));
    EXPECT_TRUE(longOne.Killed());

    // An eight-letter name plus ".exe" also matches its short form.
    Sleeper shortOne(machine.ProgramsFolder(), "qshort~1.exe");
    EXPECT_TRUE(scan::StopProcessByName(processes, "qshortab.exe"));
    EXPECT_TRUE(shortOne.Killed());
    // Nothing of that name runs: reported as stopped.
    EXPECT_TRUE(scan::StopProcessByName(processes, "qnosuchprocess.exe"));
}

TEST(NormalizeSystemPathTest, MapsSystemRootPrefixes) {
    TestMachine machine;
    auto& shell = machine.Platform().shell;
    const std::string system = shell.SystemDirectory();
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "\\SystemRoot\\System32\\SMSS.EXE"),
              system + "\\SMSS.EXE");
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "\\??\\C:\\WINDOWS\\system32\\csrss.exe"),
              system + "\\csrss.exe");
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "C:\\Other\\a.exe"), "C:\\Other\\a.exe");
}

}  // namespace
}  // namespace quellon::testing
