// quellon-cli shield and watch on a machine root, with a real running
// program under a listed name and the start page in registry.reg.
#include <chrono>

#include "cli_fixture.h"
#include "common/text.h"
#include "definitions/codec.h"
#include "scan/company_name.h"
#include "support/sleeper.h"

namespace quellon::cli {
namespace {

class CliShield : public CliOnMachine {
protected:
    void SetUp() override {
        CliOnMachine::SetUp();
        name_ = testing::UniqueProgramName("qcliwatch");
        WriteDefinitions("ExeDefinition.dat", {name_});
        StartPage("http://home.example/");
    }
    void StartPage(const std::string& page) {
        WriteAll(machine_ / "registry.reg",
                 "Windows Registry Editor Version 5.00\r\n\r\n"
                 "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]\r\n"
                 "\"Start Page\"=\"" +
                     page + "\"\r\n");
    }
    fs::path Programs() const { return machine_ / "drive_c" / "Program Files"; }

    std::string name_;
};

TEST_F(CliShield, MemoryShieldAlertsAndStops) {
    testing::Sleeper running(Programs(), name_);
    const std::string upper = text::Upper(name_);
    // Without a terminal and without an answer nothing starts.
    const Result refused = Run({"shield", "memory"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--memory-answer"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(running.Killed());

    const Result stopped = Run({"shield", "memory", "--memory-answer", "stop"});
    EXPECT_EQ(stopped.status, 1) << stopped.err;
    EXPECT_EQ(stopped.out,
              "alert\t" + upper + "\tNo Company name for " + upper + "\nstopped\t" + upper + "\n");
    EXPECT_TRUE(running.Killed());
    // Nothing listed runs any more.
    const Result calm = Run({"shield", "memory", "--memory-answer", "stop"});
    EXPECT_EQ(calm.status, 0) << calm.err;
    EXPECT_EQ(calm.out, "");
}

TEST_F(CliShield, AllowedProgramsAreLeftAloneFromThenOn) {
    testing::Sleeper running(Programs(), name_);
    const std::string upper = text::Upper(name_);
    const Result allowed = Run({"shield", "memory", "--memory-answer", "allow"});
    EXPECT_EQ(allowed.status, 1) << allowed.err;
    EXPECT_EQ(allowed.Tagged("allowed"), std::vector<std::string>{upper});
    EXPECT_EQ(ReadAll(home_ / "ENoSignature.txt"), upper + "\r\n");
    const Result again = Run({"shield", "memory", "--memory-answer", "stop"});
    EXPECT_EQ(again.status, 0);
    EXPECT_FALSE(running.Killed());
    // With the shield off, its tick does nothing.
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "optMemorySheildOn", "False"});
    EXPECT_EQ(Run({"shield", "memory", "--memory-answer", "stop"}).status, 0);
}

TEST_F(CliShield, HomePageShieldRemembersAsksAndRestores) {
    const Result first = Run({"shield", "homepage", "--homepage-answer", "yes"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "");
    StartPage("http://adware.example/");
    const Result asked = Run({"shield", "homepage", "--homepage-answer", "yes"});
    EXPECT_EQ(asked.status, 1) << asked.err;
    EXPECT_EQ(asked.out,
              "alert\thttp://home.example/\thttp://adware.example/\n"
              "restored\thttp://home.example/\n");
    EXPECT_NE(ReadAll(machine_ / "registry.reg").find("\"Start Page\"=\"http://home.example/\""),
              std::string::npos);

    // No keeps the new page.
    StartPage("http://other.example/");
    const Result kept = Run({"shield", "homepage", "--homepage-answer", "no"});
    EXPECT_EQ(kept.out,
              "alert\thttp://home.example/\thttp://other.example/\n"
              "accepted\thttp://other.example/\n");

    // Restored without asking, as the options say.
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "optAlwaysnotifybeforerestoring",
         "False"});
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings",
         "optRestoredefaultwithoutnotification", "True"});
    StartPage("http://third.example/");
    const Result silent = Run({"shield", "homepage"});
    EXPECT_EQ(silent.status, 1) << silent.err;
    EXPECT_EQ(silent.out, "restored\thttp://other.example/\n");
}

// watch runs the background timers as in the tray: the home-page shield
// every 5 seconds, and with it on, the memory shield every third of its
// ticks (each tick switches the timers off and on, which starts the memory
// shield's own 10 seconds again).
TEST_F(CliShield, WatchRunsTheShieldsUntilItsTimeIsUp) {
    testing::Sleeper running(Programs(), name_);
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "Homepage",
         "http://home.example/"});
    StartPage("http://adware.example/");
    const Result watched =
        Run({"watch", "--memory-answer", "stop", "--homepage-answer", "yes", "--seconds", "16"});
    EXPECT_EQ(watched.status, 1) << watched.err;
    EXPECT_EQ(watched.Tagged("restored"), std::vector<std::string>{"http://home.example/"});
    EXPECT_EQ(watched.Tagged("stopped"), std::vector<std::string>{text::Upper(name_)});
    EXPECT_TRUE(running.Killed());
    EXPECT_EQ(Run({"watch", "--seconds", "x"}).status, 2);
}

// On the 9x family the shield's question is a Yes/No box: the command line
// answers it from its options as it answers the alert.
TEST_F(CliShield, NinetyFiveQuestionFollowsTheAnswerOptionsLinuxOnly) {
    WriteAll(machine_ / "machine.ini", "[Version]\r\nPlatformId=1\r\nMajor=4\r\nMinor=90\r\n");
    testing::Sleeper running(Programs(), name_);
    const std::string upper = text::Upper(name_);
    const Result allowed = Run({"shield", "memory", "--memory-answer", "allow"});
    EXPECT_EQ(allowed.status, 1) << allowed.err;
    EXPECT_EQ(allowed.out,
              "alert\t" + upper + "\tNo Company name for " + upper + "\nallowed\t" + upper + "\n");
    EXPECT_EQ(ReadAll(home_ / "ENoSignature.txt"), upper + "\r\n");
    EXPECT_FALSE(running.Killed());

    WriteAll(home_ / "ENoSignature.txt", "");
    const Result stopped = Run({"shield", "memory", "--memory-answer", "stop"});
    EXPECT_EQ(stopped.status, 1) << stopped.err;
    EXPECT_EQ(stopped.Tagged("stopped"), std::vector<std::string>{upper});
    EXPECT_TRUE(running.Killed());
}

// A start page that cannot be written back is said as a failure (exit
// status 2), never as "restored".
TEST_F(CliShield, ARestoreThatWritesNothingIsAFailure) {
    WriteAll(machine_ / "registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n");
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "Homepage",
         "http://home.example/"});
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "optAlwaysnotifybeforerestoring",
         "False"});
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings",
         "optRestoredefaultwithoutnotification", "True"});
    const Result failed = Run({"shield", "homepage"});
    EXPECT_EQ(failed.status, 2);
    EXPECT_EQ(failed.out, "restore-failed\thttp://home.example/\n");
    EXPECT_NE(failed.err.find("could not be written"), std::string::npos) << failed.err;

    // Asked and answered Yes: the same.
    Run({"settings", "set", "Quellon Pro", "OptionAndSettings", "optAlwaysnotifybeforerestoring",
         "True"});
    const Result asked = Run({"shield", "homepage", "--homepage-answer", "yes"});
    EXPECT_EQ(asked.status, 2);
    EXPECT_EQ(asked.Tagged("restored"), std::vector<std::string>{});
    EXPECT_EQ(asked.Tagged("restore-failed"), std::vector<std::string>{"http://home.example/"});
}

// A company name (or any other text from outside) with line breaks, tabs or
// other control bytes cannot forge a line: each prints as \xHH.
TEST_F(CliShield, EveryPrintedLineIsOneRecord) {
    const std::string company = scan::ToWideBytes("StringFileInfo") +
                                scan::ToWideBytes("CompanyName") + std::string(4, '\0') +
                                scan::ToWideBytes("Acme\r\nstopped\tFAKE.EXE\x1b[2J") +
                                std::string(4, '\0');
    testing::Sleeper running(Programs(), name_, company);
    const std::string upper = text::Upper(name_);
    const Result allowed = Run({"shield", "memory", "--memory-answer", "allow"});
    EXPECT_EQ(allowed.status, 1) << allowed.err;
    EXPECT_EQ(allowed.out, "alert\t" + upper + "\tAcme\\x0D\\x0Astopped\\x09FAKE.EXE\\x1B[2J\n" +
                               "allowed\t" + upper + "\n");
    EXPECT_FALSE(running.Killed());
}

TEST_F(CliShield, SecondsMustBeAWholeNumberAndLargeOnesAreCapped) {
    for (const char* bad : {"99999999999999999999", "-1", "1.5", "", " 5", "+5", "0x10"}) {
        const Result r =
            Run({"watch", "--memory-answer", "stop", "--homepage-answer", "no", "--seconds", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("--seconds"), std::string::npos) << bad << ": " << r.err;
        EXPECT_EQ(r.out, "") << bad;
    }
    // A number too large for the clock runs without end (until Ctrl-C),
    // never for no time at all.
    std::string command =
        "timeout --preserve-status -s INT 2 " + Quoted((bin_ / "quellon-cli").string());
    const std::vector<std::string> args = {"--home",
                                           home_.string(),
                                           "--machine",
                                           machine_.string(),
                                           "--config",
                                           config_.string(),
                                           "watch",
                                           "--memory-answer",
                                           "stop",
                                           "--homepage-answer",
                                           "no",
                                           "--seconds",
                                           "9223372036854775"};
    for (const std::string& a : args) {
        command += " " + Quoted(a);
    }
    const auto start = std::chrono::steady_clock::now();
    const Result capped = Shell(command);
    const auto ran = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(capped.status, 0) << capped.err;
    EXPECT_GE(ran, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace quellon::cli
