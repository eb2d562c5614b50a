#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

class ReportTest : public FormTest {
protected:
    void SetUp() override { host.SetNow(DateTime{2026, 12, 7, 10, 35, 12}); }
    void ReportOn(bool on) {
        Form().Settings().SaveCheck(settings::kOptionAndSettings, settings::keys::kChkMakeLog, on);
        Form().LoadSettingsIntoForm();
    }
    std::string Report() { return machine.ReadHome("Scan_Log.txt"); }
};

const std::string kStars(68, '*');

std::string Header() {
    return kStars + "\r\n\r\n" + "                   Quellon Prov1.6   Scan Report.\r\n\r\n" +
           kStars + "\r\n\r\n" + "-----------------------\r\n\r\n" +
           " Scan Started at  : 12/7/2026 10:35:12 AM\r\n\r\n" +
           " Scan Finished at : 12/7/2026 10:35:12 AM\r\n\r\n" + "-----------------------\r\n\r\n" +
           "\r\n\r\n\r\n\r\n\r\n\r\n";
}

TEST_F(ReportTest, LayoutWithThreatsExclusionsAndTheQuarantineLog) {
    machine.PlantFile("C:\\Bad\\x.txt", "x");
    WriteDefinitions({"x.txt=Xware|C:\\Bad", "y.txt=Yware|C:\\Bad"});
    // Empty lines and lines of one blank are neither listed nor counted.
    machine.HomeFile("ENoSignature.txt", "a.exe\r\n\r\n \r\n  b\r\n");
    machine.HomeFile("quarantine/QuarantineLog.txt", "one\r\n\r\ntwo\r\n");
    ReportOn(true);
    Scan(false, false, false);

    const auto& f = Form();
    const std::string expected =
        Header() +
        " 1)Total Number of Cookies and Processes inspected: " + f.lblMemoryInspected.Caption() +
        "\r\n\r\n" +
        " 2)Total Number of Registry entries inspected: " + f.lblRegistryInspected.Caption() +
        "\r\n\r\n" + " 3)Total Number of Files/Folders inspected: 2\r\n\r\n" + "\r\n\r\n" +
        "[Threats Detected]\r\n\r\n\r\n" + "Xware\r\n\r\n" + "C:\\Bad\\x.txt\r\n\r\n\r\n" +
        "Total = 1\r\n\r\n" +
        "\r\n[Files Currently Excluded]\r\n\r\na.exe\r\n  b\r\nTotal Lines = 2\r\n\r\n" +
        "\r\n[Current Quarantine Log]\r\n\r\none\r\n\r\ntwo\r\nTotal Lines = 3\r\n\r\n\r\n" +
        "\r\n\r\n" + "=====================End Of Report.\r\n";
    EXPECT_EQ(Report(), expected);
    EXPECT_EQ(f.lblMemoryInspected.Caption(), "Not Selected");
}

TEST_F(ReportTest, CleanScanMissingSectionsAndTheOptionOff) {
    WriteDefinitions({"y.txt=Yware|C:\\Bad"});
    ReportOn(true);
    Scan(false, false, false);
    const std::string report = Report();
    EXPECT_NE(report.find("[Threats Detected]\r\n\r\n\r\nTotal = 0\r\n\r\n\r\n\r\n====="),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("[Files Currently Excluded]"), std::string::npos);
    EXPECT_EQ(report.find("[Current Quarantine Log]"), std::string::npos);

    // Unticked, the older report stays as it was.
    machine.HomeFile("Scan_Log.txt", "older");
    ReportOn(false);
    Scan(false, false, false);
    EXPECT_EQ(Report(), "older");

    // A report that cannot be written (a folder holds its name) is passed over.
    std::filesystem::remove(machine.Home() / "Scan_Log.txt");
    std::filesystem::create_directory(machine.Home() / "Scan_Log.txt");
    ReportOn(true);
    Scan(false, false, false);
    EXPECT_EQ(Form().lblStatus.Caption(), "Scanning complete.");
}

TEST_F(ReportTest, ViewerShowsTheReportModally) {
    machine.HomeFile("Scan_Log.txt", "first\r\n   \r\n\r\nlast");
    auto& f = Form();
    int shown = 0;
    frontEnd.onShowModal = [&](ui::Window& w) {
        ++shown;
        EXPECT_EQ(&w, &f.frmReport);
        EXPECT_FALSE(f.lblViewLogFile.Enabled());
        EXPECT_TRUE(w.Visible());
        f.frmReport.cmdOk.Click();
    };
    f.cmdLog.Click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(f.frmReport.txtReport.Text(), "first\r\n\r\n\r\nlast\r\n");
    EXPECT_EQ(f.frmReport.Caption(), "Quellon Pro Log");
    EXPECT_FALSE(f.frmReport.Visible());
    EXPECT_TRUE(f.lblViewLogFile.Enabled());

    // Without a report the viewer is empty; the other two ways open it too.
    std::filesystem::remove(machine.Home() / "Scan_Log.txt");
    f.lblViewLogFile.Click();
    f.mnuFileViewLog.Click();
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(f.frmReport.txtReport.Text(), "");
}

}  // namespace
}  // namespace quellon::testing
