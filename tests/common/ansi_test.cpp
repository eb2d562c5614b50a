#include "common/ansi.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quellon::ansi
