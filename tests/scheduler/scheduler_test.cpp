// The schedule check at a clock the test sets, and the tab's Apply and load,
// over plain controls: the scan start action only records its calls.
#include <gtest/gtest.h>

#include <vector>

#include "scheduler/schedule.h"
#include "scheduler/scheduler.h"
#include "support/scripted_host.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using settings::kOptionAndSettings;
namespace keys = settings::keys;
using scheduler::kDaily;
using scheduler::kDateAndTime;
using scheduler::kNever;

// 2026-01-16 is a Friday.
constexpr DateTime kFriday{2026, 1, 16, 0, 0, 0};

DateTime At(DateTime day, int h, int m, int s) {
    day.hour = h;
    day.minute = m;
    day.second = s;
    return day;
}

DateTime Time(int h, int m, int s) {
    return At(kZeroDate, h, m, s);
}

class SchedulerTest : public ::testing::Test {
protected:
    SchedulerTest()
        : store(machine.Platform().settings),
          sched(scheduler::ScheduleContext{
              scheduler::ScheduleControls{chk, days, date, time, apply, reset, autoDel, timer},
              store, host, "Quellon Pro", lblStart, unattended, [this] { return windowShown; },
              [this] { return canStart; }}) {
        host.AddTimer(timer);
        sched.Wire();
        lblStart.onClick = [this] {
            starts.push_back(host.Now());
            unattendedDuringScan.push_back(unattended);
            if (scanTakesMs > 0) {
                host.Advance(scanTakesMs);
            }
        };
        host.SetNow(At(kFriday, 12, 59, 50));
    }
    ~SchedulerTest() override { host.RemoveTimer(timer); }

    // Stores a schedule as Apply would, switched on.
    void Store(int day, std::string timeText, std::string dateText = "Null") {
        store.Save(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, "1");
        store.Save(kOptionAndSettings, keys::kDay, std::to_string(day));
        store.Save(kOptionAndSettings, keys::kTime, timeText);
        store.Save(kOptionAndSettings, keys::kDate, dateText);
        // As Apply does: what passed before is not owed.
        store.Save(settings::kSettings, keys::kScheduleServed,
                   FormatGeneralDate(DateTime::FromUnixSeconds(host.Now().ToUnixSeconds() - 1)));
        sched.Rearm();
        timer.SetEnabled(true);
    }

    TestMachine machine;
    settings::SettingsStore store;
    ScriptedHost host;
    ui::CheckBox chk, autoDel;
    ui::ComboBox days;
    ui::DateTimePicker date, time;
    ui::Button apply, reset;
    ui::Timer timer{10, false};
    ui::Label lblStart;
    bool unattended = false;
    bool windowShown = false;
    bool canStart = true;
    int scanTakesMs = 0;
    std::vector<DateTime> starts;
    std::vector<bool> unattendedDuringScan;
    scheduler::Scheduler sched;
};

TEST_F(SchedulerTest, DailyStartsOnceInItsSecondHoweverShortTheScan) {
    Store(kDaily, "1:00:00 PM");
    host.RunFor(9990);  // to 12:59:59.990
    EXPECT_TRUE(starts.empty());
    // The scan takes 300 ms; the timer ticks on 70 times more in the same second.
    scanTakesMs = 300;
    host.RunFor(500);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], At(kFriday, 13, 0, 0));
    // Applied anew inside the same second: still the one scan.
    sched.Rearm();
    host.RunFor(1000);
    EXPECT_EQ(starts.size(), 1u);
    // The next day at the same second, once more.
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 12, 59, 59));
    host.RunFor(3000);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1], At(DateTime{2026, 1, 17, 0, 0, 0}, 13, 0, 0));
    EXPECT_EQ(sched.ScansStarted(), 2u);
}

TEST_F(SchedulerTest, ASecondMissedWhileTheTimersWereHeldOffIsCaughtUpWithinTheGrace) {
    Store(kDaily, "1:00:10 PM");
    host.RunFor(5000);  // 12:59:55
    // Another background task holds the timers off over the due second.
    timer.SetEnabled(false);
    host.RunFor(40000);  // 13:00:35
    EXPECT_TRUE(starts.empty());
    timer.SetEnabled(true);
    host.RunFor(100);
    host.RunFor(1000);  // the first tick comes within its interval, 1 s at most
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].minute, 0);
    EXPECT_GE(starts[0].second, 35);
    host.RunFor(30000);
    EXPECT_EQ(starts.size(), 1u) << "never twice for one due time";

    // The event loop held up past the grace: that due time is not started
    // late but recorded as missed.
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 13, 0, 5));
    Store(kDaily, "1:00:30 PM");
    host.RunFor(100);
    host.Advance(6 * 60000);  // 13:06:05, no tick in between
    host.RunFor(30000);
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_EQ(store.Get(settings::kSettings, keys::kScheduleMissed, ""), "1/17/2026 1:00:30 PM");
}

TEST_F(SchedulerTest, TheTimerWakesOnceASecondUntilADueSecondIsNear) {
    Store(kDaily, "1:00:00 PM");
    EXPECT_EQ(timer.Interval(), 10);
    host.RunFor(100);
    EXPECT_EQ(timer.Interval(), 1000);
    int ticks = 0;
    timer.Observe([&] { ++ticks; });
    host.RunFor(6500);  // to 12:59:56.6
    EXPECT_EQ(timer.Interval(), 1000);
    host.RunFor(1000);  // three seconds before
    EXPECT_EQ(timer.Interval(), 10);
    host.RunFor(3500);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], At(kFriday, 13, 0, 0));
    EXPECT_EQ(timer.Interval(), 1000) << "tomorrow's is far";
    EXPECT_EQ(ticks, 2);
}

TEST_F(SchedulerTest, ABusyScanIsWaitedForWithinTheMinute) {
    Store(kDaily, "1:00:00 PM");
    canStart = false;  // a scan started by hand runs
    host.RunFor(20000);
    EXPECT_TRUE(starts.empty());
    canStart = true;
    host.RunFor(1000);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].minute, 0);
}

TEST_F(SchedulerTest, ASecondBeforeTheScheduleWasArmedIsNotCaughtUp) {
    // Applied at 13:00:20 for 13:00:00 (or the program started then): not due.
    host.SetNow(At(kFriday, 13, 0, 20));
    Store(kDaily, "1:00:00 PM");
    host.RunFor(30000);
    EXPECT_TRUE(starts.empty());
}

TEST_F(SchedulerTest, WeekdaysNeverAndTheDateCompareAsStored) {
    // Friday is index 4; stored on a Friday it runs, on Thursday's index not.
    Store(4, "1:00:00 PM");
    host.RunFor(11000);
    EXPECT_EQ(starts.size(), 1u);
    Store(3, "1:00:05 PM");
    host.RunFor(10000);
    EXPECT_EQ(starts.size(), 1u);

    // "Never" (and any index past the weekdays) compares against Monday:
    // with a time stored beside it, it runs on Mondays.
    const DateTime monday{2026, 1, 19, 0, 0, 0};
    host.SetNow(At(monday, 12, 59, 58));
    Store(kNever, "1:00:00 PM");
    host.RunFor(3000);
    EXPECT_EQ(starts.size(), 2u);
    host.SetNow(At(DateTime{2026, 1, 20, 0, 0, 0}, 12, 59, 58));
    Store(kNever, "1:00:00 PM");
    host.RunFor(3000);
    EXPECT_EQ(starts.size(), 2u);
    // As Apply stores it, "Never" has no time and never runs.
    host.SetNow(At(monday, 12, 59, 58));
    Store(kNever, "Null");
    host.RunFor(3000);
    EXPECT_EQ(starts.size(), 2u);

    // Date & Time: on its date only; its time of day from the stored time.
    host.SetNow(At(kFriday, 12, 59, 58));
    Store(kDateAndTime, "1:00:00 PM", "1/17/2026");
    host.RunFor(3000);
    EXPECT_EQ(starts.size(), 2u);
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 12, 59, 58));
    Store(kDateAndTime, "1:00:00 PM", "1/17/2026");
    host.RunFor(3000);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[2], At(DateTime{2026, 1, 17, 0, 0, 0}, 13, 0, 0));
}

TEST_F(SchedulerTest, TextsThatDoNotConvertAndSchedulesSwitchedOffNeverRun) {
    for (const char* bad : {"Null", "", "25:00:00", "1:00 PMish", "13/13/2026 1:00:00 PM"}) {
        host.SetNow(At(kFriday, 12, 59, 58));
        Store(kDaily, bad);
        host.RunFor(3000);
        EXPECT_TRUE(starts.empty()) << bad;
    }
    host.SetNow(At(kFriday, 12, 59, 58));
    Store(kDateAndTime, "1:00:00 PM", "not a date");
    host.RunFor(3000);
    EXPECT_TRUE(starts.empty());
    // Stored as off, a timer switched on by something else starts nothing.
    host.SetNow(At(kFriday, 12, 59, 58));
    Store(kDaily, "1:00:00 PM");
    store.Save(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, "0");
    host.RunFor(3000);
    EXPECT_TRUE(starts.empty());
}

TEST_F(SchedulerTest, UnattendedRemovalHoldsOnlyForTheScheduledScan) {
    Store(kDaily, "1:00:00 PM");
    store.Save(settings::kSettings, keys::kChkAutoDel, "1");
    host.RunFor(11000);
    store.Save(settings::kSettings, keys::kChkAutoDel, "0");
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 12, 59, 59));
    host.RunFor(2000);
    EXPECT_EQ(unattendedDuringScan, (std::vector<bool>{true, false}));
    EXPECT_FALSE(unattended);
    // Every tick ends with it cleared.
    unattended = true;
    host.RunFor(1000);
    EXPECT_FALSE(unattended);
}

// Whether to remove without asking is what the store holds at the scan:
// another program (the window, while watch runs) may have changed it, and
// the box of this one was filled only at its start.
TEST_F(SchedulerTest, AutomaticDeletionIsReadFromTheStoreAtEachScan) {
    Store(kDaily, "1:00:00 PM");
    autoDel.SetChecked(true);
    store.Save(settings::kSettings, keys::kChkAutoDel, "0");
    host.RunFor(11000);
    autoDel.SetChecked(false);
    store.Save(settings::kSettings, keys::kChkAutoDel, "1");
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 12, 59, 59));
    host.RunFor(2000);
    EXPECT_EQ(unattendedDuringScan, (std::vector<bool>{false, true}));
    EXPECT_TRUE(sched.LastScanRemoves());
}

// Two schedulers of one profile (the window in the tray and watch): one
// scan per due time, whichever checks first, also when the other's check
// comes during the scan or holds the profile's lock at the due second.
TEST_F(SchedulerTest, TwoSchedulersOfOneProfileStartOneScanPerDueTime) {
    settings::SettingsStore otherStore(machine.Platform().settings);
    ui::CheckBox otherChk, otherAutoDel;
    ui::ComboBox otherDays;
    ui::DateTimePicker otherDate, otherTime;
    ui::Button otherApply, otherReset;
    ui::Timer otherTimer{10, false};
    ui::Label otherStart;
    bool otherUnattended = false;
    std::vector<DateTime> otherStarts;
    scheduler::Scheduler other(scheduler::ScheduleContext{
        scheduler::ScheduleControls{otherChk, otherDays, otherDate, otherTime, otherApply,
                                    otherReset, otherAutoDel, otherTimer},
        otherStore, host, "Quellon Pro", otherStart, otherUnattended, [] { return false; },
        [] { return true; }});
    other.Wire();
    otherStart.onClick = [&] { otherStarts.push_back(host.Now()); };
    host.AddTimer(otherTimer);
    // This one's scan takes two seconds; the other checks all along.
    scanTakesMs = 0;
    lblStart.onClick = [&] {
        starts.push_back(host.Now());
        for (int i = 0; i < 200; ++i) {
            host.Advance(10);
            other.tmrScheduler_Timer();
        }
    };
    Store(kDaily, "1:00:00 PM");
    otherTimer.SetEnabled(true);
    host.RunFor(15000);
    EXPECT_EQ(starts.size() + otherStarts.size(), 1u);

    // The next day another program holds the lock over the due second: no
    // start while it does, and the due time is caught up once it lets go.
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 12, 59, 58));
    sched.Rearm();
    other.Rearm();
    {
        const platform::LockAttempt held = store.TryLock(scheduler::Scheduler::kLockName);
        ASSERT_EQ(held.state, platform::LockAttempt::State::kTaken);
        EXPECT_EQ(store.TryLock(scheduler::Scheduler::kLockName).state,
                  platform::LockAttempt::State::kHeldElsewhere);
        host.RunFor(5000);
        EXPECT_EQ(starts.size() + otherStarts.size(), 1u);
    }
    host.RunFor(3000);
    EXPECT_EQ(starts.size() + otherStarts.size(), 2u);
    host.RunFor(60000);
    EXPECT_EQ(starts.size() + otherStarts.size(), 2u);
    EXPECT_EQ(store.Get(settings::kSettings, keys::kScheduleServed, ""), "1/17/2026 1:00:00 PM");
    host.RemoveTimer(otherTimer);
}

// A due time that passed while nothing could run it: caught up within the
// grace (the machine woke two minutes late), otherwise recorded as missed
// and told until a later scan starts; never started twice, also when the
// clock goes back an hour in autumn.
TEST_F(SchedulerTest, AMissedScanIsCaughtUpWithinTheGraceOrToldAsMissed) {
    Store(kDaily, "1:00:00 PM");
    host.RunFor(1000);
    host.Advance(2 * 60000);  // asleep over the due second
    host.RunFor(2000);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].hour, 13);
    EXPECT_EQ(starts[0].minute, 1) << "at the first check after the wake";
    EXPECT_EQ(sched.MissedScan(scheduler::ReadSchedule(store), host.Now()), std::nullopt);

    // Asleep for an hour the next day: too late to start, said instead.
    host.SetNow(At(DateTime{2026, 1, 17, 0, 0, 0}, 12, 59, 0));
    host.RunFor(1000);
    host.Advance(60 * 60000);
    host.RunFor(2000);
    EXPECT_EQ(starts.size(), 1u);
    const DateTime saturday = At(DateTime{2026, 1, 17, 0, 0, 0}, 13, 0, 0);
    EXPECT_EQ(sched.MissedScan(scheduler::ReadSchedule(store), host.Now()), saturday);
    EXPECT_EQ(store.Get(settings::kSettings, keys::kScheduleMissed, ""), "1/17/2026 1:00:00 PM");

    // The program was not running on Sunday: the next start tells it before
    // its first check, and the check records it.
    scheduler::Scheduler restarted(scheduler::ScheduleContext{
        scheduler::ScheduleControls{chk, days, date, time, apply, reset, autoDel, timer}, store,
        host, "Quellon Pro", lblStart, unattended, [] { return false; }, [] { return true; }});
    host.SetNow(At(DateTime{2026, 1, 18, 0, 0, 0}, 18, 0, 0));
    const DateTime sunday = At(DateTime{2026, 1, 18, 0, 0, 0}, 13, 0, 0);
    EXPECT_EQ(restarted.MissedScan(scheduler::ReadSchedule(store), host.Now()), sunday);
    restarted.tmrScheduler_Timer();
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_EQ(store.Get(settings::kSettings, keys::kScheduleMissed, ""), "1/18/2026 1:00:00 PM");

    // Monday's scan runs and the record of the miss goes.
    host.SetNow(At(DateTime{2026, 1, 19, 0, 0, 0}, 12, 59, 59));
    sched.Rearm();
    host.RunFor(2000);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(sched.MissedScan(scheduler::ReadSchedule(store), host.Now()), std::nullopt);

    // A due time in the hour the clock skips in spring is missed, and said.
    Store(kDaily, "2:30:00 AM");
    host.SetNow(At(DateTime{2026, 3, 29, 0, 0, 0}, 1, 59, 58));
    sched.Rearm();
    host.RunFor(1500);
    host.SetNow(At(DateTime{2026, 3, 29, 0, 0, 0}, 3, 0, 0));
    host.RunFor(1500);
    EXPECT_EQ(starts.size(), 2u);
    EXPECT_EQ(store.Get(settings::kSettings, keys::kScheduleMissed, ""), "3/29/2026 2:30:00 AM");

    // In autumn the hour after it comes twice: its scan runs once.
    Store(kDaily, "2:30:00 AM");
    host.SetNow(At(DateTime{2026, 10, 25, 0, 0, 0}, 2, 29, 58));
    sched.Rearm();
    host.RunFor(3000);
    ASSERT_EQ(starts.size(), 3u);
    host.SetNow(At(DateTime{2026, 10, 25, 0, 0, 0}, 2, 0, 0));
    sched.Rearm();
    host.RunFor(40 * 60000);
    EXPECT_EQ(starts.size(), 3u);
}

TEST_F(SchedulerTest, TheWindowShownInNormalStatePausesTheCheck) {
    Store(kDaily, "1:00:00 PM");
    windowShown = true;
    host.RunFor(11000);
    EXPECT_TRUE(starts.empty());
    EXPECT_FALSE(timer.Enabled()) << "the check switches itself off";
    // Minimised again within the minute: the due second passed while shown
    // is not caught up.
    windowShown = false;
    timer.SetEnabled(true);
    host.RunFor(5000);
    EXPECT_TRUE(starts.empty());
}

TEST_F(SchedulerTest, ApplyStoresThePickersAndRefusesAScheduleThatCannotComeDue) {
    sched.LoadSchedule();
    EXPECT_EQ(days.ListIndex(), kDaily) << "a fresh profile selects Daily";
    EXPECT_FALSE(chk.Checked());
    EXPECT_FALSE(days.Enabled());
    EXPECT_FALSE(time.Enabled());

    chk.SetChecked(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(days.Enabled());
    EXPECT_TRUE(time.Enabled());
    EXPECT_FALSE(date.Enabled());
    EXPECT_TRUE(date.IsNull());
    days.SetListIndex(kDateAndTime);
    EXPECT_TRUE(date.Enabled());
    time.SetValue(Time(13, 0, 0));
    // Date & Time without a date: the message, nothing stored, Apply stays.
    host.ExpectMsgBox("Please select the date that you want to scan.", ui::MsgResult::kOk);
    apply.Click();
    EXPECT_EQ(host.Shown().back().style, ui::kOkOnly | ui::kInformation);
    EXPECT_EQ(host.Shown().back().title, "Quellon Pro");
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, "<absent>"),
              "<absent>");
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kDay, "<absent>"), "<absent>");
    EXPECT_TRUE(apply.Enabled());

    date.SetValue(DateTime{2026, 1, 17, 0, 0, 0});
    apply.Click();
    EXPECT_FALSE(apply.Enabled());
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, ""), "1");
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kDay, ""), "8");
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kTime, ""), "1:00:00 PM");
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kDate, ""), "1/17/2026");
    EXPECT_TRUE(timer.Enabled());
    // The load after the save gives back what was applied.
    EXPECT_EQ(date.Value(), (DateTime{2026, 1, 17, 0, 0, 0}));
    EXPECT_EQ(time.Value(), Time(13, 0, 0));
    EXPECT_TRUE(chk.Checked());

    // "Never" clears and greys both pickers; a day without a time is refused.
    days.SetListIndex(kNever);
    EXPECT_TRUE(apply.Enabled());
    EXPECT_TRUE(date.IsNull() && time.IsNull());
    EXPECT_FALSE(date.Enabled() || time.Enabled());
    days.SetListIndex(2);
    EXPECT_TRUE(time.Enabled());
    host.ExpectMsgBox("Please select the date that you want to scan.", ui::MsgResult::kOk);
    apply.Click();
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kDay, ""), "8");

    // Switching off is never refused, and leaves the stored days alone.
    chk.SetChecked(false);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(days.Enabled() || date.Enabled() || time.Enabled());
    apply.Click();
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, ""), "0");
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kDay, ""), "8");
    EXPECT_FALSE(timer.Enabled());
    // The load shows the stored schedule as it is: off.
    EXPECT_FALSE(chk.Checked());
    EXPECT_EQ(days.ListIndex(), kDateAndTime);
    EXPECT_FALSE(days.Enabled());
}

TEST_F(SchedulerTest, ResetSelectsDailySwitchesOffAndApplies) {
    Store(4, "1:00:00 PM");
    sched.LoadSchedule();
    EXPECT_TRUE(chk.Checked());
    EXPECT_EQ(days.ListIndex(), 4);
    reset.Click();
    EXPECT_EQ(store.Get(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, ""), "0");
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(apply.Enabled());
    EXPECT_FALSE(chk.Checked());
    host.RunFor(20000);
    EXPECT_TRUE(starts.empty());
}

TEST_F(SchedulerTest, CheckingTheBoxForADateScheduleOpensBothPickers) {
    Store(kDateAndTime, "1:00:00 PM", "1/17/2026");
    store.Save(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, "0");
    sched.LoadSchedule();
    EXPECT_FALSE(date.Enabled());
    chk.SetChecked(true);
    EXPECT_TRUE(date.Enabled());
    EXPECT_TRUE(time.Enabled());
    EXPECT_FALSE(date.IsNull()) << "the stored date stays";
}

TEST(Schedule, NextDueAndWords) {
    scheduler::Schedule s;
    s.on = true;
    s.day = 4;
    s.time = Time(13, 0, 0);
    const DateTime thursday{2026, 1, 15, 9, 0, 0};
    EXPECT_EQ(scheduler::NextDue(s, thursday), At(kFriday, 13, 0, 0));
    EXPECT_EQ(scheduler::NextDue(s, At(kFriday, 13, 0, 0)), At(kFriday, 13, 0, 0));
    EXPECT_EQ(scheduler::NextDue(s, At(kFriday, 13, 0, 1)), At(DateTime{2026, 1, 23}, 13, 0, 0));
    EXPECT_EQ(scheduler::Describe(s), "every Friday at 13:00:00");
    s.day = kDaily;
    EXPECT_EQ(scheduler::NextDue(s, At(kFriday, 23, 0, 0)), At(DateTime{2026, 1, 17}, 13, 0, 0));
    EXPECT_EQ(scheduler::Describe(s), "daily at 13:00:00");
    s.day = kDateAndTime;
    s.date = DateTime{2026, 1, 17, 0, 0, 0};
    EXPECT_EQ(scheduler::NextDue(s, thursday), At(DateTime{2026, 1, 17}, 13, 0, 0));
    EXPECT_EQ(scheduler::NextDue(s, At(DateTime{2026, 1, 18}, 0, 0, 0)), std::nullopt);
    EXPECT_EQ(scheduler::Describe(s), "on 17/01/2026 at 13:00:00");
    EXPECT_EQ(scheduler::Describe(s, scheduler::Words::kWindow), "on 1/17/2026 at 1:00:00 PM");
    EXPECT_EQ(scheduler::DescribeDue(At(DateTime{2026, 1, 17}, 8, 5, 0)),
              "Saturday 17/01/2026 08:05:00");
    EXPECT_EQ(scheduler::DescribeDue(At(DateTime{2026, 1, 17}, 8, 5, 0), scheduler::Words::kWindow),
              "Saturday 1/17/2026 8:05:00 AM");
    s.day = kNever;
    s.time.reset();
    EXPECT_EQ(scheduler::NextDue(s, thursday), std::nullopt);
    EXPECT_EQ(scheduler::Describe(s), "never");
    s.on = false;
    EXPECT_EQ(scheduler::Describe(s), "off");
    EXPECT_EQ(scheduler::DayNameFor(9), "MONDAY");
    EXPECT_EQ(scheduler::DayNameFor(6), "SUNDAY");
    EXPECT_EQ(scheduler::DayNameFor(-1), "MONDAY");
}

}  // namespace
}  // namespace quellon::testing
