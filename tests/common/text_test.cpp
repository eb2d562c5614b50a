#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

namespace quellon::text {
namespace {

TEST(TextCase, AsciiAndWindows1252Letters) {
    EXPECT_EQ(Upper("abc xyz 09"), "ABC XYZ 09");
    EXPECT_EQ(Lower("ABC XYZ 09"), "abc xyz 09");
    EXPECT_EQ(UpperChar('\xE9'), '\xC9');  // e acute
    EXPECT_EQ(LowerChar('\xC9'), '\xE9');
    EXPECT_EQ(UpperChar('\xFF'), '\x9F');  // y diaeresis
    EXPECT_EQ(LowerChar('\x9F'), '\xFF');
    EXPECT_EQ(UpperChar('\x9A'), '\x8A');
    EXPECT_EQ(UpperChar('\x9C'), '\x8C');
    EXPECT_EQ(UpperChar('\x9E'), '\x8E');
    // Division and multiplication signs, sharp s and micro have no other case.
    EXPECT_EQ(UpperChar('\xF7'), '\xF7');
    EXPECT_EQ(LowerChar('\xD7'), '\xD7');
    EXPECT_EQ(UpperChar('\xDF'), '\xDF');
    EXPECT_EQ(UpperChar('\xB5'), '\xB5');
    // Into a buffer that held a longer text before: only the new text stays.
    std::string out = "a longer text than the next";
    UpperInto("ab\xE9\xFF", out);
    EXPECT_EQ(out, "AB\xC9\x9F");
    UpperInto("", out);
    EXPECT_EQ(out, "");
}

TEST(TextCase, UpperThenLowerIsStableForEveryByte) {
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        EXPECT_EQ(UpperChar(LowerChar(UpperChar(c))), UpperChar(c)) << i;
        EXPECT_EQ(LowerChar(UpperChar(LowerChar(c))), LowerChar(c)) << i;
    }
}

TEST(TextTrim, OnlySpaces) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(Trim("    "), "");
    EXPECT_EQ(TrimView(""), "");
}

TEST(TextCompare, NoCase) {
    EXPECT_TRUE(EqualsNoCase("C:\\Windows", "c:\\WINDOWS"));
    EXPECT_TRUE(EqualsNoCase("\xE9t\xE9", "\xC9T\xC9"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
    EXPECT_TRUE(StartsWithNoCase("HKEY_LOCAL_MACHINE\\x", "hkey_local"));
    EXPECT_FALSE(StartsWithNoCase("HK", "hkey"));
    EXPECT_TRUE(EndsWithNoCase("setup.EXE", ".exe"));
    EXPECT_FALSE(EndsWithNoCase("exe", ".exe"));
}

TEST(TextFindNoCase, ShortAndLongTexts) {
    EXPECT_EQ(FindNoCase("Hello World", "WORLD"), 6u);
    EXPECT_EQ(FindNoCase("Hello World", "o", 5), 7u);
    EXPECT_EQ(FindNoCase("abc", ""), 0u);
    EXPECT_EQ(FindNoCase("abc", "", 3), 3u);
    EXPECT_EQ(FindNoCase("abc", "", 4), std::string_view::npos);
    EXPECT_EQ(FindNoCase("abc", "abcd"), std::string_view::npos);

    std::string big(100000, 'x');
    big += "NeEdLe\xE9";
    big += std::string(500, 'y');
    EXPECT_EQ(FindNoCase(big, "needle\xC9"), 100000u);
    EXPECT_EQ(FindNoCase(big, "needle\xC9", 100001), std::string_view::npos);
    EXPECT_EQ(FindNoCase(big, "xxxxy"), std::string_view::npos);
    EXPECT_EQ(FindNoCase(big, "XXXXN"), 99996u);
    // Agrees with a plain search on a text with many near misses.
    std::string pattern;
    for (int i = 0; i < 5000; ++i)
        pattern += (i % 7 == 0) ? "abcab" : "abcaB";
    EXPECT_EQ(FindNoCase(pattern, "CABABCAB"), 2u);
    EXPECT_EQ(FindNoCase(pattern, "ABCABABCAD"), std::string_view::npos);
}

TEST(TextReplace, OnePassVersusRepeatedFirstOccurrence) {
    EXPECT_EQ(Replace("a  b   c", "  ", " "), "a b  c");
    EXPECT_EQ(ReplaceAll("a  b   c", "  ", " "), "a b c");
    EXPECT_EQ(Replace("aaa", "aa", "b"), "ba");
    EXPECT_EQ(Replace("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    // New occurrences formed across the seam are replaced too.
    EXPECT_EQ(ReplaceAll("aabb", "ab", ""), "");
    EXPECT_EQ(ReplaceAll("aabb", "ab", "a"), "aa");
    // A replacement containing the searched text falls back to one pass.
    EXPECT_EQ(ReplaceAll("xax", "a", "aa"), "xaax");
    EXPECT_EQ(ReplaceNoCase("One one ONE", "one", "1"), "1 1 1");
}

TEST(TextSplit, LikeTheClassicSplit) {
    EXPECT_EQ(Split("", ","), std::vector<std::string>{""});
    EXPECT_EQ(Split("a,,b,", ","), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(Split("a||b", "||"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Split("abc", ""), std::vector<std::string>{"abc"});
}

TEST(TextPath, FileNameOfPath) {
    EXPECT_EQ(FileNameOfPath("C:\\Windows\\notepad.exe"), "notepad.exe");
    EXPECT_EQ(FileNameOfPath("notepad.exe"), "notepad.exe");
    EXPECT_EQ(FileNameOfPath("C:\\dir\\"), "");
}

TEST(TextNumbers, DecimalAndGrouping) {
    EXPECT_EQ(ToDecimal(-2147483646), "-2147483646");
    EXPECT_EQ(ToDecimal(0), "0");
    EXPECT_EQ(GroupDigits(0), "0");
    EXPECT_EQ(GroupDigits(999), "999");
    EXPECT_EQ(GroupDigits(12345), "12,345");
    EXPECT_EQ(GroupDigits(1234567), "1,234,567");
    EXPECT_EQ(GroupDigits(-1234), "-1,234");
    EXPECT_EQ(GroupDigits(-123), "-123");
    EXPECT_EQ(GroupDigits(INT64_MIN), "-9,223,372,036,854,775,808");
}

TEST(TextEscape, ControlBytesCannotBreakAnOutputLine) {
    EXPECT_EQ(EscapeControls("C:\\Program Files\\x.exe"), "C:\\Program Files\\x.exe");
    EXPECT_EQ(EscapeControls(std::string("a\r\nb\tc\0d\x1b\x7f", 10)),
              "a\\x0D\\x0Ab\\x09c\\x00d\\x1B\\x7F");
    // Windows-1252 letters and the rest of the printable bytes stay.
    EXPECT_EQ(EscapeControls("Caf\xe9 \x80 ~"), "Caf\xe9 \x80 ~");
    EXPECT_EQ(EscapeControls(""), "");
}

TEST(TextHex, DigitValues) {
    static_assert(HexDigitValue('f') == 15);
    const std::string_view digits = "0123456789abcdef";
    const std::string_view upper = "0123456789ABCDEF";
    int valid = 0;
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        const int v = HexDigitValue(c);
        if (v >= 0) {
            ++valid;
            ASSERT_LT(v, 16) << i;
            EXPECT_TRUE(digits[static_cast<size_t>(v)] == c || upper[static_cast<size_t>(v)] == c)
                << i;
        }
    }
    EXPECT_EQ(valid, 22);  // no byte above 0x7F, no 'g', no blank counts
}

}  // namespace
}  // namespace quellon::text
