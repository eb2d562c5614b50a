// The process scan against real Windows processes (run under Wine): copies
// of a sleeping test program under listed names.
#include "common/text.h"
#include "scan/scan_fixture.h"
#include "sleeper.h"
#include "support/temp_dir.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Win32ProcessScanTest : public ScanTest {
protected:
    TempDir programs;
};

TEST_F(Win32ProcessScanTest, ListedRunningProgramIsReportedAndStoppedWindowsOnly) {
    const std::string name = Unique("qbad");
    Sleeper bad(programs.path() / "Bad", name);
    const std::string upper = text::Upper(name);
    WriteDefinitions({}, {}, {"harmless.exe", "prefix" + name});
    Scan(false, true, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound),
                ElementsAre("Detected in the memory : " + upper + " was stopped from running."));
    EXPECT_TRUE(bad.Killed());
    EXPECT_EQ(f.Session().counters.SpywareFound, 1);
    EXPECT_NE(f.lblTotalNoOfRunningItems.Caption(), "0");
    EXPECT_THAT(Texts(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved), IsEmpty());
}

TEST_F(Win32ProcessScanTest, ExcludedMicrosoftAndFirstOccurrenceRulesWindowsOnly) {
    const std::string excluded = Unique("qexcl");
    const std::string microsoft = Unique("qmsft");
    const std::string inside = Unique("qins");
    std::string msBlock = scan::ToWideBytes("StringFileInfo") + scan::ToWideBytes("CompanyName") +
                          std::string(4, '\0') + scan::ToWideBytes("Microsoft Corporation") +
                          std::string(4, '\0');
    Sleeper a(programs.path(), excluded);
    Sleeper b(programs.path(), microsoft, msBlock);
    Sleeper c(programs.path(), inside);
    machine.HomeFile("ENoSignature.txt", excluded + "\r\n");
    WriteDefinitions({}, {}, {excluded, microsoft, inside + ".bak", inside});
    Scan(false, true, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), IsEmpty());
    EXPECT_FALSE(a.Killed());
}

TEST(Win32StopProcessByNameTest, ShortAndLongNameFormsWindowsOnly) {
    TestMachine machine;
    TempDir programs;
    auto& processes = machine.Platform().processes;
    const std::string longName =
        "qlongname" + std::to_string(::GetCurrentProcessId()) + "abcdefgh.exe";
    Sleeper longOne(programs.path(), longName);
    // Only the first 15 characters are compared.
    EXPECT_TRUE(scan::StopProcessByName(processes, longName.substr(0, 15) + "zzz.exe"));
    EXPECT_TRUE(longOne.Killed());
    Sleeper shortOne(programs.path(), "qshort~1.exe");
    EXPECT_TRUE(scan::StopProcessByName(processes, "qshortab.exe"));
    EXPECT_TRUE(shortOne.Killed());
    EXPECT_TRUE(scan::StopProcessByName(processes, "qnosuchprocess.exe"));
}

TEST(Win32NormalizeSystemPathTest, MapsSystemRootPrefixesWindowsOnly) {
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
