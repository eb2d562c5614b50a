#include "scheduler/scheduler.h"

#include "common/text.h"

namespace quellon::scheduler {
namespace {

using settings::kOptionAndSettings;
namespace keys = settings::keys;

constexpr std::string_view kNoDateMessage = "Please select the date that you want to scan.";

// The latest due second of the schedule at or before `now`, looked for over
// the last week (the longest a schedule repeats in).
std::optional<DateTime> LatestDue(const Schedule& schedule, const DateTime& now) {
    constexpr std::int64_t kDay = 24 * 60 * 60;
    const std::int64_t at = now.ToUnixSeconds();
    for (int back = 0; back <= 7; ++back) {
        const std::optional<DateTime> due =
            DueOn(schedule, DateTime::FromUnixSeconds(at - back * kDay));
        if (due && due->ToUnixSeconds() <= at) {
            return due;
        }
    }
    return std::nullopt;
}

// A stored date-time text as seconds of the clock; nullopt when absent or
// not a date with its time.
std::optional<std::int64_t> StoredSecond(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::optional<DateTime> t = ParseGeneralDate(text);
    if (!t || t->year < 1900) {
        return std::nullopt;
    }
    return t->ToUnixSeconds();
}

// The text a picker's value is stored as.
std::string StoredText(const ui::DateTimePicker& picker) {
    return picker.IsNull() ? std::string("Null") : FormatGeneralDate(picker.Value());
}

// Puts a stored text into a picker: "Null", and a text that does not
// convert, leave it holding no value.
void LoadPicker(ui::DateTimePicker& picker, const std::string& stored) {
    const std::optional<DateTime> value =
        stored == "Null" ? std::nullopt : ParseGeneralDate(stored);
    if (value) {
        picker.SetValue(*value);
    } else {
        picker.SetNull();
    }
}

}  // namespace

Scheduler::Scheduler(ScheduleContext ctx) : ctx_(std::move(ctx)) {}

void Scheduler::Wire() {
    ScheduleControls& c = ctx_.controls;
    c.cmbDays.entries.clear();
    for (int i = 0; i < kDayEntryCount; ++i) {
        c.cmbDays.entries.emplace_back(DayEntry(i));
    }
    c.cmbDays.onChange = [this] {
        ScheduleControls& k = ctx_.controls;
        const int index = k.cmbDays.ListIndex();
        if (index == kNever) {
            k.dtpScheduleDate.SetNull();
            k.dtpScheduleTime.SetNull();
        } else if (index != kDateAndTime) {
            k.dtpScheduleDate.SetNull();
        }
        ShowEnabledState();
        ScheduleChanged();
    };
    c.chkAutomaticScanYesOrNo.onChange = [this] {
        ScheduleControls& k = ctx_.controls;
        const bool on = k.chkAutomaticScanYesOrNo.Checked();
        k.tmrScheduler.SetEnabled(on);
        const int index = k.cmbDays.ListIndex();
        if (on && index >= 0 && index <= kDaily) {
            k.dtpScheduleDate.SetNull();
        }
        ShowEnabledState();
        ScheduleChanged();
    };
    c.dtpScheduleDate.onChange = [this] { ScheduleChanged(); };
    c.dtpScheduleTime.onChange = [this] { ScheduleChanged(); };
    c.CmdProceed.onClick = [this] { CmdProceed_Click(); };
    c.cmdDefaultSetting.onClick = [this] { cmdDefaultSetting_Click(); };
    c.tmrScheduler.onTick = [this] { tmrScheduler_Timer(); };
    // Nothing to apply until the user changes the schedule.
    c.CmdProceed.SetEnabled(false);
}

void Scheduler::ScheduleChanged() {
    if (!loading_) {
        ctx_.controls.CmdProceed.SetEnabled(true);
    }
}

void Scheduler::ShowEnabledState() {
    ScheduleControls& c = ctx_.controls;
    // The pickers follow the selected day, and only while scheduled scans
    // are ticked (the day list cannot change otherwise, except from code).
    const bool on = c.chkAutomaticScanYesOrNo.Checked();
    const int index = c.cmbDays.ListIndex();
    c.cmbDays.SetEnabled(on);
    c.dtpScheduleDate.SetEnabled(on && index == kDateAndTime);
    c.dtpScheduleTime.SetEnabled(on && index != kNever);
}

bool Scheduler::SaveSchedule() {
    ScheduleControls& c = ctx_.controls;
    const int index = c.cmbDays.ListIndex();
    const bool on = c.chkAutomaticScanYesOrNo.Checked();
    // A schedule that could never come due is not stored as if it would.
    const bool missing = on && ((index == kDateAndTime && c.dtpScheduleDate.IsNull()) ||
                                (index != kNever && c.dtpScheduleTime.IsNull()));
    if (missing) {
        ctx_.host.MsgBox(kNoDateMessage, ui::kOkOnly | ui::kInformation, ctx_.productName);
        return false;
    }
    const auto batch = ctx_.settings.Batch();
    ctx_.settings.SaveCheck(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, on);
    if (ctx_.settings.GetNumber(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, 0) == 1) {
        ctx_.settings.Save(kOptionAndSettings, keys::kDay, text::ToDecimal(index));
        ctx_.settings.Save(kOptionAndSettings, keys::kTime, StoredText(c.dtpScheduleTime));
        ctx_.settings.Save(kOptionAndSettings, keys::kDate, StoredText(c.dtpScheduleDate));
        // Due times before now are not owed by the schedule applied now:
        // none is caught up, none said to be missed.
        const std::int64_t now = ctx_.host.Now().ToUnixSeconds();
        ctx_.settings.Save(settings::kSettings, keys::kScheduleServed,
                           FormatGeneralDate(DateTime::FromUnixSeconds(now - 1)));
        ctx_.settings.Save(settings::kSettings, keys::kScheduleMissed, "");
        c.tmrScheduler.SetEnabled(true);
    } else {
        c.tmrScheduler.SetEnabled(false);
    }
    Rearm();
    return true;
}

void Scheduler::LoadSchedule() {
    ScheduleControls& c = ctx_.controls;
    const bool wasLoading = loading_;
    loading_ = true;
    c.chkAutoDel.SetChecked(ctx_.settings.Get(settings::kSettings, keys::kChkAutoDel, "0") == "1");
    if (ctx_.settings.Get(kOptionAndSettings, keys::kDay, "None") == "None") {
        // Nothing was ever stored.
        c.cmbDays.SetListIndex(kDaily);
    } else {
        LoadPicker(c.dtpScheduleDate, ctx_.settings.Get(kOptionAndSettings, keys::kDate, "Null"));
        LoadPicker(c.dtpScheduleTime, ctx_.settings.Get(kOptionAndSettings, keys::kTime, "Null"));
        const std::int64_t index = ctx_.settings.GetNumber(kOptionAndSettings, keys::kDay, kDaily);
        c.cmbDays.SetListIndex(index >= 0 && index < kDayEntryCount ? static_cast<int>(index)
                                                                    : kDaily);
        // The box shows whether the stored schedule is on: ticked always, it
        // would show a schedule just switched off (Reset) as on and start
        // the timer for it.
        c.chkAutomaticScanYesOrNo.SetChecked(
            ctx_.settings.GetNumber(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, 0) != 0);
    }
    ShowEnabledState();
    Rearm();
    loading_ = wasLoading;
    if (onLoaded) {
        onLoaded();
    }
}

bool Scheduler::CmdProceed_Click() {
    if (!SaveSchedule()) {
        // Nothing stored: the choice stays in the tab for the user to mend.
        return false;
    }
    ctx_.controls.CmdProceed.SetEnabled(false);
    LoadSchedule();
    return true;
}

void Scheduler::cmdDefaultSetting_Click() {
    ctx_.controls.cmbDays.SetListIndex(kDaily);
    ctx_.controls.chkAutomaticScanYesOrNo.SetChecked(false);
    CmdProceed_Click();
}

std::optional<std::int64_t> Scheduler::StoredServed() const {
    return StoredSecond(ctx_.settings.Get(settings::kSettings, keys::kScheduleServed, ""));
}

void Scheduler::Record(std::int64_t due, bool missed) {
    const std::string text = FormatGeneralDate(DateTime::FromUnixSeconds(due));
    const auto batch = ctx_.settings.Batch();
    ctx_.settings.Save(settings::kSettings, keys::kScheduleServed, text);
    ctx_.settings.Save(settings::kSettings, keys::kScheduleMissed, missed ? text : "");
}

std::optional<DateTime> Scheduler::NextScan(const Schedule& schedule, const DateTime& now) const {
    std::optional<DateTime> next = NextDue(schedule, now);
    const std::optional<std::int64_t> served = StoredServed();
    if (next && served && next->ToUnixSeconds() <= *served) {
        next = NextDue(schedule, DateTime::FromUnixSeconds(*served + 1));
    }
    return next;
}

std::optional<DateTime> Scheduler::MissedScan(const Schedule& schedule, const DateTime& now) const {
    if (schedule.on) {
        // One that passed since the last record, too late to catch up.
        const std::optional<std::int64_t> served = StoredServed();
        const std::optional<DateTime> due = LatestDue(schedule, now);
        if (served && due && due->ToUnixSeconds() > *served &&
            now.ToUnixSeconds() - due->ToUnixSeconds() > kGraceSeconds) {
            return due;
        }
    }
    const std::optional<std::int64_t> recorded =
        StoredSecond(ctx_.settings.Get(settings::kSettings, keys::kScheduleMissed, ""));
    return recorded ? std::optional<DateTime>(DateTime::FromUnixSeconds(*recorded)) : std::nullopt;
}

void Scheduler::Rearm() {
    lastCheck_.reset();
    floor_.reset();
    // The first check comes soon; it sets the pace from then on.
    ctx_.controls.tmrScheduler.SetInterval(kNearIntervalMs);
}

void Scheduler::Pace(const Schedule& schedule, const DateTime& now) {
    bool near = false;
    if (schedule.on) {
        if (const std::optional<DateTime> next = NextScan(schedule, now)) {
            near = next->ToUnixSeconds() - now.ToUnixSeconds() <= kNearSeconds;
        }
    }
    ctx_.controls.tmrScheduler.SetInterval(near ? kNearIntervalMs : kIdleIntervalMs);
}

void Scheduler::tmrScheduler_Timer() {
    // A scan lets events run; a tick inside it checks nothing.
    if (ticking_) {
        return;
    }
    ticking_ = true;
    struct TickEnd {
        Scheduler& s;
        ~TickEnd() {
            s.ctx_.unattendedRemoval = false;
            s.ticking_ = false;
        }
    } end{*this};

    if (ctx_.windowShown && ctx_.windowShown()) {
        // Shown in normal state the check pauses (every background task
        // switches the timer back on from the settings when it ends).
        Rearm();
        ctx_.controls.tmrScheduler.SetEnabled(false);
        return;
    }
    const DateTime now = ctx_.host.Now();
    const std::int64_t second = now.ToUnixSeconds();
    // A hundred ticks a second: each second is checked once.
    if (lastCheck_ && *lastCheck_ == second) {
        return;
    }
    lastCheck_ = second;
    if (!floor_) {
        // The due second of this very check still counts.
        floor_ = second - 1;
    }

    const Schedule schedule = ReadSchedule(ctx_.settings);
    Pace(schedule, now);
    if (!schedule.on) {
        return;
    }
    const std::optional<DateTime> due = LatestDue(schedule, now);
    if (!due) {
        return;
    }
    const std::int64_t d = due->ToUnixSeconds();
    // Dealt with already; without any record (a schedule stored before
    // there was one), what passed before this program checked is not owed.
    std::optional<std::int64_t> served = StoredServed();
    if (served && *served > second + kClockSetBackSeconds) {
        // Recorded by a clock far ahead of this one (set back since): not
        // a reason to start nothing until the clock catches up.
        served.reset();
    }
    // The record kept here too: a store that cannot be written must not
    // start a due time again at every second of its grace.
    if ((served ? d <= *served : d <= *floor_) || dealtHere_ == d) {
        return;
    }
    const bool catchUp = d > *floor_ && second - d <= kGraceSeconds;
    if (catchUp && ctx_.scanCanStart && !ctx_.scanCanStart()) {
        return;  // tried again at the next second, within the grace
    }
    {
        // Decided under the profile's lock, against the record as it is
        // now: another program may have dealt with it meanwhile. Without any
        // lock to be had (an unwritable settings folder) the record alone
        // keeps a due time from running twice.
        const platform::LockAttempt lock = ctx_.settings.TryLock(kLockName);
        if (lock.state == platform::LockAttempt::State::kHeldElsewhere) {
            return;  // another scheduler decides now; looked at again next second
        }
        const std::optional<std::int64_t> servedNow = StoredServed();
        if (servedNow && d <= *servedNow && *servedNow <= second + kClockSetBackSeconds) {
            return;
        }
        Record(d, !catchUp);
        dealtHere_ = d;
    }
    if (!catchUp) {
        // Too late to run: the status page says it was missed.
        if (onLoaded) {
            onLoaded();
        }
        return;
    }
    ++scansStarted_;
    Pace(schedule, now);
    // Whether to remove without asking as the store says now: the user may
    // have changed it in another program (the window, while watch runs).
    lastRemoves_ = schedule.autoDelete;
    ctx_.unattendedRemoval = schedule.autoDelete;
    if (onScanStarting) {
        onScanStarting();
    }
    ctx_.lblStart.Click();
    if (onScanEnded) {
        onScanEnded();
    }
}

}  // namespace quellon::scheduler
