// Scheduled scans: the controls of the "Scheduled Scans" tab with their
// change rules, Apply (SaveSchedule, LoadSchedule) and Reset, and the check
// that tmrScheduler runs every 10 ms, which starts the scan through the scan
// start action as a click does.
//
// The timer ticks every 10 ms from three seconds before a due second, and
// once a second while none is near: a hundred wake-ups a second would be
// most of what the program costs while it sits in the tray.
//
// One scan per due time, one scheduler per user profile: every program of
// the user (the window in the tray, quellon-cli watch, several of them) may
// check the schedule, but a due time is started by whichever takes the
// profile's scheduler lock first, and the store records under that lock the
// last due time dealt with, so no program starts it again, also when the
// lock changes hands. A due time that passed while the check could not run
// (the machine asleep, the timers held off by another task, a due time in
// an hour the clock skipped) is caught up at the first check within a
// grace of a few minutes after it; later it is recorded as missed, which
// the status page and "schedule show" tell until a later scan starts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/datetime.h"
#include "scheduler/schedule.h"
#include "settings/settings_store.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::scheduler {

// The controls of the tab and the timer, owned by the main window.
struct ScheduleControls {
    ui::CheckBox& chkAutomaticScanYesOrNo;
    ui::ComboBox& cmbDays;
    ui::DateTimePicker& dtpScheduleDate;
    ui::DateTimePicker& dtpScheduleTime;
    ui::Button& CmdProceed;
    ui::Button& cmdDefaultSetting;
    ui::CheckBox& chkAutoDel;
    ui::Timer& tmrScheduler;
};

struct ScheduleContext {
    ScheduleControls controls;
    settings::SettingsStore& settings;
    ui::Host& host;
    std::string productName;
    // The scan start action, run as a click.
    ui::Label& lblStart;
    // The scan's flag to remove what it finds without asking.
    bool& unattendedRemoval;
    // Whether the main window is shown in normal state: the check pauses.
    std::function<bool()> windowShown;
    // Whether a scan could start now (none runs, no removal runs).
    std::function<bool()> scanCanStart;
};

class Scheduler {
public:
    // tmrScheduler's interval near a due second, and while none is near.
    static constexpr int kNearIntervalMs = 10;
    static constexpr int kIdleIntervalMs = 1000;
    // How near a due second must be for the short interval.
    static constexpr int kNearSeconds = 3;
    // How long after its due second a scan is still caught up.
    static constexpr int kGraceSeconds = 5 * 60;
    // A record further ahead of the clock than this (more than the hour a
    // clock goes back in autumn) was made by a wrong clock and is not kept to.
    static constexpr int kClockSetBackSeconds = 2 * 60 * 60;
    // The name of the profile's lock the schedulers share.
    static constexpr std::string_view kLockName = "scheduler";

    explicit Scheduler(ScheduleContext ctx);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Fills the day list and wires the controls' change handling, Apply,
    // Reset and the timer's tick.
    void Wire();

    // Stores the tab's choice; false (after the message) when "Date & Time"
    // lacks its date, or any day but "Never" its time, while scheduled scans
    // are ticked. Nothing is stored then.
    bool SaveSchedule();
    // Puts the stored schedule into the tab.
    void LoadSchedule();
    // Apply: SaveSchedule, then (when it stored) Apply greys out and the
    // stored schedule is loaded back. False when SaveSchedule refused.
    bool CmdProceed_Click();
    // Reset: "Daily", scheduled scans unticked, then Apply.
    void cmdDefaultSetting_Click();
    // The enabled state of the day list and the pickers as the check box
    // and the selected day ask for.
    void ShowEnabledState();

    // One tick of tmrScheduler.
    void tmrScheduler_Timer();
    // Forgets the checks made so far: a due second before the next check is
    // not caught up (the schedule was applied anew, or the window shown).
    void Rearm();

    // Run around each scheduled scan (the command line reports it), and
    // after each load of the schedule.
    std::function<void()> onScanStarting;
    std::function<void()> onScanEnded;
    std::function<void()> onLoaded;
    // How many scheduled scans this check started, and whether the last one
    // removed what it found without asking.
    unsigned ScansStarted() const { return scansStarted_; }
    bool LastScanRemoves() const { return lastRemoves_; }
    // The next due second from `now` on that has not been dealt with yet.
    std::optional<DateTime> NextScan(const Schedule& schedule, const DateTime& now) const;
    // The last due time whose scan did not run: as recorded, or one that
    // passed since the last record and is past its grace at `now`.
    std::optional<DateTime> MissedScan(const Schedule& schedule, const DateTime& now) const;

private:
    void ScheduleChanged();
    // The timer's interval for what comes next.
    void Pace(const Schedule& schedule, const DateTime& now);
    // The stored last due time dealt with, as seconds of the clock.
    std::optional<std::int64_t> StoredServed() const;
    // Records a due time as dealt with (and as missed, or the record of a
    // miss cleared).
    void Record(std::int64_t due, bool missed);

    ScheduleContext ctx_;
    bool loading_ = false;
    bool ticking_ = false;
    // The second of the last check, as seconds of the clock.
    std::optional<std::int64_t> lastCheck_;
    // Due seconds at or before it are not started by this program: they
    // passed before it checked (before the start, while the window was
    // shown, before the schedule was applied).
    std::optional<std::int64_t> floor_;
    // The due second this program last started or recorded as missed.
    std::optional<std::int64_t> dealtHere_;
    unsigned scansStarted_ = 0;
    bool lastRemoves_ = false;
};

}  // namespace quellon::scheduler
