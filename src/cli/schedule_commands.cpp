// quellon-cli schedule: the "Scheduled Scans" tab without a window. "set"
// and "off" put the choice into the tab's controls and press Apply, so the
// schedule is stored exactly as the window stores it (and refused with the
// same message).
#include <optional>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "cli/cli_front_end.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "common/text.h"
#include "scheduler/schedule.h"

namespace quellon::cli {
namespace {

// A whole number of one or two digits ("7", "07"); nullopt otherwise.
std::optional<int> TwoDigits(std::string_view s, bool exactlyTwo) {
    if (s.empty() || s.size() > 2 || (exactlyTwo && s.size() != 2) ||
        s.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::stoi(std::string(s));
}

// "HH:MM:SS" (24-hour; the hour may have one digit) as a time of day.
std::optional<DateTime> ParseClock(std::string_view s) {
    const std::vector<std::string> parts = text::Split(s, ":");
    if (parts.size() != 3) {
        return std::nullopt;
    }
    const auto h = TwoDigits(parts[0], false);
    const auto m = TwoDigits(parts[1], true);
    const auto sec = TwoDigits(parts[2], true);
    if (!h || !m || !sec || *h > 23 || *m > 59 || *sec > 59) {
        return std::nullopt;
    }
    DateTime t = kZeroDate;
    t.hour = *h;
    t.minute = *m;
    t.second = *sec;
    return t;
}

// "DD/MM/YYYY" as a date the calendar has.
std::optional<DateTime> ParseDayMonthYear(std::string_view s) {
    const std::vector<std::string> parts = text::Split(s, "/");
    if (parts.size() != 3 || parts[2].size() != 4 ||
        parts[2].find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const auto d = TwoDigits(parts[0], false);
    const auto m = TwoDigits(parts[1], false);
    const int y = std::stoi(parts[2]);
    if (!d || !m || y < 100) {
        return std::nullopt;
    }
    DateTime t{y, *m, *d, 0, 0, 0};
    if (DateTime::FromUnixSeconds(t.ToUnixSeconds()) != t) {
        return std::nullopt;  // 31/02, 00/01 ...
    }
    return t;
}

// The day list's index of a day word: "monday" ... "sunday", "daily", "never".
std::optional<int> DayIndex(std::string_view word) {
    for (int i = 0; i < scheduler::kDayEntryCount; ++i) {
        if (i != scheduler::kDateAndTime && text::EqualsNoCase(word, scheduler::DayEntry(i))) {
            return i;
        }
    }
    return std::nullopt;
}

// What "set" asks for.
struct Choice {
    int day = scheduler::kDaily;
    DateTime time;
    std::optional<DateTime> date;
    std::optional<bool> autoDelete;
};

std::optional<Choice> ParseSet(const std::vector<std::string>& a) {
    Choice c;
    size_t i = 2;
    if (a.size() <= i) {
        return std::nullopt;
    }
    if (text::EqualsNoCase(a[i], "date")) {
        if (a.size() <= i + 1) {
            return std::nullopt;
        }
        c.date = ParseDayMonthYear(a[i + 1]);
        if (!c.date) {
            return std::nullopt;
        }
        c.day = scheduler::kDateAndTime;
        i += 2;
    } else {
        const auto day = DayIndex(a[i]);
        if (!day) {
            return std::nullopt;
        }
        c.day = *day;
        ++i;
    }
    if (a.size() <= i) {
        return std::nullopt;
    }
    const auto time = ParseClock(a[i]);
    if (!time) {
        return std::nullopt;
    }
    c.time = *time;
    for (++i; i < a.size(); ++i) {
        if (a[i] == "--auto-delete" && !c.autoDelete) {
            c.autoDelete = true;
        } else if (a[i] == "--no-auto-delete" && !c.autoDelete) {
            c.autoDelete = false;
        } else {
            return std::nullopt;
        }
    }
    return c;
}

// The tab filled as a user fills it: the box ticked, the time and date
// picked, then the day chosen (which clears what that day does not use).
void FillTab(app::FrmMain& form, const Choice& c) {
    form.chkAutomaticScanYesOrNo.SetChecked(true);
    form.dtpScheduleTime.SetValue(c.time);
    if (c.date) {
        form.dtpScheduleDate.SetValue(*c.date);
    }
    form.cmbDays.SetListIndex(c.day);
    // The same when the day was chosen already.
    if (c.day == scheduler::kNever) {
        form.dtpScheduleTime.SetNull();
    }
    if (c.day != scheduler::kDateAndTime) {
        form.dtpScheduleDate.SetNull();
    }
    if (c.autoDelete) {
        form.chkAutoDel.SetChecked(*c.autoDelete);
    }
}

void Show(app::FrmMain& form, std::ostream& out) {
    const scheduler::Schedule s = scheduler::ReadSchedule(form.Settings());
    std::string words = scheduler::Describe(s);
    if (!s.on &&
        form.Settings().Get(settings::kOptionAndSettings, settings::keys::kDay, "None") != "None") {
        scheduler::Schedule stored = s;
        stored.on = true;
        words += " (stored: " + scheduler::Describe(stored) + ")";
    }
    out << "schedule\t" << words << '\n';
    out << "auto-delete\t" << (s.autoDelete ? "yes" : "no") << '\n';
    const DateTime now = form.Host().Now();
    const std::optional<DateTime> next = s.on ? form.Scheduler().NextScan(s, now) : std::nullopt;
    if (next) {
        out << "next\t" << scheduler::DescribeDue(*next) << '\n';
    } else {
        out << "next\tnone\n";
    }
    // A scheduled scan that did not run (the computer off or asleep past
    // its due time) is told until a later one starts.
    if (const std::optional<DateTime> missed = form.Scheduler().MissedScan(s, now)) {
        out << "missed\t" << scheduler::DescribeDue(*missed) << '\n';
    }
}

}  // namespace

Result<int> Schedule(const Options& o, std::ostream& out, std::ostream& err) {
    const auto& a = o.args;
    const bool show = a.size() == 2 && a[1] == "show";
    const bool off = a.size() == 2 && a[1] == "off";
    std::optional<Choice> choice;
    if (a.size() >= 3 && a[1] == "set") {
        choice = ParseSet(a);
        if (!choice) {
            return Usage();
        }
    } else if (!show && !off) {
        return Usage();
    }
    app::Application application(o.folders);
    CliHost host(err);
    CliFrontEnd frontEnd(err, application.Info());
    app::FrmMain& form = application.MakeMainForm(host, frontEnd);
    form.LoadSchedule();
    bool stored = true;
    if (choice) {
        FillTab(form, *choice);
        stored = form.Scheduler().CmdProceed_Click();
    } else if (off) {
        form.chkAutomaticScanYesOrNo.SetChecked(false);
        stored = form.Scheduler().CmdProceed_Click();
    }
    if (stored) {
        Show(form, out);
    }
    // The form goes before the host and front-end it works with.
    application.DestroyMainForm();
    if (!stored) {
        // The message has said why.
        return Status::Failure("");
    }
    return kExitClean;
}

}  // namespace quellon::cli
