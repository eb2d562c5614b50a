#include "common/datetime.h"

#include <cstdio>
#include <ctime>

#include "common/text.h"

namespace quellon {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 in the proleptic Gregorian calendar (eras of 400 years).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Reads up to `maxDigits` digits (at least one) from the front of `s`.
bool TakeNumber(std::string_view& s, size_t maxDigits, int& value) {
    size_t n = 0;
    value = 0;
    while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') {
        value = value * 10 + (s[n] - '0');
        ++n;
    }
    if (n == 0 || (n < s.size() && s[n] >= '0' && s[n] <= '9')) {
        return false;
    }
    s.remove_prefix(n);
    return true;
}

bool TakeChar(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) {
        return false;
    }
    s.remove_prefix(1);
    return true;
}

// "M/D/YYYY": a date the calendar has, in the years 100 to 9999.
bool ParseDate(std::string_view s, DateTime& t) {
    int m = 0, d = 0, y = 0;
    if (!TakeNumber(s, 2, m) || !TakeChar(s, '/') || !TakeNumber(s, 2, d) || !TakeChar(s, '/') ||
        !TakeNumber(s, 4, y) || !s.empty()) {
        return false;
    }
    if (y < 100 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
        return false;
    }
    t.year = y;
    t.month = m;
    t.day = d;
    return true;
}

// "H:MM[:SS]" with "AM"/"PM" (hours 1 to 12) or without (hours 0 to 23).
bool ParseTime(std::string_view s, DateTime& t) {
    int half = 0;  // 0 none, 1 AM, 2 PM
    if (s.size() >= 2) {
        const std::string_view suffix = s.substr(s.size() - 2);
        if (text::EqualsNoCase(suffix, "AM") || text::EqualsNoCase(suffix, "PM")) {
            half = text::EqualsNoCase(suffix, "AM") ? 1 : 2;
            s = text::TrimView(s.substr(0, s.size() - 2));
        }
    }
    int h = 0, m = 0, sec = 0;
    if (!TakeNumber(s, 2, h) || !TakeChar(s, ':') || !TakeNumber(s, 2, m)) {
        return false;
    }
    if (TakeChar(s, ':') && !TakeNumber(s, 2, sec)) {
        return false;
    }
    if (!s.empty() || m > 59 || sec > 59) {
        return false;
    }
    if (half != 0) {
        if (h < 1 || h > 12) {
            return false;
        }
        h = h % 12 + (half == 2 ? 12 : 0);
    } else if (h > 23) {
        return false;
    }
    t.hour = h;
    t.minute = m;
    t.second = sec;
    return true;
}

}  // namespace

std::int64_t DateTime::ToUnixSeconds() const {
    return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

DateTime DateTime::FromUnixSeconds(std::int64_t s) {
    std::int64_t days = s / kSecondsPerDay;
    std::int64_t rest = s % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    DateTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::string FormatGeneralDate(const DateTime& t) {
    char buf[64];
    const bool timeOnly =
        t.year == kZeroDate.year && t.month == kZeroDate.month && t.day == kZeroDate.day;
    int n = timeOnly ? 0 : std::snprintf(buf, sizeof buf, "%d/%d/%04d", t.month, t.day, t.year);
    if (timeOnly || t.hour != 0 || t.minute != 0 || t.second != 0) {
        const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        n += std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "%s%d:%02d:%02d %s",
                           timeOnly ? "" : " ", h12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
    }
    return std::string(buf, static_cast<size_t>(n));
}

std::optional<DateTime> ParseGeneralDate(std::string_view text) {
    std::string_view s = text::TrimView(text);
    DateTime t;  // a time alone lies on the zero date
    const size_t slash = s.find('/');
    const size_t colon = s.find(':');
    if (slash == std::string_view::npos && colon == std::string_view::npos) {
        return std::nullopt;
    }
    if (slash != std::string_view::npos) {
        // The date runs to the first blank; a time may follow.
        const size_t blank = s.find(' ');
        if (!ParseDate(s.substr(0, blank), t)) {
            return std::nullopt;
        }
        if (blank == std::string_view::npos) {
            return t;
        }
        s = text::TrimView(s.substr(blank));
    }
    if (!ParseTime(s, t)) {
        return std::nullopt;
    }
    return t;
}

int DayOfWeek(const DateTime& t) {
    // 1970-01-01 was a Thursday.
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day);
    const std::int64_t d = (days % 7 + 7 + 4) % 7;
    return static_cast<int>(d);
}

std::string_view DayName(int dayOfWeek) {
    static constexpr std::string_view kNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
    return kNames[((dayOfWeek % 7) + 7) % 7];
}

DateTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    // The program runs its clock on one thread only.
    const std::tm* tm = std::localtime(&now);
    DateTime t;
    if (tm == nullptr) {
        return t;
    }
    t.year = tm->tm_year + 1900;
    t.month = tm->tm_mon + 1;
    t.day = tm->tm_mday;
    t.hour = tm->tm_hour;
    t.minute = tm->tm_min;
    t.second = tm->tm_sec;
    return t;
}

}  // namespace quellon
