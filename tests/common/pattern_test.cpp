#include "common/pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quellon::pattern {
namespace {

TEST(PatternLike, LiteralsAreCaseSensitive) {
    EXPECT_TRUE(Like("abc", "abc"));
    EXPECT_FALSE(Like("abc", "ABC"));
    EXPECT_FALSE(Like("abc", "ab"));
    EXPECT_FALSE(Like("ab", "abc"));
    EXPECT_TRUE(Like("", ""));
    EXPECT_TRUE(Like("a]b", "a]b"));
    EXPECT_TRUE(Like("a!b", "a!b"));
}

TEST(PatternLike, Star) {
    EXPECT_TRUE(Like("", "*"));
    EXPECT_TRUE(Like("anything", "*"));
    EXPECT_TRUE(Like("ads.example.com", "*.example.com"));
    EXPECT_FALSE(Like("example.com", "*.example.com"));
    EXPECT_TRUE(Like("abc", "a*c"));
    EXPECT_TRUE(Like("ac", "a*c"));
    EXPECT_TRUE(Like("abcbc", "a*bc"));
    EXPECT_FALSE(Like("abcbd", "a*bc"));
    EXPECT_TRUE(Like("abc", "***a**c**"));
    EXPECT_TRUE(Like("mississippi", "*sip*"));
    EXPECT_FALSE(Like("mississippi", "*sipx*"));
}

TEST(PatternLike, QuestionAndDigit) {
    EXPECT_TRUE(Like("abc", "a?c"));
    EXPECT_FALSE(Like("ac", "a?c"));
    EXPECT_TRUE(Like("ad7", "ad#"));
    EXPECT_FALSE(Like("adx", "ad#"));
    EXPECT_TRUE(Like("ad12.net", "ad##.*"));
    EXPECT_TRUE(Like("x1y2", "*#*#"));
    EXPECT_FALSE(Like("x1y", "*#*#"));
}

TEST(PatternLike, Brackets) {
    EXPECT_TRUE(Like("b", "[abc]"));
    EXPECT_FALSE(Like("d", "[abc]"));
    EXPECT_TRUE(Like("d", "[!abc]"));
    EXPECT_FALSE(Like("a", "[!abc]"));
    EXPECT_TRUE(Like("m", "[a-z]"));
    EXPECT_FALSE(Like("M", "[a-z]"));
    EXPECT_TRUE(Like("M", "[a-zA-Z]"));
    EXPECT_TRUE(Like("-", "[-a]"));
    EXPECT_TRUE(Like("-", "[a-]"));
    EXPECT_FALSE(Like("b", "[-a]"));
    EXPECT_TRUE(Like("*", "[*]"));
    EXPECT_FALSE(Like("x", "[*]"));
    EXPECT_TRUE(Like("[", "[[]"));
    EXPECT_TRUE(Like("a?", "a[?]"));
    EXPECT_FALSE(Like("ab", "a[?]"));
    EXPECT_TRUE(Like("x5z", "x[0-9]z"));
    EXPECT_TRUE(Like("\xE9", "[\xE0-\xEF]"));  // ranges compare byte values
    EXPECT_TRUE(Like("ab", "a[]b"));           // an empty list matches no character
}

TEST(PatternLike, InvalidPatternsMatchNothing) {
    EXPECT_FALSE(Like("a", "[a"));
    EXPECT_FALSE(Like("[a", "[a"));
    EXPECT_FALSE(Like("abc", "*[abc"));
    EXPECT_FALSE(Like("m", "[z-a]"));
}

TEST(PatternLike, ManyStarsStayFast) {
    const std::string text(5000, 'a');
    std::string pat;
    for (int i = 0; i < 200; ++i)
        pat += "*a";
    pat += "*b";
    EXPECT_FALSE(Like(text, pat));
    EXPECT_TRUE(Like(text + "b", pat));
}

// Plain recursive matcher over a restricted alphabet, to compare against.
bool Reference(std::string_view t, std::string_view p) {
    if (p.empty())
        return t.empty();
    if (p[0] == '*')
        return Reference(t, p.substr(1)) || (!t.empty() && Reference(t.substr(1), p));
    if (t.empty())
        return false;
    bool one = false;
    size_t len = 1;
    if (p[0] == '?') {
        one = true;
    } else if (p[0] == '#') {
        one = t[0] >= '0' && t[0] <= '9';
    } else if (p.substr(0, 4) == "[ab]") {
        one = t[0] == 'a' || t[0] == 'b';
        len = 4;
    } else {
        one = p[0] == t[0];
    }
    return one && Reference(t.substr(1), p.substr(len));
}

TEST(PatternLike, AgreesWithPlainRecursion) {
    std::mt19937 rng(7);
    const std::string_view pieces[] = {"a", "b", "1", "*", "?", "#", "[ab]"};
    for (int round = 0; round < 20000; ++round) {
        std::string text, pat;
        for (int i = static_cast<int>(rng() % 7); i > 0; --i)
            text += "ab1"[rng() % 3];
        for (int i = static_cast<int>(rng() % 6); i > 0; --i)
            pat += pieces[rng() % 7];
        ASSERT_EQ(Like(text, pat), Reference(text, pat)) << text << " / " << pat;
    }
}

}  // namespace
}  // namespace quellon::pattern
