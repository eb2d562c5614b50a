#include "common/convert.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/text.h"

namespace quellon::convert {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a number at the start of `s` (after blanks): sign, digits, decimal
// point and an exponent. Returns the value and sets `used` to the bytes read.
std::optional<double> ParseNumber(std::string_view s, size_t& used) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const size_t digitsStart = i;
    double value = 0;
    bool anyDigit = false;
    while (i < s.size() && IsDigit(s[i])) {
        value = value * 10 + (s[i] - '0');
        anyDigit = true;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        size_t j = i + 1;
        double scale = 0.1;
        bool fraction = false;
        while (j < s.size() && IsDigit(s[j])) {
            value += (s[j] - '0') * scale;
            scale /= 10;
            fraction = true;
            ++j;
        }
        if (anyDigit || fraction) {
            anyDigit = true;
            i = j;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            expNegative = s[j] == '-';
            ++j;
        }
        if (j < s.size() && IsDigit(s[j])) {
            int exponent = 0;
            while (j < s.size() && IsDigit(s[j])) {
                if (exponent < 10000)
                    exponent = exponent * 10 + (s[j] - '0');
                ++j;
            }
            value *= std::pow(10.0, expNegative ? -exponent : exponent);
            i = j;
        }
    }
    used = i;
    // The digits again, converted exactly; the running value above is only
    // kept for spans the library will not take (an exponent out of range).
    double exact = 0;
    const auto r = std::from_chars(s.data() + digitsStart, s.data() + i, exact);
    if (r.ec == std::errc() && r.ptr == s.data() + i)
        value = exact;
    return negative ? -value : value;
}

}  // namespace

std::optional<double> LeadingNumber(std::string_view s) {
    size_t used = 0;
    return ParseNumber(s, used);
}

std::int64_t ToNumber(std::string_view s, std::int64_t fallback) {
    const auto v = LeadingNumber(s);
    return v ? RoundHalfEven(*v) : fallback;
}

bool ToBool(std::string_view s, bool fallback) {
    const std::string_view t = text::TrimView(s);
    if (text::EqualsNoCase(t, "True"))
        return true;
    if (text::EqualsNoCase(t, "False"))
        return false;
    size_t used = 0;
    const auto v = ParseNumber(t, used);
    if (!v || used != t.size())
        return fallback;
    return *v != 0;
}

std::int64_t RoundHalfEven(double v) {
    if (std::isnan(v))
        return 0;
    // 2^63 as a double; anything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (v >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (v < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    const double lower = std::floor(v);
    const double diff = v - lower;
    double r = lower;
    if (diff > 0.5) {
        r = lower + 1;
    } else if (diff == 0.5) {
        r = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
    }
    if (r >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(r);
}

std::optional<std::int32_t> Percent(double part, double whole) {
    if (whole == 0)
        return std::nullopt;
    const std::int64_t r = RoundHalfEven(part / whole * 100);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r > kMax ? kMax : r < kMin ? kMin : r);
}

}  // namespace quellon::convert
