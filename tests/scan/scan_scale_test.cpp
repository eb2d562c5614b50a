// The quick paths of the large phases against straightforward references:
// the first matching cookie pattern, the search for a found spyware row and
// the word mask.
#include <random>
#include <set>

#include <gtest/gtest.h>
#include "common/pattern.h"
#include "common/text.h"
#include "scan/found_rows.h"
#include "scan/scanners.h"

namespace quellon::testing {
namespace {

std::string RandomPattern(std::mt19937& rng) {
    static const char* const kPieces[] = {"a",   "b",     "c",   ".",     "1",    "7",
                                          "*",   "?",     "#",   "[a-b]", "[!a]", "[]",
                                          "[!]", "[c-a]", "[ab", "]",     "ab.",  "*."};
    std::string p;
    const int n = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
        p += kPieces[rng() % std::size(kPieces)];
    }
    return p;
}

std::string RandomText(std::mt19937& rng) {
    static const char kChars[] = "abc.17]";
    std::string t;
    const int n = static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) {
        t += kChars[rng() % (sizeof kChars - 1)];
    }
    return t;
}

TEST(FirstMatchTest, FindsTheFirstPatternLikeAgrees) {
    std::mt19937 rng(42);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> patterns;
        const int count = static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            patterns.push_back(RandomPattern(rng));
        }
        const std::vector<std::string_view> views(patterns.begin(), patterns.end());
        const pattern::FirstMatch matcher(views);
        for (int t = 0; t < 60; ++t) {
            const std::string text = RandomText(rng);
            size_t expected = pattern::FirstMatch::kNone;
            for (size_t i = 0; i < patterns.size(); ++i) {
                if (pattern::Like(text, patterns[i])) {
                    expected = i;
                    break;
                }
            }
            ASSERT_EQ(matcher.Find(text), expected) << "text \"" << text << "\"";
        }
    }
}

// Patterns with '*' and long literal runs, which are grouped by the runs'
// first four bytes, and texts that hold such runs, partly or whole, once
// or twice; also patterns without '*', grouped by length.
TEST(FirstMatchTest, LongLiteralRunsAndLengthsFindWhatLikeFinds) {
    static const char* const kPieces[] = {"ab.c", "abab", "b.ca", "ca",    "a",    ".",   "*",
                                          "*",    "?",    "#",    "[a-c]", "[!b]", "c.ab"};
    static const char kChars[] = "abc.1";
    std::mt19937 rng(7);
    size_t found = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> patterns;
        const int count = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i) {
            std::string p;
            const int n = 1 + static_cast<int>(rng() % 5);
            for (int k = 0; k < n; ++k) {
                p += kPieces[rng() % std::size(kPieces)];
            }
            patterns.push_back(p);
        }
        const std::vector<std::string_view> views(patterns.begin(), patterns.end());
        const pattern::FirstMatch matcher(views);
        for (int t = 0; t < 80; ++t) {
            std::string text;
            const int n = static_cast<int>(rng() % 16);
            for (int k = 0; k < n; ++k) {
                text += rng() % 3 == 0 ? std::string(kPieces[rng() % 5])
                                       : std::string(1, kChars[rng() % (sizeof kChars - 1)]);
            }
            size_t expected = pattern::FirstMatch::kNone;
            for (size_t i = 0; i < patterns.size(); ++i) {
                if (pattern::Like(text, patterns[i])) {
                    expected = i;
                    break;
                }
            }
            found += expected != pattern::FirstMatch::kNone;
            ASSERT_EQ(matcher.Find(text), expected) << "text \"" << text << "\"";
        }
    }
    // The texts met their patterns often enough to tell.
    EXPECT_GT(found, 2000u);
}

TEST(FoundRowsTest, AnswersAsAPrefixSearchOverTheRows) {
    std::mt19937 rng(3);
    const std::vector<std::string> stems = {"Foo", "foo",      "FOOBAR", "Bar",
                                            "ba",  "RegKey x", "",       "Foo - Found"};
    ui::ListView list;
    scan::FoundRows rows(list);
    for (int step = 0; step < 3000; ++step) {
        const std::string& stem = stems[rng() % stems.size()];
        if (rng() % 3 == 0) {
            list.Add(stem + (rng() % 2 ? " - Found" : " - found extra"));
        }
        if (rng() % 40 == 0) {
            list.Clear();
        }
        // Mostly a name and " - Found", as the scanners ask; now and then a
        // prefix that ends elsewhere, which takes the sorted search.
        static const char* const kEnds[] = {
            " - Found", " - Found", " - FOUND", " - found ex", " - Fou", "", " - Found - Found"};
        const std::string prefix = stems[rng() % stems.size()] + kEnds[rng() % std::size(kEnds)];
        ASSERT_EQ(rows.HasPrefix(prefix), list.FindPrefix(prefix).has_value())
            << "step " << step << " prefix " << prefix;
    }
}

TEST(FoundRowsTest, APrefixEndingElsewhereSeesTheRowsAddedBeforeIt) {
    ui::ListView list;
    scan::FoundRows rows(list);
    list.Add("Foo - Found");
    EXPECT_FALSE(rows.HasPrefix("Bar - Found"));
    EXPECT_TRUE(rows.HasPrefix("fOO"));  // the first search of the sorted rows
    list.Add("Bar - found extra");
    EXPECT_TRUE(rows.HasPrefix("bar - FOUND EX"));
    EXPECT_TRUE(rows.HasPrefix("Bar - Found"));
    EXPECT_FALSE(rows.HasPrefix("Baz"));
}

TEST(MaskWordsTest, LongerWordsGoFirstAndCaseIsIgnored) {
    EXPECT_EQ(scan::MaskWords("Detecting: BullShitHead.com"), "Detecting: ****Head.com");
    EXPECT_EQ(scan::MaskWords("a.Shit.SHIT.b"), "a.****.****.b");
    EXPECT_EQ(scan::MaskWords("clean.example"), "clean.example");
    // A word as the whole text, and as its last bytes.
    EXPECT_EQ(scan::MaskWords("piss"), "****");
    EXPECT_EQ(scan::MaskWords("c:\\x\\minge"), "c:\\x\\****");
}

}  // namespace
}  // namespace quellon::testing
