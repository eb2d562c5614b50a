// The start-up every window front-end shares: the command line, the
// start-up actions run through the main form, and a whole start over the
// scripted host and front-end.
#include "app/start_up.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "platform/restart_protocol.h"
#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

app::Folders Defaults() {
    return {"/default/home", "/default/machine", "/default/config"};
}

app::WindowCommandLine Parse(std::vector<std::string> args) {
    return app::ParseWindowCommandLine(args, Defaults());
}

// A machine root is a Linux thing: on Windows the machine is the real one
// and --machine is refused.
TEST(WindowCommandLineTest, FolderOptionsStandAnywhereAndTheRestGoesToTheToolkitLinuxOnly) {
    const auto line = Parse({"-style", "fusion", "--config", "/c", "--scan", "--home", "/h",
                             "--machine", "/m", "-platform", "offscreen"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.folders.home, "/h");
    EXPECT_EQ(line.folders.machine, "/m");
    EXPECT_EQ(line.folders.config, "/c");
    EXPECT_TRUE(line.actions.scan);
    EXPECT_EQ(line.rest, (std::vector<std::string>{"-style", "fusion", "-platform", "offscreen"}));

    const auto none = Parse({});
    EXPECT_EQ(none.folders.home, "/default/home");
    EXPECT_EQ(none.folders.machine, "/default/machine");
    EXPECT_EQ(none.folders.config, "/default/config");
    EXPECT_FALSE(none.actions.Any());
    EXPECT_FALSE(none.help);
    EXPECT_TRUE(none.rest.empty());
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"--help"}).help);
}

TEST(WindowCommandLineTest, PagesTabsShieldsAndTheirMistakes) {
    auto line = Parse({"--show-page", "options:3", "--shield", "homepage", "--show-notice"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.actions.page, "options");
    EXPECT_EQ(line.actions.tab, 3);
    EXPECT_EQ(line.actions.shield, "homepage");
    EXPECT_TRUE(line.actions.notice);
    EXPECT_TRUE(line.actions.Any());
    // A later page starts its tab again.
    line = Parse({"--show-page", "options:4", "--show-page", "results"});
    EXPECT_EQ(line.actions.page, "results");
    EXPECT_EQ(line.actions.tab, 1);

    EXPECT_EQ(Parse({"--show-page", "options:5"}).error, "unknown page options:5");
    EXPECT_EQ(Parse({"--show-page", "options:"}).error, "unknown page options:");
    EXPECT_EQ(Parse({"--show-page", "status:1"}).error, "unknown page status:1");
    EXPECT_EQ(Parse({"--show-page", "Status"}).error, "unknown page Status");
    EXPECT_EQ(Parse({"--shield", "cookies"}).error, "unknown shield cookies");
    EXPECT_EQ(Parse({"--scan", "--show-page"}).error, "--show-page needs a value");
    EXPECT_EQ(Parse({"--shield"}).error, "--shield needs a value");
    EXPECT_EQ(Parse({"--remove"}).error, "--remove needs --scan");
    EXPECT_EQ(Parse({"--remove", "--scan"}).error, "");
    // A folder option without its folder fails as every front-end fails it,
    // and the option after it is not taken for the folder.
    EXPECT_EQ(Parse({"--scan", "--home"}).error, "--home needs a folder");
    // A value that looks like an option is still the value.
    const auto odd = Parse({"--home", "--scan"});
    EXPECT_EQ(odd.error, "");
    EXPECT_EQ(odd.folders.home, "--scan");
    EXPECT_FALSE(odd.actions.scan);
}

TEST(WindowCommandLineTest, UsageNamesTheProgramAndTheToolkitOptions) {
    const std::string usage = app::WindowUsage("quellon-pro", " [Qt options]");
    EXPECT_EQ(usage.rfind("usage: quellon-pro [--home DIR] [--machine DIR] [--config DIR] [Qt "
                          "options]\n",
                          0),
              0u);
    EXPECT_NE(usage.find("--show-page PAGE"), std::string::npos);
    EXPECT_NE(usage.find("~/.config/quellon-pro\n"), std::string::npos);
}

TEST(WindowFoldersTest, AMachineRootThatIsNoFolderIsRefusedWithAdvice) {
    TestMachine machine;
    app::Folders folders{machine.Home(), machine.Root(), machine.Config()};
    EXPECT_FALSE(app::FolderProblem(folders, "quellon-pro"));
    if (!platform::UsesMachineRoot()) {
        return;  // the scan looks at this machine: there is no root to check
    }
    folders.machine = machine.Root() / "missing";
    const auto problem = app::FolderProblem(folders, "quellon-pro");
    ASSERT_TRUE(problem);
    EXPECT_EQ(
        problem->rfind("The machine root " + folders.machine.string() + " is not a folder.", 0),
        0u);
    EXPECT_NE(problem->find("--machine DIR"), std::string::npos);
}

TEST(RestartProtocolTest, TheCompanionGetsTheProgramItsProcessAndTheSetFolders) {
    const auto env = platform::RestartEnvironment("/opt/q/quellon-pro", 4242, "/h", "", "/c");
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(env, (std::vector<Pair>{{"QUELLON_HOME", "/h"},
                                      {"QUELLON_CONFIG", "/c"},
                                      {"QUELLON_RESTART_PROGRAM", "/opt/q/quellon-pro"},
                                      {"QUELLON_RESTART_PID", "4242"}}));
}

class StartUpActionsTest : public FormTest {};

TEST_F(StartUpActionsTest, PagesOpenAsTheirButtonsDo) {
    WriteDefinitions();
    auto& f = Form();
    app::StartUpActions actions;
    actions.page = "options";
    actions.tab = 3;
    app::RunStartUpActions(f, actions);
    EXPECT_TRUE(f.frmOptions.Visible());
    EXPECT_EQ(f.TabStrip1.SelectedIndex(), 3);
    actions.page = "scan";
    app::RunStartUpActions(f, actions);
    EXPECT_TRUE(f.frmScan.Visible());
    EXPECT_FALSE(f.frmOptions.Visible());
    // A tab out of range shows nothing rather than some other tab.
    app::ShowPage(f, "options", 9);
    EXPECT_TRUE(f.frmScan.Visible());
    app::ShowPage(f, "results", 1);
    EXPECT_TRUE(f.frmResults.Visible());
}

TEST_F(StartUpActionsTest, ScanAndRemoveDeleteWhatWasFoundWithoutAsking) {
    const std::filesystem::path planted = machine.PlantFile("C:\\Bad\\found.txt", "x");
    WriteDefinitions({"found.txt=Found|C:\\Bad"});
    auto& f = Form();
    app::StartUpActions actions;
    actions.scan = true;
    actions.remove = true;
    app::RunStartUpActions(f, actions);
    EXPECT_EQ(host.Shown().size(), 0u);
    EXPECT_FALSE(std::filesystem::exists(planted));
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 0u);
    EXPECT_FALSE(f.Session().UnattendedRemoval);
}

TEST_F(StartUpActionsTest, ScanPressesStartOnlyWhenItCanBePressed) {
    machine.PlantFile("C:\\Bad\\found.txt", "x");
    WriteDefinitions({"found.txt=Found|C:\\Bad"});
    auto& f = Form();
    f.cmdScanNow.SetEnabled(false);  // as while a scan runs
    app::StartUpActions actions;
    actions.scan = true;
    app::RunStartUpActions(f, actions);
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 0u);
    f.cmdScanNow.SetEnabled(true);
    app::RunStartUpActions(f, actions);
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 1u);
}

// A whole start: the start window hands over to the main window, which the
// front-end builds before the form loads and presents after. The start makes
// a real backend over the folders (on Windows: this machine and its
// registry), so it runs over a machine root only.
class StartUpTest : public ::testing::Test {
protected:
    app::StartUpOptions Options() {
        app::StartUpOptions o;
        o.folders = {machine.Home(), machine.Root(), machine.Config() / "store"};
        o.autostartFolder = machine.Config() / "autostart";
        o.executable = "/opt/quellon pro/quellon-pro";
        return o;
    }
    void WriteDefinitions() {
        for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat",
                                 "ExeDefinition.dat", "BlockedCookies.dat"}) {
            machine.HomeFile(name, "");
        }
    }

    TestMachine machine;
    ScriptedHost host;
    ScriptedFrontEnd frontEnd;
    std::vector<std::string> calls;
};

TEST_F(StartUpTest, TheStartWindowHandsOverThenEverythingEndsInOrderLinuxOnly) {
    WriteDefinitions();
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    app::StartUp s(Options());
    // The settings folder is made for the lock and the store.
    EXPECT_TRUE(std::filesystem::is_directory(machine.Config() / "store"));
    EXPECT_EQ(s.LockPath(), machine.Config() / "store" / "quellon-pro.lock");
    EXPECT_NE(s.TakeRegistration(), nullptr);

    s.Prepare(host, frontEnd);
    s.makeWindow = [&](app::FrmMain& form) {
        calls.push_back("make");
        EXPECT_EQ(&form, s.Form());
    };
    s.presentWindow = [&] { calls.push_back("present"); };
    s.onLoaded = [&] {
        calls.push_back("loaded");
        EXPECT_TRUE(s.Loaded());
    };
    s.dropWidgets = [&] { calls.push_back("drop"); };
    s.Start();
    EXPECT_TRUE(s.Splash().window.Visible());
    EXPECT_EQ(s.Form(), nullptr);
    host.RunFor(100);  // 74 ticks of 2 ms: not yet
    EXPECT_EQ(s.Form(), nullptr);
    host.RunFor(100);
    ASSERT_NE(s.Form(), nullptr);
    EXPECT_TRUE(s.Loaded());
    EXPECT_FALSE(s.Refused());
    EXPECT_FALSE(s.Splash().window.Visible());
    EXPECT_EQ(calls, (std::vector<std::string>{"make", "present", "loaded"}));

    const size_t timers = host.TimerCount();
    s.End();
    EXPECT_EQ(calls.back(), "drop");
    EXPECT_EQ(s.Form(), nullptr);
    EXPECT_LT(host.TimerCount(), timers);
    // Ending again (as the destructor does) calls no hook of the front-end.
    s.End();
    EXPECT_EQ(calls.size(), 4u);
}

TEST_F(StartUpTest, AnotherInstanceRefusesTheStartWithoutPresentingAWindowLinuxOnly) {
    WriteDefinitions();
    host.AllowAnyMsgBox(ui::MsgResult::kOk);
    frontEnd.anotherInstance = true;
    app::StartUp s(Options());
    s.Prepare(host, frontEnd);
    s.makeWindow = [&](app::FrmMain&) { calls.push_back("make"); };
    s.presentWindow = [&] { calls.push_back("present"); };
    s.onLoaded = [&] { calls.push_back("loaded"); };
    s.Start();
    host.RunFor(400);
    EXPECT_TRUE(s.Refused());
    EXPECT_FALSE(s.Loaded());
    EXPECT_EQ(calls, (std::vector<std::string>{"make"}));
}

}  // namespace
}  // namespace quellon::testing
