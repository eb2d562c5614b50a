// quellon-cli schedule and the scheduled scan that watch runs, on a machine
// root with one planted file.
#include <cstdio>
#include <ctime>

#include "cli_fixture.h"
#include "definitions/codec.h"

namespace quellon::cli {
namespace {

class CliSchedule : public CliOnMachine {
protected:
    void SetUp() override {
        CliOnMachine::SetUp();
        fs::create_directories(machine_ / "drive_c" / "Bad");
        WriteDefinitions("FileDefinition.dat", {"a.txt=Aware|C:\\Bad"});
        WriteAll(machine_ / "drive_c" / "Bad" / "a.txt", "a");
    }
    std::string Setting(const std::string& section, const std::string& key) {
        return WithoutCr(Run({"settings", "get", "Quellon Pro", section, key, "<absent>"}).out);
    }
    // The command line of quellon-cli over this machine, for a shell.
    std::string Command(const std::vector<std::string>& args) {
        std::string command = Quoted((bin_ / "quellon-cli").string());
        for (const std::string& a :
             std::vector<std::string>{"--home", home_.string(), "--machine", machine_.string(),
                                      "--config", config_.string()}) {
            command += " " + Quoted(a);
        }
        for (const std::string& a : args) {
            command += " " + Quoted(a);
        }
        return command;
    }
    // A daily schedule `ahead` seconds from now.
    void ScheduleIn(int ahead, const std::string& deletion) {
        const std::time_t due = std::time(nullptr) + ahead;
        std::tm local{};
        localtime_r(&due, &local);
        char clock[16];
        std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
        ASSERT_EQ(Run({"schedule", "set", "daily", clock, deletion}).status, 0);
    }
    static size_t Completes(const std::string& out) {
        size_t n = 0;
        for (size_t at = out.find("Scanning complete."); at != std::string::npos;
             at = out.find("Scanning complete.", at + 1)) {
            ++n;
        }
        return n;
    }
};

TEST_F(CliSchedule, SetShowAndOffStoreWhatApplyStores) {
    const Result fresh = Run({"schedule", "show"});
    EXPECT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(fresh.out, "schedule\toff\nauto-delete\tno\nnext\tnone\n");

    const Result friday = Run({"schedule", "set", "Friday", "13:00:00", "--auto-delete"});
    EXPECT_EQ(friday.status, 0) << friday.err;
    EXPECT_EQ(friday.Lines().at(0), "schedule\tevery Friday at 13:00:00");
    EXPECT_EQ(friday.Lines().at(1), "auto-delete\tyes");
    EXPECT_EQ(friday.Lines().at(2).rfind("next\tFriday ", 0), 0u) << friday.out;
    EXPECT_EQ(Setting("OptionAndSettings", "chkAutomaticScanYesOrNo"), "1\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Day"), "4\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Time"), "1:00:00 PM\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Date"), "Null\n");
    EXPECT_EQ(Setting("Settings", "chkAutoDel"), "1\n");

    const Result once =
        Run({"schedule", "set", "date", "17/01/2030", "8:05:00", "--no-auto-delete"});
    EXPECT_EQ(once.status, 0) << once.err;
    EXPECT_EQ(once.out,
              "schedule\ton 17/01/2030 at 08:05:00\nauto-delete\tno\n"
              "next\tThursday 17/01/2030 08:05:00\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Day"), "8\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Date"), "1/17/2030\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Time"), "8:05:00 AM\n");

    // "never" clears the time as the tab does.
    EXPECT_EQ(Run({"schedule", "set", "never", "10:00:00"}).status, 0);
    EXPECT_EQ(Setting("OptionAndSettings", "Time"), "Null\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Day"), "9\n");

    Run({"schedule", "set", "daily", "23:59:59"});
    const Result off = Run({"schedule", "off"});
    EXPECT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(off.Lines().at(0), "schedule\toff (stored: daily at 23:59:59)");
    EXPECT_EQ(Setting("OptionAndSettings", "chkAutomaticScanYesOrNo"), "0\n");
    EXPECT_EQ(Setting("OptionAndSettings", "Day"), "7\n");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"schedule"},
          {"schedule", "set", "daily"},
          {"schedule", "set", "daily", "24:00:00"},
          {"schedule", "set", "daily", "1:00"},
          {"schedule", "set", "fortnightly", "10:00:00"},
          {"schedule", "set", "date", "31/02/2030", "10:00:00"},
          {"schedule", "set", "date", "1/2/30", "10:00:00"},
          {"schedule", "set", "daily", "10:00:00", "--auto-delete", "--no-auto-delete"},
          {"schedule", "off", "now"}}) {
        const Result r = Run(bad);
        EXPECT_EQ(r.status, 2) << bad.back();
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << bad.back();
    }
    EXPECT_EQ(Setting("OptionAndSettings", "chkAutomaticScanYesOrNo"), "0\n");
}

// A daily schedule a few seconds ahead: watch runs the scan once in its
// second, prints it as scan does and, with automatic deletion, removes.
TEST_F(CliSchedule, WatchRunsADailyScheduleOnceAndRemovesWhatItFinds) {
    const std::time_t due = std::time(nullptr) + 3;
    std::tm local{};
    localtime_r(&due, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    ASSERT_EQ(Run({"schedule", "set", "daily", clock, "--auto-delete"}).status, 0);

    const Result watched =
        Run({"watch", "--memory-answer", "allow", "--homepage-answer", "no", "--seconds", "6"});
    EXPECT_EQ(watched.status, 1) << watched.err;
    EXPECT_EQ(watched.Tagged("scheduled").size(), 1u) << watched.out;
    EXPECT_EQ(watched.Tagged("found"), std::vector<std::string>{"Aware - Found"});
    EXPECT_EQ(watched.Tagged("item"), std::vector<std::string>{"Aware\tC:\\Bad\\a.txt"});
    size_t completes = 0;
    for (const std::string& line : watched.Lines()) {
        completes += line == "Scanning complete." ? 1 : 0;
    }
    EXPECT_EQ(completes, 1u) << watched.out;
    EXPECT_TRUE(watched.Tagged("problem").empty());
    EXPECT_FALSE(fs::exists(machine_ / "drive_c" / "Bad" / "a.txt"));
    EXPECT_EQ(ReadAll(home_ / "quarantine" / "a.txt"), "a");
    EXPECT_NE(ReadAll(home_ / "quarantine" / "QuarantineLog.txt").find("Location: C:\\Bad\\a.txt"),
              std::string::npos);
    EXPECT_NE(ReadAll(home_ / "Scan_Log.txt"), "");
    EXPECT_NE(Setting("Settings", "lblLastScan"), "<absent>\n");
}

// Automatic deletion switched off while watch runs (in the window, or here
// with "settings set"): the scheduled scan that follows finds and leaves.
TEST_F(CliSchedule, AutomaticDeletionSwitchedOffWhileWatchRunsIsHonoured) {
    ScheduleIn(5, "--auto-delete");
    const fs::path out = tmp_.path() / "watch.out";
    const Result r = Shell(
        "(" +
        Command(
            {"watch", "--memory-answer", "allow", "--homepage-answer", "no", "--seconds", "8"}) +
        " >" + Quoted(out.string()) + " 2>&1 & sleep 1; " +
        Command({"settings", "set", "Quellon Pro", "Settings", "chkAutoDel", "0"}) + "; wait)");
    const std::string watched = ReadAll(out);
    EXPECT_EQ(Completes(watched), 1u) << watched;
    EXPECT_NE(watched.find("found\tAware - Found"), std::string::npos) << watched;
    EXPECT_TRUE(fs::exists(machine_ / "drive_c" / "Bad" / "a.txt")) << "removed without asking";
    EXPECT_FALSE(fs::exists(home_ / "quarantine" / "a.txt"));
}

// Two watch processes of one profile (say the user service and one started
// by hand): one scheduled scan, one removal, one count of removed items.
TEST_F(CliSchedule, TwoWatchProcessesOfOneProfileRunOneScheduledScan) {
    ScheduleIn(4, "--auto-delete");
    const fs::path out1 = tmp_.path() / "watch1.out", out2 = tmp_.path() / "watch2.out";
    const std::string watch =
        Command({"watch", "--memory-answer", "allow", "--homepage-answer", "no", "--seconds", "7"});
    Shell("(" + watch + " >" + Quoted(out1.string()) + " 2>&1 & " + watch + " >" +
          Quoted(out2.string()) + " 2>&1 & wait)");
    const std::string a = ReadAll(out1), b = ReadAll(out2);
    EXPECT_EQ(Completes(a) + Completes(b), 1u) << a << "\n----\n" << b;
    EXPECT_FALSE(fs::exists(machine_ / "drive_c" / "Bad" / "a.txt"));
    EXPECT_EQ(ReadAll(home_ / "quarantine" / "a.txt"), "a");
    const std::string log = ReadAll(home_ / "quarantine" / "QuarantineLog.txt");
    EXPECT_EQ(log.find("Location: C:\\Bad\\a.txt"), log.rfind("Location: C:\\Bad\\a.txt")) << log;
    // One removal's count: the program and its trace, once.
    EXPECT_EQ(Setting("Settings", "lblDefRemoved"), "2\n");
}

// A scheduled scan whose due time passed while no program ran is said by
// "schedule show" until a later scan starts.
TEST_F(CliSchedule, AScanMissedWhileNothingRanIsShown) {
    // Daily at the time of an hour ago, applied a day ago: that due time
    // passed with no program running.
    const std::time_t now = std::time(nullptr);
    const std::time_t hourAgo = now - 60 * 60;
    std::tm local{};
    localtime_r(&hourAgo, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    ASSERT_EQ(Run({"schedule", "set", "daily", clock}).status, 0);
    const Result before = Run({"schedule", "show"});
    EXPECT_TRUE(before.Tagged("missed").empty()) << before.out;
    const std::time_t dayAgo = now - 24 * 60 * 60 - 5 * 60;
    localtime_r(&dayAgo, &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char applied[64];
    std::snprintf(applied, sizeof applied, "%d/%d/%d %d:%02d:%02d %s", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, hour12, local.tm_min, local.tm_sec,
                  local.tm_hour < 12 ? "AM" : "PM");
    ASSERT_EQ(Run({"settings", "set", "Quellon Pro", "Settings", "ScheduleServed", applied}).status,
              0);
    const Result shown = Run({"schedule", "show"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    ASSERT_EQ(shown.Tagged("missed").size(), 1u) << shown.out;
    EXPECT_NE(shown.Tagged("missed")[0].find(std::string(" ") + clock), std::string::npos)
        << shown.out;
}

}  // namespace
}  // namespace quellon::cli
