// Calendar date and time as the program shows it.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace quellon {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    auto operator<=>(const DateTime&) const = default;

    // Seconds since 1970-01-01 00:00:00 and back (no time zone).
    std::int64_t ToUnixSeconds() const;
    static DateTime FromUnixSeconds(std::int64_t s);
};

// The local date and time now, to the second.
DateTime LocalNow();

// The "general date" text: US short date and long time, "12/7/2026 10:35:12 AM";
// at exactly midnight only the date.
std::string FormatGeneralDate(const DateTime& t);

}  // namespace quellon
