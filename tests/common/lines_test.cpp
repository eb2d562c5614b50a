#include "common/lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quellon::lines {
namespace {

using Lines = std::vector<std::string>;

Lines Drain(LineSplitter& s) {
    Lines out;
    std::string line;
    while (s.Next(line))
        out.push_back(line);
    return out;
}

Lines SplitInChunks(std::string_view text, size_t chunk) {
    LineSplitter s;
    Lines out;
    for (size_t i = 0; i < text.size(); i += chunk) {
        s.Feed(text.substr(i, chunk));
        for (auto& l : Drain(s))
            out.push_back(l);
    }
    s.Finish();
    for (auto& l : Drain(s))
        out.push_back(l);
    return out;
}

TEST(SplitLines, AllLineEnds) {
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\rb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("\n"), Lines{""});
    EXPECT_EQ(SplitLines("a\n\r"), (Lines{"a", ""}));
}

TEST(SplitLines, EachLineEndIsFoundWhereverItFalls) {
    // Line ends are searched sixteen bytes at a time: every length of line,
    // each end at every place before, inside and after a full step.
    for (size_t length = 0; length < 50; ++length) {
        for (const char* end : {"\n", "\r", "\r\n"}) {
            const std::string line(length, 'x');
            for (const std::string& tail : {std::string(), std::string(length, 'y')}) {
                const Lines got = SplitLines(line + end + tail + end + line);
                Lines want{line};
                want.push_back(tail);
                if (!line.empty()) {
                    want.push_back(line);
                }
                ASSERT_EQ(got, want) << "length " << length << ", end " << end[0] + 0;
            }
        }
    }
}

TEST(LineSplitter, SameResultForEveryChunkSize) {
    const std::string text = "first\r\nsecond\rthird\n\nfifth\r\r\nseventh\r\n\r\nlast";
    const Lines whole = SplitLines(text);
    for (size_t chunk = 1; chunk <= text.size(); ++chunk) {
        EXPECT_EQ(SplitInChunks(text, chunk), whole) << "chunk size " << chunk;
    }
}

TEST(LineSplitter, CrAtChunkEndAndLfAtNextStartIsOneLineEnd) {
    LineSplitter s;
    s.Feed("a\r");
    EXPECT_EQ(Drain(s), Lines{"a"});  // the line is complete already
    s.Feed("\nb\r");
    s.Feed("\r");
    s.Finish();
    EXPECT_EQ(Drain(s), (Lines{"b", ""}));
}

TEST(LineSplitter, UnterminatedLastLineOnlyAfterFinish) {
    LineSplitter s;
    s.Feed("abc");
    EXPECT_EQ(Drain(s), Lines{});
    s.Feed("def");
    EXPECT_EQ(Drain(s), Lines{});
    s.Finish();
    EXPECT_EQ(Drain(s), Lines{"abcdef"});
    EXPECT_EQ(Drain(s), Lines{});
}

TEST(LineSplitter, LargeInputInSmallChunks) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "line " + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
    text += std::string(300000, 'x');  // one long unterminated line
    const Lines got = SplitInChunks(text, 7);
    ASSERT_EQ(got.size(), 20001u);
    EXPECT_EQ(got[12345], "line 12345");
    EXPECT_EQ(got.back().size(), 300000u);
}

}  // namespace
}  // namespace quellon::lines
