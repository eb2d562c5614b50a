// Live Update against a real HTTP server on 127.0.0.1 that the test starts.
#include "update/live_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>

#include "definitions/codec.h"
#include "platform/backend_factory.h"
#include "support/http_server.h"
#include "support/scripted_host.h"
#include "support/signing.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using definitions::Kind;
using update::Outcome;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kRegistryFailure =
    "Definitions could not be downloaded. Please check your internet connection.";
constexpr std::string_view kOtherFailure =
    "Definitions could not be downloaded.  Please check your internet connection.";

std::string Stored(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view line : lines) {
        out += definitions::EncodeDefinitionLine(line) + "\r\n";
    }
    return out;
}

std::string VersionPage(std::int64_t version) {
    return "<html><body><p>Defination version : " + std::to_string(version) + "</p></body></html>";
}

// A live file and a newer published file of every kind.
struct Files {
    std::string live, published;
};
const std::map<Kind, Files>& Samples() {
    static const std::map<Kind, Files> samples = {
        {Kind::kRegistry,
         {Stored({"1^Software\\Old^=Old"}), Stored({"1^Software\\New^=New", "2^Software\\N^v=N"})}},
        {Kind::kFile, {Stored({"old.dll=Old"}), Stored({"new.dll=New", "new2.dll=New|[wDir]"})}},
        {Kind::kExe, {Stored({"old.exe"}), Stored({"new.exe", "newer.exe"})}},
        {Kind::kCookie, {Stored({"old.example"}), Stored({"new.example", "*.ads.example"})}},
    };
    return samples;
}

class LiveUpdateTest : public ::testing::Test {
protected:
    LiveUpdateTest()
        : store(machine.Platform().settings),
          ctx{machine.Platform(), host,       store,         frmDownload,
              tmrTimeOut,         lblWebText, cmdLiveUpdate, machine.HomeWindowsPath()} {
        ctx.site = server.Base();
        ctx.trust = &signer.Trust();
        tmrTimeOut.onTick = [this] { update::TimeOutTick(ctx); };
        host.AddTimer(tmrTimeOut);
    }

    const update::KindInfo& Info(Kind kind) { return update::InfoOf(kind); }
    std::string Name(Kind kind) { return std::string(definitions::FileNameOf(kind)); }
    std::string Version(Kind kind) {
        return store.Get(settings::kOptionAndSettings, Info(kind).versionKey, "none");
    }
    void StoreVersion(Kind kind, std::int64_t v) {
        store.Save(settings::kOptionAndSettings, Info(kind).versionKey, std::to_string(v));
    }
    void Publish(Kind kind, std::int64_t version) {
        server.ServeBody(std::string(Info(kind).versionPage), VersionPage(version));
        ServeSigned(kind, version, Samples().at(kind).published);
    }
    // `bytes` as the kind's data file, with the maker's signature of them.
    void ServeSigned(Kind kind, std::int64_t version, const std::string& bytes) {
        server.ServeBody(std::string(Info(kind).dataPath), bytes, 200, "application/octet-stream");
        ServeSignature(kind, signer.Sign(Name(kind), version, bytes));
    }
    void ServeSignature(Kind kind, const std::string& text) {
        server.ServeBody(std::string(Info(kind).dataPath) + ".sig", text, 200, "text/plain");
    }
    // Every kind live at version 5, and published at `version`.
    void Setup(std::int64_t version) {
        for (Kind kind : update::kCheckOrder) {
            machine.HomeFile(Name(kind), Samples().at(kind).live);
            StoreVersion(kind, 5);
            Publish(kind, version);
        }
    }
    int DataRequests() {
        int n = 0;
        for (Kind kind : update::kCheckOrder) {
            n += server.Requests(Info(kind).dataPath);
        }
        return n;
    }
    // Every file of the program folder and every stored version.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(machine.Home())) {
            out["file " + entry.path().filename().string()] = ReadBytes(entry.path());
        }
        for (Kind kind : update::kCheckOrder) {
            out["version " + Name(kind)] = Version(kind);
        }
        return out;
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (const auto& box : host.Shown()) {
            EXPECT_EQ(box.style, ui::kOkOnly | ui::kCritical);
            EXPECT_EQ(box.title, "Quellon Pro");
            out.push_back(box.text);
        }
        return out;
    }

    TestMachine machine;
    ScriptedHost host;
    HttpServer server;
    TestSigner signer;
    settings::SettingsStore store;
    update::FrmDownload frmDownload;
    ui::Timer tmrTimeOut{30000, false};
    ui::Label lblWebText;
    ui::Button cmdLiveUpdate{"Run Live Update Now"};
    update::UpdateContext ctx;
};

TEST_F(LiveUpdateTest, UpToDateChecksFourPagesAndTouchesNothing) {
    Setup(5);
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_FALSE(check.downloaded);
    EXPECT_FALSE(check.failed);
    ASSERT_EQ(check.kinds.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(check.kinds[i].kind, update::kCheckOrder[i]);
        EXPECT_EQ(check.kinds[i].outcome, Outcome::kUpToDate);
        EXPECT_EQ(check.kinds[i].version, 5);
        EXPECT_EQ(server.Requests(Info(update::kCheckOrder[i]).versionPage), 1);
    }
    EXPECT_EQ(DataRequests(), 0);
    EXPECT_TRUE(host.Shown().empty());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(tmrTimeOut.Enabled());
    EXPECT_EQ(update::MostRecentMessage(store),
              "You are using the most recent definition list (version 5).");
}

TEST_F(LiveUpdateTest, MissingFilesAreDownloadedEvenWhenTheVersionsAgree) {
    Setup(5);
    std::filesystem::remove(machine.Home() / Name(Kind::kExe));
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_TRUE(check.downloaded);
    EXPECT_FALSE(check.failed);
    EXPECT_EQ(check.kinds[2].outcome, Outcome::kDownloaded);
    EXPECT_EQ(server.Requests(Info(Kind::kExe).dataPath), 1);
    EXPECT_EQ(DataRequests(), 1);
    EXPECT_EQ(machine.ReadHome("DLExeDefinition.dat"), Samples().at(Kind::kExe).published);
    EXPECT_FALSE(std::filesystem::exists(machine.Home() / "DLExeDefinition.dat.part"));
    EXPECT_EQ(Version(Kind::kExe), "5");
}

// An older release, signed by the maker or not, is never taken back: the
// stored version 5 is what the program has.
TEST_F(LiveUpdateTest, ALowerPublishedVersionIsRefusedAndChangesNothing) {
    Setup(3);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_FALSE(check.downloaded);
    EXPECT_TRUE(check.failed);
    for (const auto& kind : check.kinds) {
        EXPECT_EQ(kind.outcome, Outcome::kFailed);
        EXPECT_NE(kind.status.reason().find("older than the installed version 5"),
                  std::string::npos)
            << kind.status.reason();
    }
    EXPECT_EQ(Messages().size(), 4u);
    EXPECT_EQ(DataRequests(), 0);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, ASignedDownloadKeepsItsSignatureAndTheStartInstallsBoth) {
    Setup(6);
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_TRUE(check.downloaded);
    EXPECT_FALSE(check.failed);
    for (Kind kind : update::kCheckOrder) {
        EXPECT_EQ(Version(kind), "6");
        // The live file stays until the next start.
        EXPECT_EQ(machine.ReadHome(Name(kind)), Samples().at(kind).live);
        EXPECT_EQ(machine.ReadHome("DL" + Name(kind)), Samples().at(kind).published);
        const auto kept = definitions::CheckSignedFile(signer.Trust(),
                                                       machine.ReadHome("DL" + Name(kind) + ".sig"),
                                                       Name(kind), Samples().at(kind).published);
        EXPECT_TRUE(kept.ok) << kept.reason;
        EXPECT_EQ(kept.signature.version, 6);
        EXPECT_FALSE(std::filesystem::exists(machine.Home() / ("DL" + Name(kind) + ".sig.part")));
        // Its signature was fetched, once.
        EXPECT_EQ(server.Requests(std::string(Info(kind).dataPath) + ".sig"), 1);
    }
    definitions::DefinitionSet set(machine.Platform().files, machine.HomeWindowsPath());
    const auto outcomes = set.InstallDownloadedDefinitions(signer.Trust());
    EXPECT_EQ(outcomes.size(), 4u);
    for (Kind kind : update::kCheckOrder) {
        EXPECT_EQ(machine.ReadHome(Name(kind)), Samples().at(kind).published);
        EXPECT_EQ(set.LiveSignedVersion(signer.Trust(), kind), 6);
        EXPECT_FALSE(std::filesystem::exists(machine.Home() / ("DL" + Name(kind))));
    }
    // Now the installed files' own signatures hold the version: a replay
    // of an older release is refused even where the stored one is lost.
    for (Kind kind : update::kCheckOrder) {
        StoreVersion(kind, 0);
        Publish(kind, 5);
    }
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    const update::UpdateCheck replay = update::CheckDefinitionVersions(ctx);
    EXPECT_FALSE(replay.downloaded);
    for (const auto& kind : replay.kinds) {
        EXPECT_EQ(kind.outcome, Outcome::kFailed);
        EXPECT_NE(kind.status.reason().find("older than the installed version 6"),
                  std::string::npos)
            << kind.status.reason();
    }
}

// Whatever is wrong with a signature, the download is a failed one: the
// kind's message, nothing written, the stored version as it was.
TEST_F(LiveUpdateTest, ADownloadWhoseSignatureFailsIsRefused) {
    TestSigner stranger;
    const Kind kind = Kind::kFile;
    const std::string published = Samples().at(kind).published;
    struct Case {
        const char* what;
        std::function<void()> serve;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"unsigned", [&] { server.ServeBody(std::string(Info(kind).dataPath) + ".sig", "", 404); },
         "the signature"},
        {"a stranger's key", [&] { ServeSignature(kind, stranger.Sign(Name(kind), 6, published)); },
         "not the maker's"},
        {"a byte changed after signing",
         [&] {
             std::string changed = published;
             changed[2] = static_cast<char>(changed[2] ^ 1);
             server.ServeBody(std::string(Info(kind).dataPath), changed);
         },
         "not the ones signed"},
        {"two signed files swapped",
         [&] {
             const std::string exe = Samples().at(Kind::kExe).published;
             server.ServeBody(std::string(Info(kind).dataPath), exe);
             ServeSignature(kind, signer.Sign(Name(Kind::kExe), 6, exe));
         },
         "the signature is for ExeDefinition.dat"},
        {"a signature for another version",
         [&] { ServeSignature(kind, signer.Sign(Name(kind), 7, published)); },
         "the signature is for version 7"},
        {"more bytes than were signed",
         [&] { server.ServeBody(std::string(Info(kind).dataPath), published + published); }, ""},
        {"fewer bytes than were signed",
         [&] { ServeSignature(kind, signer.Sign(Name(kind), 6, published + "x.dll=X\r\n")); },
         "its signature covers"},
        {"a signature file that is not one",
         [&] { ServeSignature(kind, "<html><body>Not Found</body></html>"); }, "not well-formed"},
    };
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t shown = host.Shown().size();
        Setup(5);
        Publish(kind, 6);
        c.serve();
        const auto before = Snapshot();
        const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
        EXPECT_FALSE(check.downloaded);
        EXPECT_EQ(check.kinds[1].outcome, Outcome::kFailed);
        EXPECT_NE(check.kinds[1].status.reason().find(c.reason), std::string::npos)
            << check.kinds[1].status.reason();
        ASSERT_EQ(host.Shown().size(), shown + 1);
        EXPECT_EQ(host.Shown().back().text, kOtherFailure);
        EXPECT_EQ(Snapshot(), before);
    }
    // A program that trusts no key takes nothing, even what the maker signed.
    Setup(5);
    Publish(kind, 6);
    ctx.trust = nullptr;
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_EQ(check.kinds[1].outcome, Outcome::kFailed);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, AManualRunShowsTheWindowAndItsStatusTexts) {
    Setup(5);
    StoreVersion(Kind::kFile, 4);
    std::vector<std::string> captions;
    frmDownload.lblStatus.Observe([&] { captions.push_back(frmDownload.lblStatus.Caption()); });
    std::vector<bool> shown;
    frmDownload.Observe([&] { shown.push_back(frmDownload.Visible()); });
    cmdLiveUpdate.SetEnabled(false);
    update::CheckDefinitionVersions(ctx);
    EXPECT_EQ(captions, (std::vector<std::string>{"Checking Registry Definition Version...", "",
                                                  "Checking File Definition Version...", "",
                                                  "Getting File Definitions... please wait...",
                                                  "Checking Executable Definition Version...", "",
                                                  "Checking Cookie Definition Version...", ""}));
    EXPECT_EQ(shown, (std::vector<bool>{true, false}));
}

TEST_F(LiveUpdateTest, AVersionPageThatIsNoPageFailsItsKindAndDownloadsNothing) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    // Registry: 404. File: 500. Executable: an error text in a 200 page.
    // Cookie: a page without a version.
    server.ServeBody(std::string(Info(Kind::kRegistry).versionPage), "gone", 404);
    server.ServeBody(std::string(Info(Kind::kFile).versionPage), VersionPage(6), 500);
    server.ServeBody(std::string(Info(Kind::kExe).versionPage),
                     "<html><body><h1>The page cannot be displayed</h1>Defination version : 6"
                     "</body></html>");
    server.ServeBody(std::string(Info(Kind::kCookie).versionPage),
                     "<html><body>Defination version : none yet</body></html>");
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_FALSE(check.downloaded);
    EXPECT_TRUE(check.failed);
    for (const auto& kind : check.kinds) {
        EXPECT_EQ(kind.outcome, Outcome::kFailed) << kind.status.reason();
    }
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string(kRegistryFailure), std::string(kOtherFailure),
                                        std::string(kOtherFailure), std::string(kOtherFailure)}));
    EXPECT_EQ(lblWebText.Caption(), " page can not be displayed ");
    EXPECT_EQ(DataRequests(), 0);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, NoServerFailsEveryKindInMomentsNotTimeOuts) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    ctx.site = "127.0.0.1:" + std::to_string(HttpServer::RefusedPort());
    const auto before = Snapshot();
    const auto started = Clock::now();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(check.failed);
    EXPECT_FALSE(check.downloaded);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string(kRegistryFailure), std::string(kOtherFailure),
                                        std::string(kOtherFailure), std::string(kOtherFailure)}));
    // The first kind found the site unreachable; the others did not try again.
    EXPECT_EQ(check.kinds[0].status.reason().find("could not be reached"), std::string::npos);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_NE(check.kinds[i].status.reason().find("the site could not be reached"),
                  std::string::npos)
            << check.kinds[i].status.reason();
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, ASilentServerEndsTheWaitAtTheTimeOut) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    HttpServer::Route silent;
    silent.mode = HttpServer::Route::Mode::kSilent;
    server.Serve(std::string(Info(Kind::kRegistry).versionPage), silent);
    // The timer runs on the wall clock, with a short interval.
    tmrTimeOut.SetInterval(400);
    auto last = Clock::now();
    host.OnEveryDoEvents([&] {
        const auto now = Clock::now();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count();
        if (ms > 0) {
            last = now;
            host.RunFor(static_cast<int>(ms));
        }
    });
    const auto started = Clock::now();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    const auto took = Clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(400));
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_EQ(check.kinds[0].outcome, Outcome::kFailed);
    EXPECT_NE(check.kinds[0].status.reason().find("in time"), std::string::npos)
        << check.kinds[0].status.reason();
    EXPECT_EQ(Version(Kind::kRegistry), "5");
    EXPECT_EQ(server.Requests(Info(Kind::kRegistry).dataPath), 0);
    // The other kinds go on as usual.
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(check.kinds[i].outcome, Outcome::kDownloaded);
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kRegistryFailure)});
}

TEST_F(LiveUpdateTest, EveryBadDownloadFailsAndChangesNothing) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    machine.HomeFile("DLFileDefinition.dat", Stored({"earlier.dll=Earlier"}));
    // Registry: 404. File: a body cut short of its Content-Length.
    // Executable: an HTML page. Cookie: an error text in a 200 response.
    server.ServeBody(std::string(Info(Kind::kRegistry).dataPath), "missing", 404);
    HttpServer::Route cut;
    cut.mode = HttpServer::Route::Mode::kTruncated;
    cut.body = Samples().at(Kind::kFile).published;
    cut.missingBytes = 40;
    server.Serve(std::string(Info(Kind::kFile).dataPath), cut);
    server.ServeBody(std::string(Info(Kind::kExe).dataPath),
                     "<!DOCTYPE html>\r\n<html><body>Welcome to our new site!</body></html>\r\n");
    server.ServeBody(std::string(Info(Kind::kCookie).dataPath), "The page cannot be displayed\r\n",
                     200, "text/plain");
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_FALSE(check.downloaded);
    for (const auto& kind : check.kinds) {
        EXPECT_EQ(kind.outcome, Outcome::kFailed);
        EXPECT_EQ(kind.version, 6);
        EXPECT_FALSE(kind.status.reason().empty());
    }
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{std::string(kRegistryFailure), std::string(kOtherFailure),
                                        std::string(kOtherFailure), std::string(kOtherFailure)}));
    EXPECT_EQ(DataRequests(), 4);
    // The earlier "DL" file, the live files and the versions are as they were.
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, DownloadsThatAreNotFilesOfTheirKindFail) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    // Registry: a 500 error. File: empty, where the live file is not.
    // Executable: a chunked body whose last line was cut (no length to
    // compare). Cookie: lines of another kind.
    // Each is signed as it is served: the checks of the kind still refuse it.
    ServeSigned(Kind::kRegistry, 6, Stored({"1^A^=A"}));
    server.ServeBody(std::string(Info(Kind::kRegistry).dataPath), Stored({"1^A^=A"}), 500);
    ServeSigned(Kind::kFile, 6, "");
    HttpServer::Route chunked;
    chunked.mode = HttpServer::Route::Mode::kChunked;
    chunked.body = Stored({"a.exe", "b.exe"}).substr(0, 9);
    server.Serve(std::string(Info(Kind::kExe).dataPath), chunked);
    ServeSignature(Kind::kExe, signer.Sign(Name(Kind::kExe), 6, chunked.body));
    ServeSigned(Kind::kCookie, 6, Stored({"1^Software^=x y"}));
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    for (const auto& kind : check.kinds) {
        EXPECT_EQ(kind.outcome, Outcome::kFailed) << kind.status.reason();
    }
    EXPECT_EQ(Messages().size(), 4u);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, OneDeadlineEndsTheWholeCheck) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    // Every data file trickles in fast enough for the stall limit (20 B per
    // 10 ms), but would take a minute each: the check's one deadline ends
    // it, and the kinds after it fail at once.
    HttpServer::Route trickle;
    trickle.mode = HttpServer::Route::Mode::kTrickle;
    trickle.body = std::string(40000, 'x');
    trickle.trickleBytes = 20;
    trickle.delayMs = 10;
    for (Kind kind : update::kCheckOrder) {
        server.Serve(std::string(Info(kind).dataPath), trickle);
        ServeSignature(kind, signer.Sign(Name(kind), 6, trickle.body));
    }
    // The real deadline: two minutes for all four kinds; a short one here.
    EXPECT_EQ(ctx.checkDeadlineMs, 120000);
    ctx.checkDeadlineMs = 1500;
    const auto before = Snapshot();
    const auto started = Clock::now();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    const auto took = Clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(1500));
    EXPECT_LT(took, std::chrono::seconds(6));
    EXPECT_FALSE(check.downloaded);
    ASSERT_EQ(check.kinds.size(), 4u);
    for (const auto& kind : check.kinds) {
        EXPECT_EQ(kind.outcome, Outcome::kFailed);
        EXPECT_NE(kind.status.reason().find("ran out of time"), std::string::npos)
            << kind.status.reason();
    }
    EXPECT_EQ(Messages().size(), 4u);
    EXPECT_EQ(server.Requests(Info(Kind::kRegistry).dataPath), 1);
    EXPECT_EQ(DataRequests(), 1);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LiveUpdateTest, ADownloadThatNamesWhatNoDefinitionMayIsRefused) {
    Setup(6);
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    // Well-formed files of their kinds, each with one line that reaches
    // beyond the machine or deletes a protected key whole.
    // Signed by the maker's key, too: what a definition may name is checked
    // whoever signed it.
    ServeSigned(Kind::kFile, 6, Stored({"new.dll=New", "thesis.odt=Wiper|Z:\\home\\me"}));
    ServeSigned(Kind::kRegistry, 6,
                Stored({"1^Software\\New^=New",
                        "2^Software\\Microsoft\\Windows\\CurrentVersion\\Run^=Wiper"}));
    const auto before = Snapshot();
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_EQ(check.kinds[0].outcome, Outcome::kFailed);
    EXPECT_NE(check.kinds[0].status.reason().find("line 2"), std::string::npos)
        << check.kinds[0].status.reason();
    EXPECT_EQ(check.kinds[1].outcome, Outcome::kFailed);
    EXPECT_NE(check.kinds[1].status.reason().find("line 2"), std::string::npos)
        << check.kinds[1].status.reason();
    EXPECT_EQ(check.kinds[2].outcome, Outcome::kDownloaded);
    EXPECT_EQ(Version(Kind::kFile), "5");
    EXPECT_EQ(Version(Kind::kRegistry), "5");
    EXPECT_FALSE(std::filesystem::exists(machine.Home() / "DLFileDefinition.dat"));
    EXPECT_FALSE(std::filesystem::exists(machine.Home() / "DLRegistryDefinition.dat"));
    EXPECT_EQ(Snapshot()["file FileDefinition.dat"], before.at("file FileDefinition.dat"));
}

TEST_F(LiveUpdateTest, TheMarkerIsFoundNestedAndAfterADecoyComment) {
    Setup(5);
    server.ServeBody(std::string(Info(Kind::kFile).versionPage),
                     "<html><head><script>var v = 'Defination version : 99';</script></head>"
                     "<body><!-- Defination version : 98 -->"
                     "<table><tr><td><font face=Arial><b>Defination version :</b>&nbsp;42"
                     "</font></td><td>2024</td></tr></table></body></html>");
    ServeSigned(Kind::kFile, 42, Samples().at(Kind::kFile).published);
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_EQ(check.kinds[1].outcome, Outcome::kDownloaded);
    EXPECT_EQ(check.kinds[1].version, 42);
    EXPECT_EQ(Version(Kind::kFile), "42");
    EXPECT_EQ(DataRequests(), 1);
}

TEST_F(LiveUpdateTest, AVersionPageMayMove) {
    Setup(5);
    server.Redirect(std::string(Info(Kind::kCookie).versionPage), server.Url("/elsewhere.htm"));
    server.ServeBody("/elsewhere.htm", VersionPage(8));
    ServeSigned(Kind::kCookie, 8, Samples().at(Kind::kCookie).published);
    const update::UpdateCheck check = update::CheckDefinitionVersions(ctx);
    EXPECT_EQ(check.kinds[3].outcome, Outcome::kDownloaded);
    EXPECT_EQ(Version(Kind::kCookie), "8");
}

// What a check costs: four small pages from a server on this machine, and
// a check with no server at all. Prints the medians of repeated runs.
TEST_F(LiveUpdateTest, CostOfAnUpToDateCheckAndOfOneWithoutAServer) {
    Setup(5);
    auto median = [&](int runs) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            const auto started = Clock::now();
            update::CheckDefinitionVersions(ctx);
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    };
    const double upToDate = median(21);
    EXPECT_EQ(server.TotalRequests(), 21 * 4);
    EXPECT_EQ(DataRequests(), 0);
    ctx.site = "127.0.0.1:" + std::to_string(HttpServer::RefusedPort());
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    const double noServer = median(21);
    // What a check that downloads all four kinds adds: four signatures
    // verified, each over its file's bytes.
    std::vector<std::pair<std::string, std::string>> signedFiles;
    for (Kind kind : update::kCheckOrder) {
        signedFiles.emplace_back(signer.Sign(Name(kind), 6, Samples().at(kind).published),
                                 Samples().at(kind).published);
    }
    std::vector<double> verifyMs;
    for (int i = 0; i < 21; ++i) {
        const auto started = Clock::now();
        for (size_t k = 0; k < signedFiles.size(); ++k) {
            const auto& [sig, bytes] = signedFiles[k];
            EXPECT_TRUE(definitions::CheckSignedFile(signer.Trust(), sig,
                                                     Name(update::kCheckOrder[k]), bytes)
                            .ok);
        }
        verifyMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    }
    std::sort(verifyMs.begin(), verifyMs.end());
    const double verify = verifyMs[verifyMs.size() / 2];
    std::cout << "up-to-date check (4 pages): median " << upToDate << " ms; "
              << "check without a server: median " << noServer << " ms; "
              << "four signatures verified: median " << verify << " ms\n";
    EXPECT_LT(verify, 2000);
    EXPECT_LT(upToDate, 2000);
    EXPECT_LT(noServer, 2000);
}

TEST(UpdateSiteTest, TheBaseUrlRules) {
    using update::BaseUrl;
    // A bare domain gets "www." and the scheme, whatever came after it goes.
    EXPECT_EQ(BaseUrl("example.com"), "http://www.example.com");
    EXPECT_EQ(BaseUrl("http://Example.com/path/x.htm"), "http://www.Example.com");
    EXPECT_EQ(BaseUrl("HTTP://example.com?q=1"), "http://www.example.com");
    EXPECT_EQ(BaseUrl("  example.co.uk  "), "http://www.example.co.uk");
    // "www." already there, anywhere.
    EXPECT_EQ(BaseUrl("www.example.com"), "http://www.example.com");
    EXPECT_EQ(BaseUrl("http://WWW.example.com/"), "http://WWW.example.com");
    // https stays https.
    EXPECT_EQ(BaseUrl("https://example.com/defs"), "https://www.example.com");
    EXPECT_EQ(BaseUrl("https://updates.example.com"), "https://updates.example.com");
    // Sub-domains, IP addresses, localhost and one-label names are left alone;
    // a port stays.
    EXPECT_EQ(BaseUrl("updates.example.com"), "http://updates.example.com");
    EXPECT_EQ(BaseUrl("127.0.0.1:8080"), "http://127.0.0.1:8080");
    EXPECT_EQ(BaseUrl("http://10.0.0.2/x"), "http://10.0.0.2");
    EXPECT_EQ(BaseUrl("[::1]:81"), "http://[::1]:81");
    EXPECT_EQ(BaseUrl("localhost:8000"), "http://localhost:8000");
    EXPECT_EQ(BaseUrl("LOCALHOST"), "http://LOCALHOST");
    EXPECT_EQ(BaseUrl("intranet"), "http://intranet");
    EXPECT_EQ(BaseUrl("example.com:8080/"), "http://www.example.com:8080");
}

TEST(UpdateSiteTest, TheSiteIsTheCommentsOfTheVersionInformation) {
#ifdef _WIN32
    // The program's VERSIONINFO resource, filled by the same build setting.
    ASSERT_TRUE(platform::ProgramComments().has_value());
    EXPECT_EQ(*platform::ProgramComments(), update::CompiledSite());
#else
    EXPECT_FALSE(platform::ProgramComments().has_value());
#endif
}

TEST(UpdateSiteTest, ThePlaceholderSiteUsesTheDefaultSite) {
    EXPECT_EQ(update::BaseUrlOfSite("YourWebsite.com"), "https://www.quellonpro.com");
    EXPECT_EQ(update::BaseUrlOfSite("yourwebsite.com"), "https://www.quellonpro.com");
    EXPECT_EQ(update::BaseUrlOfSite(""), "https://www.quellonpro.com");
    EXPECT_EQ(update::BaseUrlOfSite("example.com"), "http://www.example.com");
    // The site a build has compiled in is a secure one by default (the
    // placeholder of an older build's settings stands for it too).
    const std::string base = update::BaseUrlOfSite(update::CompiledSite());
    EXPECT_EQ(base, "https://www.quellonpro.com");
    EXPECT_EQ(update::VersionPageUrl(base, Kind::kRegistry),
              "https://www.quellonpro.com/definitions/version/R.HTM");
    EXPECT_EQ(update::VersionPageUrl(base, Kind::kFile),
              "https://www.quellonpro.com/definitions/version/F.HTM");
    EXPECT_EQ(update::VersionPageUrl(base, Kind::kExe),
              "https://www.quellonpro.com/definitions/version/E.HTM");
    EXPECT_EQ(update::VersionPageUrl(base, Kind::kCookie),
              "https://www.quellonpro.com/definitions/version/C.HTM");
    EXPECT_EQ(update::DataUrl(base, Kind::kCookie),
              "https://www.quellonpro.com/definitions/data/BlockedCookies.dat");
}

TEST(UpdateSiteTest, TheVisitButtonNamesTheSiteReallyUsed) {
    EXPECT_EQ(update::SiteName("YourWebsite.com"), "https://www.quellonpro.com");
    EXPECT_EQ(update::SiteName(update::CompiledSite()), "https://www.quellonpro.com");
    EXPECT_EQ(update::SiteName("example.com/x"), "www.example.com");
    EXPECT_EQ(update::SiteName("https://updates.example.org:8443/defs"),
              "https://updates.example.org:8443");
    EXPECT_EQ(update::SiteName("127.0.0.1:8000"), "127.0.0.1:8000");
}

}  // namespace
}  // namespace quellon::testing
