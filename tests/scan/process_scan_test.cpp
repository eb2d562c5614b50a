#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/text.h"
#include "scan_fixture.h"
#include "support/sleeper_posix.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Unique(std::string_view stem) {
    return std::string(stem) + std::to_string(getpid()) + ".exe";
}

class ProcessScanTest : public ScanTest {};

TEST_F(ProcessScanTest, ListedRunningProgramIsReportedAndStopped) {
    const std::string name = Unique("qbad");
    Sleeper bad(machine.Root() / "drive_c" / "Program Files" / "Bad", name);
    const std::string upper = text::Upper(name);
    WriteDefinitions({}, {}, {"harmless.exe", "prefix" + name});
    Scan(false, true, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound),
                ElementsAre("Detected in the memory : " + upper + " was stopped from running."));
    EXPECT_TRUE(bad.Killed());
    EXPECT_EQ(f.Session().counters.SpywareFound, 1);
    EXPECT_NE(f.lblTotalNoOfRunningItems.Caption(), "0");
    // The process list does not go to the removal list.
    EXPECT_THAT(Texts(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved), IsEmpty());
}

TEST_F(ProcessScanTest, ExcludedMicrosoftAndFirstOccurrenceRules) {
    const std::string excluded = Unique("qexcl");
    const std::string microsoft = Unique("qmsft");
    const std::string inside = Unique("qins");
    std::string msBlock = scan::ToWideBytes("StringFileInfo") + scan::ToWideBytes("CompanyName") +
                          std::string(4, '\0') + scan::ToWideBytes("Microsoft Corporation") +
                          std::string(4, '\0');
    Sleeper a(machine.Root() / "drive_c" / "x", excluded);
    Sleeper b(machine.Root() / "drive_c" / "x", microsoft, msBlock);
    Sleeper c(machine.Root() / "drive_c" / "x", inside);
    machine.HomeFile("ENoSignature.txt", excluded + "\r\n");
    // The name first occurs inside a longer line that does not end with it,
    // so the exact line that follows is never reached.
    WriteDefinitions({}, {}, {excluded, microsoft, inside + ".bak", inside});
    Scan(false, true, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), IsEmpty());
    EXPECT_FALSE(a.Killed());
}

TEST_F(ProcessScanTest, NinetyFiveFamilyAsksOutsideAScan) {
    machine.WriteMachineIni("[Version]\r\nPlatformId=1\r\nMajor=4\r\nMinor=90\r\n");
    const std::string name = Unique("qnine");
    Sleeper bad(machine.Root() / "drive_c" / "x", name);
    WriteDefinitions({}, {}, {name});
    const std::string upper = text::Upper(name);
    host.ExpectMsgBox("Quellon Pro has found  [" + upper +
                          "] using you system memory.Click YES to stop [" + upper +
                          "] from using your system memory. Otherwise click No.",
                      ui::MsgResult::kNo);
    Form().ScanRunningProcesses();
    ASSERT_EQ(host.Shown().size(), 1u);
    EXPECT_EQ(host.Shown()[0].title, "Quellon Pro  - Alert");
    // No: the name is excluded from now on.
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), upper + "\r\n");
    Form().ScanRunningProcesses();
    EXPECT_EQ(host.Shown().size(), 1u);
    // Inside a scan the program is listed and stopped without a question.
    machine.HomeFile("ENoSignature.txt", "");
    Form().Exclusions().Load();
    Scan(false, true, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), ElementsAre("Detected in the memory : " + upper +
                                                           " and was stopped being from ruuning."));
    EXPECT_TRUE(bad.Killed());
}

TEST(StopProcessByNameTest, ShortAndLongNameForms) {
    TestMachine machine;
    const std::string longName = "qlongname" + std::to_string(getpid()) + "abcdefgh.exe";
    Sleeper longOne(machine.Root() / "x", longName);
    // Only the first 15 characters are compared.
    EXPECT_TRUE(
        scan::StopProcessByName(machine.Platform().processes, longName.substr(0, 15) + "zzz.exe"));
    EXPECT_TRUE(longOne.Killed());

    const std::string shortName = "QSHORT~1";
    Sleeper shortOne(machine.Root() / "x", "qshort~1");
    EXPECT_TRUE(scan::StopProcessByName(machine.Platform().processes, "qshortab.exe"));
    EXPECT_TRUE(shortOne.Killed());
    // Nothing of that name runs: reported as stopped.
    EXPECT_TRUE(scan::StopProcessByName(machine.Platform().processes, "qnosuchprocess.exe"));
}

TEST(NormalizeSystemPathTest, MapsSystemRootPrefixes) {
    TestMachine machine;
    auto& shell = machine.Platform().shell;
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "\\SystemRoot\\System32\\SMSS.EXE"),
              "C:\\WINDOWS\\system32\\SMSS.EXE");
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "\\??\\C:\\WINDOWS\\system32\\csrss.exe"),
              "C:\\WINDOWS\\system32\\csrss.exe");
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "C:\\Other\\a.exe"), "C:\\Other\\a.exe");
}

}  // namespace
}  // namespace quellon::testing
