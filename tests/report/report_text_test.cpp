// The report file on its own: its text from a removal list, the exclusion
// file and the quarantine log, and the viewer's reading of it.
#include <gtest/gtest.h>

#include "report/report.h"
#include "support/scripted_host.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

TEST(ReportTextTest, EveryRowWithItsLocationAndOnlyTheSectionsThatHaveLines) {
    TestMachine machine;
    ui::ListView removal;
    removal.Add("Xware", 3, {"C:\\Bad\\x.txt"});
    removal.Add("Cookie: user@ad[1].txt", 1, {"C:\\Cookies\\user@ad[1].txt"});
    machine.HomeFile("quarantine/QuarantineLog.txt", "one\r\n");
    const report::ReportInput input{"Quellon Pro",
                                    1,
                                    6,
                                    "start",
                                    "end",
                                    "12",
                                    "Not Selected",
                                    "7",
                                    removal,
                                    machine.HomeWindowsPath()};
    ASSERT_TRUE(report::MakeReport(input, machine.Platform().files));
    const std::string stars(68, '*');
    const std::string expected =
        stars + "\r\n\r\n                   Quellon Prov1.6   Scan Report.\r\n\r\n" + stars +
        "\r\n\r\n-----------------------\r\n\r\n Scan Started at  : start\r\n\r\n"
        " Scan Finished at : end\r\n\r\n-----------------------\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
        " 1)Total Number of Cookies and Processes inspected: 12\r\n\r\n"
        " 2)Total Number of Registry entries inspected: Not Selected\r\n\r\n"
        " 3)Total Number of Files/Folders inspected: 7\r\n\r\n\r\n\r\n"
        "[Threats Detected]\r\n\r\n\r\n"
        "Xware\r\n\r\nC:\\Bad\\x.txt\r\n\r\n\r\n"
        "Cookie: user@ad[1].txt\r\n\r\nC:\\Cookies\\user@ad[1].txt\r\n\r\n\r\n"
        "Total = 2\r\n\r\n"
        "\r\n[Current Quarantine Log]\r\n\r\none\r\nTotal Lines = 1\r\n\r\n\r\n"
        "\r\n\r\n=====================End Of Report.\r\n";
    EXPECT_EQ(machine.ReadHome("Scan_Log.txt"), expected);
}

TEST(ReportTextTest, ViewerKeepsLinesAndTurnsBlankOnesIntoLineEnds) {
    TestMachine machine;
    ScriptedHost host;
    machine.HomeFile("Scan_Log.txt", "first\r\n   \r\nsecond\rthird\n\r\nlast");
    report::FrmReport viewer(machine.Platform().files, host,
                             machine.HomeWindowsPath() + "\\Scan_Log.txt", "Quellon Pro");
    viewer.Form_Load();
    EXPECT_EQ(viewer.txtReport.Text(), "first\r\n\r\nsecond\r\nthird\r\n\r\nlast\r\n");
    EXPECT_EQ(viewer.Caption(), "Quellon Pro Log");
}

}  // namespace
}  // namespace quellon::testing
