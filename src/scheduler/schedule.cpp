#include "scheduler/schedule.h"

#include <cstdio>

#include "common/text.h"

namespace quellon::scheduler {
namespace {

using settings::kOptionAndSettings;
namespace keys = settings::keys;

constexpr std::string_view kEntries[kDayEntryCount] = {
    "Monday",   "Tuesday", "Wednesday", "Thursday",    "Friday",
    "Saturday", "Sunday",  "Daily",     "Date & Time", "Never"};
constexpr std::string_view kDayNames[7] = {"MONDAY", "TUESDAY",  "WEDNESDAY", "THURSDAY",
                                           "FRIDAY", "SATURDAY", "SUNDAY"};

bool SameDay(const DateTime& a, const DateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace

std::string_view DayEntry(int index) {
    return index >= 0 && index < kDayEntryCount ? kEntries[index] : std::string_view();
}

std::string_view DayNameFor(int index) {
    return index >= 0 && index < 7 ? kDayNames[index] : kDayNames[0];
}

Schedule ReadSchedule(const settings::SettingsStore& store) {
    Schedule s;
    s.on = store.GetNumber(kOptionAndSettings, keys::kChkAutomaticScanYesOrNo, 0) != 0;
    const std::int64_t day = store.GetNumber(kOptionAndSettings, keys::kDay, kDaily);
    s.day = day >= -1000000 && day <= 1000000 ? static_cast<int>(day) : kDaily;
    s.time = ParseGeneralDate(store.Get(kOptionAndSettings, keys::kTime, "Null"));
    s.date = ParseGeneralDate(store.Get(kOptionAndSettings, keys::kDate, "Null"));
    s.autoDelete = store.Get(settings::kSettings, keys::kChkAutoDel, "0") == "1";
    return s;
}

std::optional<DateTime> DueOn(const Schedule& schedule, const DateTime& day) {
    if (!schedule.time) {
        return std::nullopt;
    }
    if (schedule.day == kDateAndTime) {
        if (!schedule.date || !SameDay(*schedule.date, day)) {
            return std::nullopt;
        }
    } else if (schedule.day != kDaily) {
        if (!text::EqualsNoCase(DayName(DayOfWeek(day)), DayNameFor(schedule.day))) {
            return std::nullopt;
        }
    }
    DateTime due = day;
    due.hour = schedule.time->hour;
    due.minute = schedule.time->minute;
    due.second = schedule.time->second;
    return due;
}

std::optional<DateTime> NextDue(const Schedule& schedule, const DateTime& from) {
    const std::int64_t start = from.ToUnixSeconds();
    if (schedule.day == kDateAndTime) {
        if (!schedule.date) {
            return std::nullopt;
        }
        auto due = DueOn(schedule, *schedule.date);
        return due && due->ToUnixSeconds() >= start ? due : std::nullopt;
    }
    // The others come due within a week of any day.
    for (int days = 0; days <= 7; ++days) {
        const DateTime day = DateTime::FromUnixSeconds(start + std::int64_t{days} * 86400);
        if (auto due = DueOn(schedule, day); due && due->ToUnixSeconds() >= start) {
            return due;
        }
    }
    return std::nullopt;
}

std::string FormatClock(const DateTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string FormatDayMonthYear(const DateTime& t) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.day, t.month, t.year);
    return buf;
}

namespace {

std::string ClockIn(const DateTime& t, Words words) {
    if (words == Words::kCommandLine) {
        return FormatClock(t);
    }
    DateTime time = kZeroDate;
    time.hour = t.hour;
    time.minute = t.minute;
    time.second = t.second;
    return FormatGeneralDate(time);
}

std::string DateIn(const DateTime& t, Words words) {
    return words == Words::kCommandLine ? FormatDayMonthYear(t)
                                        : FormatGeneralDate(DateTime{t.year, t.month, t.day});
}

}  // namespace

std::string DescribeDue(const DateTime& due, Words words) {
    return std::string(DayName(DayOfWeek(due))) + " " + DateIn(due, words) + " " +
           ClockIn(due, words);
}

std::string Describe(const Schedule& s, Words words) {
    if (!s.on) {
        return "off";
    }
    const std::string at = s.time ? " at " + ClockIn(*s.time, words) : " with no time set";
    if (s.day == kDaily) {
        return "daily" + at;
    }
    if (s.day == kDateAndTime) {
        return (s.date ? "on " + DateIn(*s.date, words) : std::string("on no date set")) + at;
    }
    if (s.day >= 0 && s.day < 7) {
        return "every " + std::string(DayEntry(s.day)) + at;
    }
    if (s.day == kNever && !s.time) {
        return "never";
    }
    // "Never" clears the time; with a time stored beside it by hand (or any
    // other day number) the check compares against Monday.
    return "every Monday" + at + " (stored day " + text::ToDecimal(s.day) + ")";
}

}  // namespace quellon::scheduler
