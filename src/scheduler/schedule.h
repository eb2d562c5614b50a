// The stored schedule and when it is due: the entries of the day list, the
// day names the weekday comparison uses, and the due second of a day.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/datetime.h"
#include "settings/settings_store.h"

namespace quellon::scheduler {

// Indexes of the day list's entries: 0 "Monday" ... 6 "Sunday", then these.
inline constexpr int kDaily = 7;
inline constexpr int kDateAndTime = 8;
inline constexpr int kNever = 9;
inline constexpr int kDayEntryCount = 10;
// The entry's text in the day list; "" past the end.
std::string_view DayEntry(int index);

// The name the weekday comparison uses for an index: "MONDAY" ... "SUNDAY"
// for 0 to 6; every other index (Daily, Date & Time, Never ...) gives "MONDAY".
std::string_view DayNameFor(int index);

// The schedule as the settings store holds it.
struct Schedule {
    // "chkAutomaticScanYesOrNo" read as a number is not 0.
    bool on = false;
    // "Day" as a number (7 when absent or no number).
    int day = kDaily;
    // "Time" and "Date"; nullopt for "Null" and for a text that does not
    // convert to a date-time value (such a schedule never comes due).
    std::optional<DateTime> time, date;
    // "chkAutoDel" (section Settings) is "1".
    bool autoDelete = false;
};

Schedule ReadSchedule(const settings::SettingsStore& store);

// The due second of the schedule on the day of `day` (its time of day is
// ignored): the stored time on that day when the day is one the schedule
// names (Daily: every day; Date & Time: the stored date; a weekday: that
// day of the week, by its English name without regard to case); nullopt
// otherwise, and when the time (or, for Date & Time, the date) is missing.
// Whether scheduled scans are on is not looked at.
std::optional<DateTime> DueOn(const Schedule& schedule, const DateTime& day);

// The first due second at or after `from`; nullopt when none is to come.
std::optional<DateTime> NextDue(const Schedule& schedule, const DateTime& from);

// "13:05:09" and "16/01/2026", as the schedule compares and the command line
// writes them.
std::string FormatClock(const DateTime& t);
std::string FormatDayMonthYear(const DateTime& t);

// How times and dates are written: as the command line takes them
// ("13:00:00", "16/01/2026"), or as the window shows dates everywhere, in
// the general date format ("1:00:00 PM", "1/16/2026").
enum class Words { kCommandLine, kWindow };

// The schedule in words: "every Friday at 13:00:00", "daily at 13:00:00",
// "on 16/01/2026 at 13:00:00", "never"; "off" while scheduled scans are off;
// a missing or unreadable time or date is named as such.
std::string Describe(const Schedule& schedule, Words words = Words::kCommandLine);
// A due second in words: "Friday 16/01/2026 13:00:00" or
// "Friday 1/16/2026 1:00:00 PM".
std::string DescribeDue(const DateTime& due, Words words = Words::kCommandLine);

}  // namespace quellon::scheduler
