// Calendar date and time as the program shows it.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quellon {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    auto operator<=>(const DateTime&) const = default;

    // Seconds since 1970-01-01 00:00:00 and back (no time zone).
    std::int64_t ToUnixSeconds() const;
    static DateTime FromUnixSeconds(std::int64_t s);
};

// The zero date, 12/30/1899: a value on it is a time of day only.
inline constexpr DateTime kZeroDate{};

// The local date and time now, to the second.
DateTime LocalNow();

// The "general date" text: US short date and long time, "12/7/2026 10:35:12 AM";
// at exactly midnight only the date; on the zero date only the time
// ("1:00:00 PM", "12:00:00 AM").
std::string FormatGeneralDate(const DateTime& t);

// The general date text read back: "12/7/2026 10:35:12 AM", "12/7/2026",
// "1:00:00 PM" (a time alone lies on the zero date), also a 24-hour time
// ("13:00:00") and a time without seconds. Blanks around the parts are
// allowed, case is ignored. nullopt when the text is no valid date or time.
std::optional<DateTime> ParseGeneralDate(std::string_view text);

// The day of the week: 0 Sunday, 1 Monday ... 6 Saturday.
int DayOfWeek(const DateTime& t);
// The day's full English name, "Monday" ... "Sunday".
std::string_view DayName(int dayOfWeek);

}  // namespace quellon
