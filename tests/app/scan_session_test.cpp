#include "common/text.h"
#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;

class ScanSessionTest : public FormTest {
protected:
    void SetUp() override { host.SetNow(DateTime{2026, 12, 7, 10, 35, 12}); }

    // Many absent registry entries, to give a phase some length.
    static std::vector<std::string> RegistryLines(int n) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) {
            out.push_back("2^SOFTWARE\\Absent" + std::to_string(i) + "^=Absent");
        }
        return out;
    }
    void WriteRegistryDefinitions(int n) {
        std::string data;
        for (const auto& line : RegistryLines(n)) {
            data += definitions::EncodeDefinitionLine(line) + "\r\n";
        }
        machine.HomeFile("RegistryDefinition.dat", data);
    }
};

TEST_F(ScanSessionTest, OptionalPhasesOffStillRunTheKnownFilePhase) {
    WriteDefinitions({"a.dll=A", "b.dll=B"}, {"2^X^=X"}, {"x.exe"}, {"x.com"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_EQ(f.lblMemoryInspected.Caption(), "Not Selected");
    EXPECT_EQ(f.lblRegistryInspected.Caption(), "Not Selected");
    // Fewer than 100 items: the final refresh still shows the true totals.
    EXPECT_EQ(f.lblFilesFolderInspected.Caption(), "2");
    EXPECT_EQ(f.lblStatus.Caption(), "Scanning complete.");
    EXPECT_EQ(f.pb1.Value(), 100);
    EXPECT_EQ(f.pb2.Value(), 100);
    EXPECT_TRUE(f.cmdScan.Enabled());
    EXPECT_TRUE(f.cmdScanNow.Enabled());
    EXPECT_FALSE(f.cmdStop.Enabled());
    EXPECT_FALSE(f.cmdPause.Enabled());
    EXPECT_TRUE(f.cmdRemove.Visible());
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblLastScan), "12/7/2026 10:35:12 AM");
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblLastFullScan), "<absent>");
    EXPECT_EQ(f.lblLastScan.Caption(), "12/7/2026 10:35:12 AM");
}

TEST_F(ScanSessionTest, LabelsChangeOnlyEveryHundredthItem) {
    WriteDefinitions();
    WriteRegistryDefinitions(250);
    auto& f = Form();
    std::vector<std::string> seen;
    host.OnEveryDoEvents([&] { seen.push_back(f.lblRegistryInspected.Caption()); });
    Scan(false, false, true);
    // DoEvents follows each of the 250 items; the label moves at 100 and 200.
    ASSERT_GE(seen.size(), 250u);
    EXPECT_EQ(seen[0], "0");
    EXPECT_EQ(seen[98], "0");
    EXPECT_EQ(seen[99], "100");
    EXPECT_EQ(seen[199], "200");
    EXPECT_EQ(seen[249], "200");
    EXPECT_EQ(Form().lblRegistryInspected.Caption(), "250");
}

TEST_F(ScanSessionTest, StopDuringTheRegistryPhaseCancelsTheScan) {
    WriteDefinitions({"a.dll=A", "b.dll=B"});
    WriteRegistryDefinitions(500);
    host.AtDoEvents(150, [&] {
        host.ExpectMsgBox("Are you sure you want to stop the scan?", ui::MsgResult::kYes);
        Form().cmdStop.Click();
    });
    Scan(false, false, true);
    auto& f = Form();
    EXPECT_EQ(f.Session().counters.RegistryEntriesInspected, 150);
    EXPECT_EQ(f.Session().counters.FilesFoldersInspected, 0);
    EXPECT_EQ(f.lblStatus.Caption(), "Scanning was cancelled.");
    EXPECT_EQ(f.lblPercentageCompleted.Caption(), "0% complete.");
    EXPECT_EQ(f.pbgMain.Value(), 0);
    ASSERT_GE(host.Shown().size(), 1u);
    EXPECT_EQ(host.Shown()[0].title, "Quellon Pro");
}

TEST_F(ScanSessionTest, StopAnsweredNoAndPauseKeepScanning) {
    WriteDefinitions({"a.dll=A"});
    WriteRegistryDefinitions(50);
    host.AtDoEvents(10, [&] {
        host.ExpectMsgBox("Are you sure you want to stop the scan?", ui::MsgResult::kNo);
        Form().cmdStop.Click();
        host.ExpectMsgBox("Quellon Pro has been paused.  Click OK to resume.", ui::MsgResult::kOk);
        Form().cmdPause.Click();
    });
    Scan(false, false, true);
    EXPECT_EQ(Form().lblStatus.Caption(), "Scanning complete.");
    EXPECT_EQ(Form().lblRegistryInspected.Caption(), "50");
}

TEST_F(ScanSessionTest, CompleteSystemScanStoresBothDates) {
    WriteDefinitions();
    Form().optScanAllSelectedHardDrive.SetValue(true);
    Scan();
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblLastScan), "12/7/2026 10:35:12 AM");
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblLastFullScan),
              "12/7/2026 10:35:12 AM");
}

TEST_F(ScanSessionTest, MissingDefinitionsShowTheMessageAndRecordNoScan) {
    machine.HomeFile("FileDefinition.dat", "");
    host.ExpectMsgBox(
        "Definition files are missing or they have been corrupted. Please run Liveupdate.",
        ui::MsgResult::kOk);
    Scan();
    auto& f = Form();
    EXPECT_FALSE(f.LastScanRan());
    EXPECT_NE(f.lblStatus.Caption(), "Scanning complete.");
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblLastScan), "<absent>");
    EXPECT_TRUE(f.frmOptions.Visible());
    EXPECT_TRUE(f.cmdScan.Enabled());
    EXPECT_FALSE(f.cmdStop.Enabled());
}

TEST_F(ScanSessionTest, BackgroundTimersStopDuringTheScanAndFollowTheSettingsAfter) {
    WriteDefinitions();
    auto& f = Form();
    f.Settings().Save(settings::kOptionAndSettings, settings::keys::kOptMemorySheildOn, "False");
    bool timersOffDuringScan = true;
    host.OnEveryDoEvents([&] {
        timersOffDuringScan = timersOffDuringScan && !f.tmrMemoryInspected.Enabled() &&
                              !f.tmrCheckHomePage.Enabled() && !f.tmrScheduler.Enabled() &&
                              !f.tmrTimeOut.Enabled();
    });
    WriteDefinitions({"a.dll=A"});
    f.StartScan();
    EXPECT_TRUE(timersOffDuringScan);
    EXPECT_FALSE(f.tmrMemoryInspected.Enabled());
    EXPECT_TRUE(f.tmrCheckHomePage.Enabled());
    EXPECT_FALSE(f.tmrScheduler.Enabled());
    EXPECT_TRUE(f.tmrTimeOut.Enabled());
}

}  // namespace
}  // namespace quellon::testing
