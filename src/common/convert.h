// Conversions of stored setting text to numbers and booleans.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quellon::convert {

// The leading number of a text ("12abc" -> 12, " 7" -> 7); nullopt when the
// text does not start with a number after blanks.
std::optional<double> LeadingNumber(std::string_view s);

// A stored number: the text read as a whole number (halves to even), or the
// fallback when the text holds none.
std::int64_t ToNumber(std::string_view s, std::int64_t fallback);

// A stored boolean: "True"/"False" in any case, or a number (non-zero is
// true); anything else gives the fallback.
bool ToBool(std::string_view s, bool fallback);

// Whole-number rounding, halves to even (2.5 -> 2, 3.5 -> 4).
std::int64_t RoundHalfEven(double v);

// Percentage part/whole x 100, rounded halves to even; nullopt when whole is 0.
std::optional<std::int32_t> Percent(double part, double whole);

}  // namespace quellon::convert
