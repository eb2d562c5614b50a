// Live Update on the main window against a real HTTP server on 127.0.0.1:
// the button's check and its messages, the restart through the companion,
// the new definitions taken in when no companion can restart, and the
// automatic update with its sliding notice.
#include <algorithm>
#include <chrono>

#include "definitions/definition_set.h"
#include "support/form_fixture.h"
#include "support/http_server.h"
#include "update/live_update.h"

namespace quellon::testing {
namespace {

using definitions::Kind;
using settings::kOptionAndSettings;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace keys = settings::keys;

std::string Page(std::int64_t version) {
    return "<html><body><p>Defination version : " + std::to_string(version) + "</p></body></html>";
}

class UpdateFormTest : public FormTest {
protected:
    void SetUp() override {
        WriteDefinitions({"a.dll=A"}, {"2^SOFTWARE\\A^=A"}, {"a.exe"}, {"a.example"});
        Form().UpdateContext().site = server.Base();
    }
    // Every kind published at `version`; the executable kind's file holds
    // `exeLine`.
    void Publish(std::int64_t version, std::string_view exeLine = "b.exe") {
        for (Kind kind : update::kCheckOrder) {
            const auto& info = update::InfoOf(kind);
            server.ServeBody(std::string(info.versionPage), Page(version));
            const std::string body = kind == Kind::kExe        ? Definitions({exeLine})
                                     : kind == Kind::kFile     ? Definitions({"b.dll=B"})
                                     : kind == Kind::kRegistry ? Definitions({"2^SOFTWARE\\B^=B"})
                                                               : Definitions({"b.example"});
            server.ServeBody(std::string(info.dataPath), body, 200, "application/octet-stream");
            server.ServeBody(std::string(info.dataPath) + ".sig",
                             Signer().Sign(definitions::FileNameOf(kind), version, body));
        }
    }
    void StoreVersions(std::int64_t version) {
        for (Kind kind : update::kCheckOrder) {
            Form().Settings().Save(kOptionAndSettings, update::InfoOf(kind).versionKey,
                                   std::to_string(version));
        }
    }
    HttpServer server;
};

TEST_F(UpdateFormTest, AnUpToDateListSaysSoAndRestartsNothing) {
    Publish(43);
    StoreVersions(43);
    host.ExpectMsgBox("You are using the most recent definition list (version 43).",
                      ui::MsgResult::kOk);
    Form().cmdLiveUpdate.Click();
    EXPECT_EQ(frontEnd.companionsStarted, 0);
    EXPECT_FALSE(host.Ended());
    EXPECT_TRUE(Form().cmdLiveUpdate.Enabled());
    // The background timers run again as the settings say.
    EXPECT_TRUE(Form().tmrCheckHomePage.Enabled());
    EXPECT_TRUE(Form().tmrMemoryInspected.Enabled());
}

TEST_F(UpdateFormTest, TheShieldsRunBetweenTheFilesAndStopOnlyWhileFilesAreWritten) {
    Publish(44);
    StoreVersions(43);
    frontEnd.companionStarts = false;
    // Every wait of the check lets events run with the home-page shield on.
    int withShield = 0, withoutShield = 0;
    host.OnEveryDoEvents([&] {
        if (Form().UpdateContext().deadline != std::chrono::steady_clock::time_point::max()) {
            ++(Form().tmrCheckHomePage.Enabled() ? withShield : withoutShield);
        }
    });
    // It goes off once for each file written, and on again after it.
    std::vector<bool> switches;
    Form().tmrCheckHomePage.Observe([&] { switches.push_back(Form().tmrCheckHomePage.Enabled()); });
    Form().cmdLiveUpdate.Click();
    EXPECT_GT(withShield, 8);
    EXPECT_EQ(withoutShield, 0);
    EXPECT_EQ(std::count(switches.begin(), switches.end(), false), 4);
    EXPECT_TRUE(Form().tmrCheckHomePage.Enabled());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kEXEDefinition), "44");
}

TEST_F(UpdateFormTest, ADownloadRestartsThroughTheCompanion) {
    Publish(44);
    StoreVersions(43);
    Form().mnuFileLiveUpdate.Click();
    EXPECT_EQ(frontEnd.companionsStarted, 1);
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSHOW), "True");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kRESTART), "True");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kEXEDefinition), "44");
    // The new files wait as "DL" files for the next start.
    EXPECT_EQ(machine.ReadHome("DLExeDefinition.dat"), Definitions({"b.exe"}));
    EXPECT_EQ(machine.ReadHome("ExeDefinition.dat"), Definitions({"a.exe"}));
    EXPECT_EQ(host.Shown().size(), 0u);
}

TEST_F(UpdateFormTest, WithoutACompanionTheNewDefinitionsAreTakenInAtOnce) {
    Publish(44, "c.exe");
    StoreVersions(43);
    frontEnd.companionStarts = false;
    Form().cmdLiveUpdate.Click();
    EXPECT_FALSE(host.Ended());
    EXPECT_EQ(machine.ReadHome("ExeDefinition.dat"), Definitions({"c.exe"}));
    EXPECT_EQ(machine.ReadHome("DLExeDefinition.dat"), "");
    EXPECT_EQ(Form().lblDefVersion.Caption(), "44");
    EXPECT_EQ(Form().lblDefCount.Caption(), "4");
}

TEST_F(UpdateFormTest, AFailedCheckIsSaidAndNotTakenForTheMostRecentList) {
    Form().UpdateContext().site = "http://127.0.0.1:" + std::to_string(HttpServer::RefusedPort());
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    Form().cmdLiveUpdate.Click();
    ASSERT_EQ(host.Shown().size(), 4u);
    EXPECT_EQ(host.Shown()[0].text,
              "Definitions could not be downloaded. Please check your internet connection.");
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(host.Shown()[i].text,
                  "Definitions could not be downloaded.  Please check your internet connection.");
    }
    EXPECT_EQ(frontEnd.companionsStarted, 0);
    EXPECT_TRUE(Form().cmdLiveUpdate.Enabled());
}

TEST_F(UpdateFormTest, TheAutomaticUpdateWaitsForFiveIdleMinutesThenSlidesItsNotice) {
    Publish(44);
    StoreVersions(43);
    auto& f = Form();
    auto& notice = f.frmSignatureUpdated;
    f.ArmAutomaticUpdate(300);
    host.RunFor(299 * 1000);
    EXPECT_EQ(f.UpdateChecks(), 0u);
    host.RunFor(1000);
    EXPECT_EQ(f.UpdateChecks(), 1u);
    EXPECT_FALSE(f.timUpdate.Enabled());
    ASSERT_TRUE(notice.Visible());
    EXPECT_THAT(notice.lblUpdateInfo.Caption(),
                HasSubstr("All Quellon Pro signatures have been updated automatically.  You are "
                          "now protected from new malicious applications.  Quellon Pro will now "
                          "be restarted."));
    // It starts above the taskbar, slides up 20 twips a tick to its rest...
    const int start = notice.Top();
    host.RunFor(10);
    EXPECT_EQ(notice.Top(), start - 20);
    host.RunFor(10 * (start - notice.RestingTop()) / 20 + 50);
    EXPECT_LE(notice.Top(), notice.RestingTop());
    EXPECT_EQ(frontEnd.companionsStarted, 0);
    // ... rests 7 seconds, slides down and restarts.
    host.RunFor(7000 + 10 * 200);
    EXPECT_EQ(frontEnd.companionsStarted, 1);
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kSHOW), "false");
    EXPECT_EQ(Stored(kOptionAndSettings, keys::kRESTART), "True");
}

TEST_F(UpdateFormTest, OkWhileTheNoticeSlidesUpRestartsAtOnce) {
    Publish(44);
    StoreVersions(43);
    auto& f = Form();
    f.RunAutomaticUpdate();
    ASSERT_TRUE(f.frmSignatureUpdated.Visible());
    host.RunFor(30);
    f.frmSignatureUpdated.cmdUpdateSuccesfullOK.Click();
    EXPECT_EQ(frontEnd.companionsStarted, 1);
    EXPECT_TRUE(host.Ended());
}

TEST_F(UpdateFormTest, NothingNewMeansNoNoticeAndTheDebugNoticeOnlyCloses) {
    Publish(43);
    StoreVersions(43);
    auto& f = Form();
    f.RunAutomaticUpdate();
    EXPECT_FALSE(f.frmSignatureUpdated.Visible());
    EXPECT_EQ(host.Shown().size(), 0u);  // the automatic update says nothing
    f.mnuDebugSignature.Click();
    EXPECT_TRUE(f.frmSignatureUpdated.Visible());
    EXPECT_NE(f.frmSignatureUpdated.lblUpdateInfo.Caption().find("signatures have been updated"),
              std::string::npos);
    EXPECT_TRUE(f.frmSignatureUpdated.tmrPopupSignatureUpdate.Enabled());
    f.frmSignatureUpdated.cmdUpdateSuccesfullOK.Click();
    EXPECT_FALSE(f.frmSignatureUpdated.Visible());
    EXPECT_EQ(frontEnd.companionsStarted, 0);
    EXPECT_FALSE(host.Ended());
}

// The automatic check lets events run while it waits for the pages: a
// window sent to the tray meanwhile keeps its icon (hidden without one, it
// could be reached by nothing, and the single-instance lock refuses every
// new start), and one that was in the tray before keeps it too.
TEST_F(UpdateFormTest, TheTrayIconOutlastsAnAutomaticCheckWhateverHappensDuringIt) {
    Publish(43);
    StoreVersions(43);
    auto& f = Form();
    f.frmMainWindow.SetVisible(true);
    f.frmMainWindow.SetWindowState(ui::Window::State::kNormal);
    ASSERT_FALSE(f.clsTray.bRunningInTray());
    bool sent = false;
    host.AtDoEvents(host.DoEventsCount() + 1, [&] {
        EXPECT_TRUE(frontEnd.trayIconShown) << "Live Update's own icon while it checks";
        f.Command5.Click();
        sent = true;
    });
    f.RunAutomaticUpdate();
    ASSERT_TRUE(sent) << "the check let no events run";
    EXPECT_EQ(f.UpdateChecks(), 1u);
    EXPECT_FALSE(f.frmMainWindow.Visible());
    EXPECT_TRUE(f.clsTray.bRunningInTray());
    EXPECT_TRUE(frontEnd.trayIconShown);
    EXPECT_EQ(frontEnd.trayTip, tray::CutTip(f.frmMainWindow.Caption()));
    // The icon brings the window back.
    f.OnTrayMessage(0x203);
    EXPECT_TRUE(f.frmMainWindow.Visible());

    // In the tray before the check, the tip is the program's again after it.
    f.Command5.Click();
    f.RunAutomaticUpdate();
    EXPECT_TRUE(frontEnd.trayIconShown);
    EXPECT_EQ(frontEnd.trayTip, tray::CutTip(f.frmMainWindow.Caption()));

    // Not in the tray and nothing happening: Live Update's icon goes again.
    f.OnTrayMessage(0x203);
    f.clsTray.RemoveIcon(f.frmMainWindow);
    f.RunAutomaticUpdate();
    EXPECT_FALSE(frontEnd.trayIconShown);
    EXPECT_TRUE(f.frmMainWindow.Visible());
}

TEST_F(UpdateFormTest, SecondsOfAScanDoNotCountAsIdle) {
    Publish(43);
    StoreVersions(43);
    auto& f = Form();
    f.ArmAutomaticUpdate(3);
    f.cmdScanNow.SetEnabled(false);  // as while a scan runs
    host.RunFor(10 * 1000);
    EXPECT_EQ(f.UpdateChecks(), 0u);
    f.cmdScanNow.SetEnabled(true);
    host.RunFor(3 * 1000);
    EXPECT_EQ(f.UpdateChecks(), 1u);
}

}  // namespace
}  // namespace quellon::testing
