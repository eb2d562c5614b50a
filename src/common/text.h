// Byte-string text helpers with the program's own semantics. All text is
// 8-bit ANSI (Windows-1252); nothing here depends on the C locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::text {

inline constexpr std::string_view kCrLf = "\r\n";

// Upper/lower-casing of one ANSI character (Windows-1252 letters included).
char UpperChar(char c);
char LowerChar(char c);
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);
// Upper(s) into `out`, whose room is kept from call to call.
void UpperInto(std::string_view s, std::string& out);

// Removes leading and trailing blanks (spaces only, as the program's trim
// does). Inline: the scan phases trim a few pieces of every definition line.
inline std::string_view TrimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') {
        ++b;
    }
    while (e > b && s[e - 1] == ' ') {
        --e;
    }
    return s.substr(b, e - b);
}
std::string Trim(std::string_view s);
// Removes leading and trailing blanks and tabs (for reading INI-style files).
std::string_view TrimBlanksAndTabs(std::string_view s);
// The value of one hexadecimal digit, or -1. Inline: the file readers call
// it once a byte.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);
// Position of the first occurrence ignoring case, or npos.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);

// One left-to-right pass replacing every non-overlapping occurrence.
std::string Replace(std::string_view s, std::string_view find, std::string_view with);

// One field of a tab-separated output line: every control byte (0x00 to
// 0x1F and 0x7F: CR, LF, tab, escape ...) written as "\x" and two upper-case
// hexadecimal digits, so that a line is always one record whatever the text
// holds. Every other byte, the backslash of a Windows path included, is
// kept as it is.
std::string EscapeControls(std::string_view s);
// Replaces the first occurrence again and again for as long as `find` occurs.
std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view with);
// Case-insensitive single pass replacement.
std::string ReplaceNoCase(std::string_view s, std::string_view find, std::string_view with);

// Splits at every occurrence of `sep`; an empty input gives one empty piece.
std::vector<std::string> Split(std::string_view s, std::string_view sep);

// Text after the last backslash (the whole text when there is none):
// winpath::BareName, under the name the scanners know.
std::string_view FileNameOfPath(std::string_view path);

// Decimal text of a signed value.
std::string ToDecimal(std::int64_t v);
// Digit grouping with commas and no decimals ("12,345").
std::string GroupDigits(std::int64_t v);

}  // namespace quellon::text
