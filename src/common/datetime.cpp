#include "common/datetime.h"

#include <cstdio>
#include <ctime>

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
    int n = std::snprintf(buf, sizeof buf, "%d/%d/%04d", t.month, t.day, t.year);
    if (t.hour != 0 || t.minute != 0 || t.second != 0) {
        const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        n += std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), " %d:%02d:%02d %s", h12,
                           t.minute, t.second, t.hour < 12 ? "AM" : "PM");
    }
    return std::string(buf, static_cast<size_t>(n));
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
