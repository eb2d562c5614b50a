// Scheduled scans: the controls of the "Scheduled Scans" tab with their
// change rules, Apply (SaveSchedule, LoadSchedule) and Reset, and the check
// that tmrScheduler runs every 10 ms, which starts the scan through the scan
// start action as a click does.
//
// The timer ticks every 10 ms from three seconds before a due second, and
// once a second while none is near: a hundred wake-ups a second would be
// most of what the program costs while it sits in the tray.
//
// One scan per due time: the check remembers the due second that last
// started a scan and never starts another for it. A due second that passed
// while the check could not run (the background timers held off by another
// task, the event loop held up) is caught up at the first check after it,
// if that comes within the same minute.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

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
    // How many scheduled scans the check started, and the due second (as
    // seconds of the clock) that started the last one.
    unsigned ScansStarted() const { return scansStarted_; }
    std::optional<std::int64_t> LastServed() const { return served_; }
    // The next due second from `now` on that has not started a scan yet.
    std::optional<DateTime> NextScan(const Schedule& schedule, const DateTime& now) const;

private:
    void ScheduleChanged();
    // The timer's interval for what comes next.
    void Pace(const Schedule& schedule, const DateTime& now);

    ScheduleContext ctx_;
    bool loading_ = false;
    bool ticking_ = false;
    // The second of the last check, as seconds of the clock.
    std::optional<std::int64_t> lastCheck_;
    // A due second reached while the check ran, not yet served.
    std::optional<std::int64_t> owed_;
    // The due second that last started a scan.
    std::optional<std::int64_t> served_;
    unsigned scansStarted_ = 0;
};

}  // namespace quellon::scheduler
