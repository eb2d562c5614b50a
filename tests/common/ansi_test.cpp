#include "common/ansi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace quellon::ansi {
namespace {

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s.push_back(static_cast<char>(i));
    return s;
}

TEST(Ansi, EveryByteRoundTrips) {
    const std::string all = AllBytes();
    EXPECT_EQ(FromUtf8(ToUtf8(all)), all);
    EXPECT_EQ(FromUtf16Le(ToUtf16Le(all)), all);
}

TEST(Ansi, Windows1252HighRange) {
    EXPECT_EQ(ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(ToUtf8("\x99"), "\xE2\x84\xA2");  // trade mark
    EXPECT_EQ(ToUtf8("\x9F"), "\xC5\xB8");      // Y diaeresis
    EXPECT_EQ(ToUtf8("\x81"), "\xC2\x81");      // unassigned code
    EXPECT_EQ(ToUtf8("\xE9"), "\xC3\xA9");
    EXPECT_EQ(FromUtf8("\xE2\x80\x9C"
                       "q"
                       "\xE2\x80\x9D"),
              "\x93q\x94");
    EXPECT_EQ(ToUtf16Le("\x80"), std::string("\xAC\x20", 2));
}

TEST(Ansi, OutsideTheCodePageBecomesQuestionMark) {
    EXPECT_EQ(FromUtf8("\xE4\xB8\xAD"), "?");                         // CJK
    EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80"), "?");                     // emoji
    EXPECT_EQ(FromUtf8("\xC2\x80"), "?");                             // U+0080 is not the euro byte
    EXPECT_EQ(FromUtf16Le(std::string("\x3D\xD8\x00\xDE", 4)), "?");  // one pair, one '?'
    EXPECT_EQ(FromUtf16Le(std::string("\x00\xD8"
                                      "A\x00",
                                      4)),
              "?A");  // lone high surrogate
}

TEST(Ansi, InvalidUtf8PassesThroughAsBytes) {
    EXPECT_EQ(FromUtf8("caf\xE9"), "caf\xE9");
    EXPECT_EQ(FromUtf8("\xC3"), "\xC3");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), "\xC0\xAF");          // overlong
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), "\xED\xA0\x80");  // encoded surrogate
    EXPECT_EQ(FromUtf16Le(std::string("A\x00"
                                      "B",
                                      3)),
              "A");  // odd last byte
}

// The one-character conversions are what the HTML reader, the registry
// readers and the window use: they must agree with the string conversions.
TEST(Ansi, CharacterConversionsAgreeWithTheStringOnes) {
    static_assert(ToUnicode(0x80) == u'\u20AC' && FromUnicode(U'\u20AC') == '\x80');
    for (int i = 0; i < 256; ++i) {
        const auto b = static_cast<unsigned char>(i);
        const char16_t u = ToUnicode(b);
        EXPECT_EQ(FromUnicode(u), static_cast<char>(b)) << i;
        const std::string utf16{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        EXPECT_EQ(ToUtf16Le(std::string(1, static_cast<char>(b))), utf16) << i;
    }
    EXPECT_EQ(FromUnicode(U'\u4E2D'), '?');
    EXPECT_EQ(FromUnicode(U'\U0001F600'), '?');
    EXPECT_EQ(FromUnicode(0x100), '?');
}

TEST(Ansi, DecodeUtf8TakesOnlyWellFormedSequences) {
    struct Case {
        std::string bytes;
        std::size_t length;
        std::uint32_t cp;
    };
    const Case cases[] = {
        {"A", 1, 'A'},
        {"\xC3\xA9", 2, 0xE9},
        {"\xE2\x82\xAC", 3, 0x20AC},
        {"\xF0\x9F\x98\x80", 4, 0x1F600},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"\xF4\x90\x80\x80", 0, 0},  // above U+10FFFF
        {"\xC0\xAF", 0, 0},          // overlong
        {"\xE0\x80\xAF", 0, 0},      // overlong
        {"\xED\xA0\x80", 0, 0},      // a surrogate
        {"\xE2\x82", 0, 0},          // cut short
        {"\xE2(\xAC", 0, 0},         // broken
        {"\x80", 0, 0},              // a lone continuation byte
        {"\xFF", 0, 0},
    };
    for (const Case& c : cases) {
        std::uint32_t cp = 0;
        EXPECT_EQ(DecodeUtf8(c.bytes, 0, cp), c.length) << c.bytes;
        if (c.length != 0) {
            EXPECT_EQ(cp, c.cp) << c.bytes;
        }
    }
    // A sequence is read where it stands, and not past the end of the text.
    std::uint32_t cp = 0;
    EXPECT_EQ(DecodeUtf8("x\xC3\xA9", 1, cp), 2u);
    EXPECT_EQ(cp, 0xE9u);
    EXPECT_EQ(DecodeUtf8(std::string_view("\xC3\xA9", 1), 0, cp), 0u);
}

}  // namespace
}  // namespace quellon::ansi
