// The shields as the main window's timers run them: real running programs
// under listed names for the memory shield, the machine's registry for the
// home-page shield.
#include <chrono>
#include <memory>
#include <thread>

#include "common/text.h"
#include "support/form_fixture.h"
#include "support/sleeper.h"

namespace quellon::testing {
namespace {

using settings::kOptionAndSettings;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace keys = settings::keys;

constexpr std::string_view kMainKey = "Software\\Microsoft\\Internet Explorer\\Main";

class ProtectionTest : public FormTest {
protected:
    // A registry whose start page is `page` (a value line of the regedit
    // format, such as "\"Start Page\"=\"http://x\"").
    void StartPage(std::string_view valueLine) {
        machine.WriteRegistry(
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]\r\n" +
            std::string(valueLine) + "\r\n");
        // A registry file changed by another program is read again once a
        // tenth of a second has passed since it was last looked at.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    // No start page at all (the key stays).
    void NoStartPage() {
        StartPage("\"Other\"=\"x\"");
        auto& reg = machine.Platform().registry;
        const platform::RegKey key =
            reg.OpenKey(platform::kHkeyCurrentUser, kMainKey, platform::kKeyAllAccessMask63);
        reg.DeleteValue(key, "Start Page");
        reg.CloseKey(key);
    }
    // The start page as the registry holds it now.
    std::string CurrentStartPage() {
        auto& reg = machine.Platform().registry;
        const platform::RegKey key =
            reg.OpenKey(platform::kHkeyCurrentUser, kMainKey, platform::kKeyAllAccessMask63);
        auto value = reg.QueryValue(key, "Start Page");
        reg.CloseKey(key);
        return value ? value->data : "<none>";
    }
    std::string Remembered() { return Stored(kOptionAndSettings, keys::kHomepage); }
    // Answers every memory-shield alert with STOP (true) or ALLOW, noting
    // what each one showed.
    void AnswerAlerts(bool stop) {
        frontEnd.onAlert = [this, stop](ui::Window& w) {
            auto& alert = Form().frmSpywareFoundAlert;
            ASSERT_EQ(&w, &alert);
            EXPECT_TRUE(alert.Visible());
            shown.push_back(alert.lblAlertFileName.Caption() + " / " +
                            alert.lblAlertCompanyName.Caption());
            (stop ? alert.cmdYes : alert.cmdNO).Click();
        };
    }
    // The shields guard the computer while the window is in the tray: the
    // ticks come with the window hidden, unless a test shows it.
    void InTray() {
        if (!windowShown) {
            Form().frmMainWindow.SetVisible(false);
        }
    }
    void MemoryTick() {
        InTray();
        Form().tmrMemoryInspected.Tick();
    }
    void HomePageTick() {
        InTray();
        Form().tmrCheckHomePage.Tick();
    }
    // A listed program that runs, with its definitions written.
    std::unique_ptr<Sleeper> ListedProgram(const std::string& stem, std::string* name) {
        *name = UniqueProgramName(stem);
        auto running = std::make_unique<Sleeper>(machine.ProgramsFolder(), *name);
        WriteDefinitions({}, {}, {*name});
        return running;
    }

    bool windowShown = false;

    std::vector<std::string> shown;
};

TEST_F(ProtectionTest, ListedProgramsRaiseOneAlertEachInTurnAndStopEndsThem) {
    const std::string first = UniqueProgramName("qshielda");
    const std::string second = UniqueProgramName("qshieldb");
    const std::string company = scan::ToWideBytes("StringFileInfo") +
                                scan::ToWideBytes("CompanyName") + std::string(4, '\0') +
                                scan::ToWideBytes("Acme Adware") + std::string(4, '\0');
    Sleeper a(machine.ProgramsFolder() / "A", first, company);
    Sleeper b(machine.ProgramsFolder() / "B", second);
    WriteDefinitions({}, {}, {first, second});
    auto& f = Form();
    AnswerAlerts(true);
    bool timersOff = true;
    frontEnd.onAlert = [this, &f, &timersOff](ui::Window&) {
        auto& alert = f.frmSpywareFoundAlert;
        // No other background task starts while an alert waits.
        timersOff = timersOff && !f.tmrMemoryInspected.Enabled() && !f.tmrCheckHomePage.Enabled() &&
                    !f.tmrScheduler.Enabled();
        shown.push_back(alert.lblAlertFileName.Caption() + " / " +
                        alert.lblAlertCompanyName.Caption());
        alert.cmdYes.Click();
    };
    MemoryTick();
    const std::string upperFirst = text::Upper(first), upperSecond = text::Upper(second);
    EXPECT_THAT(shown, ElementsAre(upperFirst + " / Acme Adware",
                                   upperSecond + " / No Company name for " + upperSecond));
    EXPECT_TRUE(timersOff);
    EXPECT_TRUE(a.Killed());
    EXPECT_TRUE(b.Killed());
    EXPECT_FALSE(f.frmSpywareFoundAlert.Visible());
    EXPECT_EQ(host.Shown().size(), 0u);
    // Afterwards the timers run as the settings say.
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    EXPECT_TRUE(f.tmrCheckHomePage.Enabled());
}

TEST_F(ProtectionTest, AllowedProgramsAreNotAskedAboutAgainStoppedOnesAre) {
    const std::string allowed = UniqueProgramName("qallow");
    Sleeper running(machine.ProgramsFolder(), allowed);
    WriteDefinitions({}, {}, {allowed});
    AnswerAlerts(false);
    MemoryTick();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), text::Upper(allowed) + "\r\n");
    MemoryTick();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(running.Killed());

    // Stopped, a program that runs again is asked about again.
    const std::string stopped = UniqueProgramName("qstopagain");
    WriteDefinitions({}, {}, {allowed, stopped});
    Form().LoadDefinitions();
    Form().ScanContext().exeCache = {};
    AnswerAlerts(true);
    {
        Sleeper once(machine.ProgramsFolder(), stopped);
        MemoryTick();
        EXPECT_TRUE(once.Killed());
    }
    std::filesystem::remove(machine.ProgramsFolder() / stopped);
    Sleeper again(machine.ProgramsFolder(), stopped);
    MemoryTick();
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_TRUE(again.Killed());
}

TEST_F(ProtectionTest, AnAllowTheListWillNotTakeIsSaidAndHoldsUntilTheEnd) {
    const std::string allowed = UniqueProgramName("qnolist");
    Sleeper running(machine.ProgramsFolder(), allowed);
    WriteDefinitions({}, {}, {allowed});
    // The exclusion list cannot be a file: a folder stands in its place.
    std::filesystem::create_directories(machine.Home() / "ENoSignature.txt");
    AnswerAlerts(false);
    host.ExpectMsgBox(text::Upper(allowed) + " could not be added to the exclusion list",
                      ui::MsgResult::kOk);
    MemoryTick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(host.PendingMsgBoxes(), 0u);
    MemoryTick();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(running.Killed());
    EXPECT_TRUE(std::filesystem::is_directory(machine.Home() / "ENoSignature.txt"));
}

TEST_F(ProtectionTest, AnAlertClosedOtherwiseLeavesTheProgramAndIsAskedAgain) {
    const std::string name = UniqueProgramName("qclosed");
    Sleeper running(machine.ProgramsFolder(), name);
    WriteDefinitions({}, {}, {name});
    int alerts = 0;
    frontEnd.onAlert = [&](ui::Window& w) {
        ++alerts;
        w.SetVisible(false);  // the close box, Escape
    };
    MemoryTick();
    MemoryTick();
    EXPECT_EQ(alerts, 2);
    EXPECT_FALSE(running.Killed());
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), "");
}

// The first process of the system is never stopped: STOP on it says so.
TEST_F(ProtectionTest, AProgramThatCannotBeStoppedIsSaidLinuxOnly) {
    auto& f = Form();
    std::string init;
    for (const auto& entry :
         machine.Platform().processes.Snapshot().value_or(std::vector<platform::ProcessEntry>{})) {
        if (entry.pid == 1) {
            init = std::string(text::FileNameOfPath(entry.exeFile));
        }
    }
    if (init.empty()) {
        GTEST_SKIP() << "the first process of this system cannot be seen";
    }
    f.frmSpywareFoundAlert.Fill(init, "");
    host.ExpectMsgBox(text::Upper(init) +
                          " could not be stopped.  You should try again after saving your work "
                          "and closing any open applications.",
                      ui::MsgResult::kOk);
    f.frmSpywareFoundAlert.cmdYes.Click();
    EXPECT_TRUE(f.frmSpywareFoundAlert.AlertAnswered);
    EXPECT_FALSE(f.frmSpywareFoundAlert.cmdYes.Enabled());
    ASSERT_EQ(host.Shown().size(), 1u);
    EXPECT_EQ(host.Shown()[0].style, ui::kInformation);
    EXPECT_EQ(host.Shown()[0].title, "Quellon Pro");
    EXPECT_EQ(f.frmSpywareFoundAlert.lblAlertCompanyName.Caption(), "No Company name for " + init);
}

TEST_F(ProtectionTest, WithTheMemoryShieldOffItsTickDoesNothing) {
    const std::string name = UniqueProgramName("qoff");
    Sleeper running(machine.ProgramsFolder(), name);
    WriteDefinitions({}, {}, {name});
    Form().optMemorySheildOff.SetValue(true);
    AnswerAlerts(true);
    MemoryTick();
    EXPECT_THAT(shown, IsEmpty());
    EXPECT_FALSE(running.Killed());
    EXPECT_FALSE(Form().tmrMemoryInspected.Enabled());
}

TEST_F(ProtectionTest, TheFirstTickRemembersThePageLaterChangesAreAsked) {
    StartPage("\"Start Page\"=\"http://www.example.com/\"");
    WriteDefinitions();
    auto& f = Form();
    HomePageTick();
    EXPECT_EQ(Remembered(), "http://www.example.com/");
    EXPECT_THAT(frontEnd.modalShown, IsEmpty());

    // Letter case and a trailing "/" are changes too; Yes puts the page back.
    for (const char* changed : {"http://WWW.example.com/", "http://www.example.com"}) {
        StartPage("\"Start Page\"=\"" + std::string(changed) + "\"");
        frontEnd.onShowModal = [&f](ui::Window& w) {
            ASSERT_EQ(&w, &f.frmHomePageChangedAlert);
            EXPECT_EQ(f.frmHomePageChangedAlert.Caption(), "Morvane");
            f.frmHomePageChangedAlert.cmdYes.Click();
        };
        HomePageTick();
        EXPECT_EQ(CurrentStartPage(), std::string("http://www.example.com/") + '\0') << changed;
    }
    EXPECT_EQ(frontEnd.modalShown.size(), 2u);
    EXPECT_EQ(f.frmHomePageChangedAlert.lblHomePageInfo.Caption(),
              "Quellon Pro has detected that your Homepage has been changed.\r\n\r\n"
              "Click YES to keep your homepage as:\r\nhttp://www.example.com/\r\n\r\n"
              "Click No to change your homepage to:\r\nhttp://www.example.com");

    // No keeps the new page and remembers it.
    StartPage("\"Start Page\"=\"http://adware.example/\"");
    frontEnd.onShowModal = [&f](ui::Window&) { f.frmHomePageChangedAlert.cmdNO.Click(); };
    HomePageTick();
    EXPECT_EQ(Remembered(), "http://adware.example/");
    EXPECT_EQ(CurrentStartPage(), std::string("http://adware.example/") + '\0');
}

TEST_F(ProtectionTest, SilentRestoreAndNeitherOption) {
    StartPage("\"Start Page\"=\"http://home.example/\"");
    WriteDefinitions();
    auto& f = Form();
    HomePageTick();
    f.optRestoredefaultwithoutnotification.SetValue(true);
    StartPage("\"Start Page\"=\"http://adware.example/\"");
    HomePageTick();
    EXPECT_THAT(frontEnd.modalShown, IsEmpty());
    EXPECT_EQ(CurrentStartPage(), std::string("http://home.example/") + '\0');

    // With both options false the change stays and nothing is shown.
    f.Settings().SaveOption(kOptionAndSettings, keys::kOptRestoredefaultwithoutnotification, false);
    StartPage("\"Start Page\"=\"http://adware.example/\"");
    HomePageTick();
    HomePageTick();
    EXPECT_THAT(frontEnd.modalShown, IsEmpty());
    EXPECT_EQ(CurrentStartPage(), std::string("http://adware.example/") + '\0');
    EXPECT_EQ(Remembered(), "http://home.example/");
}

TEST_F(ProtectionTest, EveryThirdHomePageTickRunsTheMemoryShield) {
    const std::string name = UniqueProgramName("qthird");
    Sleeper running(machine.ProgramsFolder(), name);
    WriteDefinitions({}, {}, {name});
    StartPage("\"Start Page\"=\"http://home.example/\"");
    AnswerAlerts(false);
    HomePageTick();
    HomePageTick();
    EXPECT_THAT(shown, IsEmpty());
    HomePageTick();
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(ProtectionTest, StartPagesThatAreOddMissingEmptyOrLong) {
    WriteDefinitions();
    auto& f = Form();
    // Missing: nothing is remembered, nothing asked or written.
    NoStartPage();
    HomePageTick();
    EXPECT_EQ(Remembered(), "<absent>");
    EXPECT_THAT(frontEnd.modalShown, IsEmpty());
    EXPECT_EQ(CurrentStartPage(), "<none>");

    // A number: its decimal text, read as a signed number.
    StartPage("\"Start Page\"=dword:ffffffff");
    HomePageTick();
    EXPECT_EQ(Remembered(), "-1");

    // Missing once a page is remembered: the user is asked, and Yes writes
    // the remembered page back, never about:blank.
    NoStartPage();
    frontEnd.onShowModal = [&f](ui::Window&) {
        EXPECT_EQ(f.frmHomePageChangedAlert.currentPage, "about:blank");
        f.frmHomePageChangedAlert.cmdYes.Click();
    };
    HomePageTick();
    EXPECT_EQ(frontEnd.modalShown.size(), 1u);
    EXPECT_EQ(CurrentStartPage(), std::string("-1") + '\0');

    // Empty, and 5,000 characters long: kept whole.
    f.Settings().Save(kOptionAndSettings, keys::kHomepage, "");
    StartPage("\"Start Page\"=\"\"");
    HomePageTick();
    EXPECT_EQ(frontEnd.modalShown.size(), 1u);
    const std::string longPage = "http://example.com/" + std::string(5000, 'a');
    StartPage("\"Start Page\"=\"" + longPage + "\"");
    frontEnd.onShowModal = [&f](ui::Window&) { f.frmHomePageChangedAlert.cmdNO.Click(); };
    HomePageTick();
    EXPECT_EQ(Remembered(), longPage);
}

TEST_F(ProtectionTest, TheDebugMenuShowsTheAlertsWithoutActingOnThem) {
    StartPage("\"Start Page\"=\"http://home.example/\"");
    WriteDefinitions();
    auto& f = Form();
    frontEnd.onShowModal = [&f](ui::Window&) { f.frmHomePageChangedAlert.cmdYes.Click(); };
    f.mnuDebugHomepage.Click();
    EXPECT_EQ(frontEnd.modalShown.size(), 1u);
    EXPECT_EQ(CurrentStartPage(), std::string("http://home.example/") + '\0');
    EXPECT_EQ(Remembered(), "<absent>");
    f.mnuDebugSpyware.Click();
    EXPECT_TRUE(f.frmSpywareFoundAlert.Visible());
    EXPECT_EQ(f.frmSpywareFoundAlert.lblAlertFileName.Caption(), "Unknown Executable");
    f.frmSpywareFoundAlert.cmdNO.Click();
    EXPECT_FALSE(f.frmSpywareFoundAlert.Visible());
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), "");
}

// A cancelled scan leaves its stop behind for those who ran it; the memory
// shield's next look still goes through every process.
TEST_F(ProtectionTest, ACancelledScanLeavesTheMemoryShieldOn) {
    std::string name;
    auto running = ListedProgram("qcancel", &name);
    auto& f = Form();
    f.Settings().SaveCheck(kOptionAndSettings, keys::kChkScanCookies, false);
    host.AtDoEvents(1, [&f] { f.RequestStop(); });
    f.StartScan();
    ASSERT_EQ(f.lblStatus.Caption(), "Scanning was cancelled.");
    EXPECT_FALSE(f.Session().ScanRunning);
    AnswerAlerts(false);
    MemoryTick();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), text::Upper(name) + "\r\n");
    EXPECT_FALSE(running->Killed());
}

// Start-up greys "Scan Now" when a definition file is missing: that is no
// scan, and the shield asks before anything is stopped.
TEST_F(ProtectionTest, AGreyedScanButtonIsNoRunningScan) {
    std::string name;
    auto running = ListedProgram("qgrey", &name);
    std::filesystem::remove(machine.Home() / "BlockedCookies.dat");
    host.ExpectMsgBox("Definition files are missing", ui::MsgResult::kOk);
    auto& f = Form();
    ASSERT_TRUE(f.Form_Load());
    ASSERT_FALSE(f.cmdScan.Enabled());
    int alerts = 0;
    frontEnd.onAlert = [&alerts](ui::Window&) { ++alerts; };  // closed unanswered
    MemoryTick();
    EXPECT_EQ(alerts, 1);
    EXPECT_FALSE(running->Killed());
    EXPECT_THAT(Texts(f.lvwSpywareFound), IsEmpty());
}

// On the 9x family the question is a Yes/No box; whoever answers in its
// place (the command line's options) decides, and no answer does nothing.
TEST_F(ProtectionTest, TheNinetyFiveQuestionIsAnsweredLikeTheAlertLinuxOnly) {
    machine.WriteMachineIni("[Version]\r\nPlatformId=1\r\nMajor=4\r\nMinor=90\r\n");
    std::string name;
    auto running = ListedProgram("qnineq", &name);
    auto& f = Form();
    std::vector<std::string> asked, actions;
    std::optional<bool> answer;
    f.Protection().answerStopQuestion = [&](const std::string& n, const std::string& company) {
        asked.push_back(n + " / " + company);
        return answer;
    };
    f.Protection().onShieldAction = [&](const std::string& n, protection::ShieldAction a) {
        actions.push_back(n + (a == protection::ShieldAction::kAllowed ? " allowed" : " other"));
    };
    const std::string upper = text::Upper(name);
    MemoryTick();  // unanswered: left alone, asked again
    answer = false;
    MemoryTick();
    MemoryTick();  // allowed: not asked again
    EXPECT_THAT(asked, ElementsAre(upper + " / No Company name for " + upper,
                                   upper + " / No Company name for " + upper));
    EXPECT_THAT(actions, ElementsAre(upper + " allowed"));
    EXPECT_TRUE(host.Shown().empty());
    EXPECT_FALSE(running->Killed());
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), upper + "\r\n");
}

// A registry that cannot take the start page needs a machine root: the real
// Windows registry creates the browser's key when it is missing.
TEST_F(ProtectionTest, ARestoreThatWritesNothingIsNoRestoreLinuxOnly) {
    // The browser's key is not there at all: nothing can be written back.
    machine.WriteRegistry("Windows Registry Editor Version 5.00\r\n\r\n");
    WriteDefinitions();
    auto& f = Form();
    f.Settings().Save(kOptionAndSettings, keys::kHomepage, "http://home.example/");
    f.optRestoredefaultwithoutnotification.SetValue(true);
    HomePageTick();
    using Outcome = protection::FrmHomePageChangedAlert::Outcome;
    EXPECT_EQ(f.frmHomePageChangedAlert.LastOutcome(), Outcome::kRestoreFailed);
    EXPECT_EQ(CurrentStartPage(), "<none>");
}

// ALLOWs made elsewhere (the window, another watch) and new definitions
// installed by another program count from the next look on.
TEST_F(ProtectionTest, ListsChangedByAnotherProgramAreReadAgain) {
    std::string name;
    auto running = ListedProgram("qelse", &name);
    int alerts = 0;
    frontEnd.onAlert = [&alerts](ui::Window&) { ++alerts; };
    MemoryTick();
    ASSERT_EQ(alerts, 1);
    machine.HomeFile("ENoSignature.txt", "OTHER.EXE\r\n" + text::Upper(name) + "\r\n");
    MemoryTick();
    EXPECT_EQ(alerts, 1);

    const std::string second = UniqueProgramName("qelsenew");
    Sleeper added(machine.ProgramsFolder(), second);
    MemoryTick();
    EXPECT_EQ(alerts, 1);
    WriteDefinitions({}, {}, {name, second});
    MemoryTick();
    EXPECT_EQ(alerts, 2);
    EXPECT_EQ(Form().frmSpywareFoundAlert.lblAlertFileName.Caption(), text::Upper(second));
    EXPECT_FALSE(running->Killed());
}

// Every tick counts each definition line and each running program once,
// also the ticks that find the list already read, and the count follows the
// list when another program rewrites it.
TEST_F(ProtectionTest, EachTickCountsTheListedNamesAndTheProgramsOnce) {
    WriteDefinitions({}, {}, {"qone.exe", "qtwo.exe", "qthree.exe"});
    auto& inspected = Form().Session().counters.MemoryItemsInspected;
    auto programs = [this] { return std::stoi(Form().lblTotalNoOfRunningItems.Caption()); };
    for (int tick = 0; tick < 3; ++tick) {
        const auto before = inspected;
        MemoryTick();
        EXPECT_EQ(inspected - before, 3 + programs()) << "tick " << tick;
    }
    WriteDefinitions({}, {}, {"qone.exe", "qtwo.exe", "qthree.exe", "qfour.exe", "qfive.exe"});
    for (int tick = 0; tick < 2; ++tick) {
        const auto before = inspected;
        MemoryTick();
        EXPECT_EQ(inspected - before, 5 + programs()) << "tick " << tick;
    }
}

// While an alert waits the window stays alive: minimising it, an option,
// the timers, "Start" and the automatic update must not run a second tick,
// refill the alert or stop the program it asks about.
TEST_F(ProtectionTest, NothingRunsInsideTheAlertsWait) {
    std::string name;
    auto running = ListedProgram("qreenter", &name);
    auto& f = Form();
    f.ArmAutomaticUpdate(1);
    int alerts = 0;
    bool scanRan = false;
    size_t updateChecks = 0;
    frontEnd.onAlert = [&](ui::Window&) {
        ++alerts;
        f.frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
        f.chkAutoProtect.SetChecked(false);
        f.chkAutoProtect.SetChecked(true);
        f.SetBackgroundTimers(true);
        host.RunFor(31000);
        f.lblStart.Click();  // as the scheduler starts a scan
        f.StartScan();
        scanRan = f.lblStatus.Caption() == "Scanning complete.";
        updateChecks = f.UpdateChecks();
        EXPECT_FALSE(f.tmrMemoryInspected.Enabled());
        EXPECT_FALSE(f.tmrCheckHomePage.Enabled());
        EXPECT_FALSE(f.cmdScanNow.Enabled());
        f.frmSpywareFoundAlert.cmdNO.Click();
    };
    MemoryTick();
    EXPECT_EQ(alerts, 1);
    EXPECT_FALSE(scanRan);
    EXPECT_EQ(updateChecks, 0u);
    EXPECT_FALSE(running->Killed());
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), text::Upper(name) + "\r\n");
    // Once answered, the timers run again and "Start" is back.
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    EXPECT_TRUE(f.tmrCheckHomePage.Enabled());
    EXPECT_TRUE(f.cmdScanNow.Enabled());
}

// Shown in normal state the window pauses the memory shield: the home-page
// shield's ticks neither switch it on nor run it every third time.
TEST_F(ProtectionTest, TheWindowShownPausesTheMemoryShield) {
    std::string name;
    auto running = ListedProgram("qshown", &name);
    StartPage("\"Start Page\"=\"http://home.example/\"");
    AnswerAlerts(false);
    auto& f = Form();
    windowShown = true;
    for (int i = 0; i < 6; ++i) {
        HomePageTick();
        EXPECT_FALSE(f.tmrMemoryInspected.Enabled()) << i;
        EXPECT_TRUE(f.tmrCheckHomePage.Enabled()) << i;
    }
    MemoryTick();
    EXPECT_THAT(shown, IsEmpty());
    f.frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    EXPECT_TRUE(f.tmrMemoryInspected.Enabled());
    for (int i = 0; i < 3; ++i) {
        HomePageTick();
    }
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(running->Killed());
}

}  // namespace
}  // namespace quellon::testing
