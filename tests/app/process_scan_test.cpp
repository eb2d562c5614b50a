// The process scan of a whole scan and outside one, against real running
// programs under listed names.
#include "common/text.h"
#include "support/form_fixture.h"
#include "support/sleeper.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ProcessScanTest : public FormTest {};

TEST_F(ProcessScanTest, ListedRunningProgramIsReportedAndStopped) {
    const std::string name = UniqueProgramName("qbad");
    Sleeper bad(machine.ProgramsFolder() / "Bad", name);
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
    const std::string excluded = UniqueProgramName("qexcl");
    const std::string microsoft = UniqueProgramName("qmsft");
    const std::string inside = UniqueProgramName("qins");
    std::string msBlock = scan::ToWideBytes("StringFileInfo") + scan::ToWideBytes("CompanyName") +
                          std::string(4, '\0') + scan::ToWideBytes("Microsoft Corporation") +
                          std::string(4, '\0');
    Sleeper a(machine.ProgramsFolder(), excluded);
    Sleeper b(machine.ProgramsFolder(), microsoft, msBlock);
    Sleeper c(machine.ProgramsFolder(), inside);
    machine.HomeFile("ENoSignature.txt", excluded + "\r\n");
    // The name first occurs inside a longer line that does not end with it,
    // so the exact line that follows is never reached.
    WriteDefinitions({}, {}, {excluded, microsoft, inside + ".bak", inside});
    Scan(false, true, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), IsEmpty());
    EXPECT_FALSE(a.Killed());
}

TEST_F(ProcessScanTest, NinetyFiveFamilyAsksOutsideAScanLinuxOnly) {
    machine.WriteMachineIni("[Version]\r\nPlatformId=1\r\nMajor=4\r\nMinor=90\r\n");
    const std::string name = UniqueProgramName("qnine");
    Sleeper bad(machine.ProgramsFolder(), name);
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

}  // namespace
}  // namespace quellon::testing
