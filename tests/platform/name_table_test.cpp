// The case-blind table of a folder's names: which on-disk spelling a
// Windows name finds.
#include "platform/posix/name_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quellon::posix {
namespace {

// The spelling found for an ANSI name whose on-disk form is `exact`, or "-".
std::string Found(const NameTable& t, std::string_view ansiName, const std::string& exact,
                  unsigned char* type = nullptr) {
    std::string key;
    const std::optional<std::string_view> name = t.Find(ansiName, exact, key, type);
    return name ? std::string(*name) : "-";
}

TEST(NameTableTest, ExactSpellingWinsElseTheFirstInByteOrder) {
    // Every order of adding gives the same answers.
    std::vector<std::string> names = {"README", "ReadMe", "readme"};
    std::sort(names.begin(), names.end());
    do {
        NameTable t;
        for (const std::string& n : names) {
            t.Add(n, 0);
        }
        EXPECT_EQ(t.Count(), 3u);
        EXPECT_EQ(Found(t, "ReadMe", "ReadMe"), "ReadMe");
        EXPECT_EQ(Found(t, "readme", "readme"), "readme");
        // "README" < "ReadMe" < "readme".
        EXPECT_EQ(Found(t, "rEADME", "rEADME"), "README");
        EXPECT_EQ(Found(t, "readme.txt", "readme.txt"), "-");
        EXPECT_EQ(Found(t, "readm", "readm"), "-");
    } while (std::next_permutation(names.begin(), names.end()));
}

TEST(NameTableTest, TypesBelongToTheSpellingFound) {
    NameTable t;
    t.Add("data", 4);  // a folder
    t.Add("DATA", 8);  // a file
    unsigned char type = 0;
    EXPECT_EQ(Found(t, "data", "data", &type), "data");
    EXPECT_EQ(type, 4);
    EXPECT_EQ(Found(t, "DATA", "DATA", &type), "DATA");
    EXPECT_EQ(type, 8);
    EXPECT_EQ(Found(t, "Data", "Data", &type), "DATA");
    EXPECT_EQ(type, 8);
}

TEST(NameTableTest, AnsiNamesFindUtf8Spellings) {
    NameTable t;
    t.Add("caf\xC3\xA9", 4);            // "café" on disk
    t.Add("\xC3\x89T\xC3\x89.txt", 8);  // "ÉTÉ.txt"
    // The Windows names in Windows-1252, each with its UTF-8 form.
    EXPECT_EQ(Found(t, "CAF\xC9", "CAF\xC3\x89"), "caf\xC3\xA9");
    EXPECT_EQ(Found(t, "\xE9t\xE9.TXT", "\xC3\xA9t\xC3\xA9.TXT"), "\xC3\x89T\xC3\x89.txt");
    EXPECT_EQ(Found(t, "CAFE", "CAFE"), "-");
    // A name that is no valid UTF-8 is taken byte for byte.
    t.Add("odd\xE9", 8);
    EXPECT_EQ(Found(t, "ODD\xC9", "ODD\xC3\x89"), "odd\xE9");
}

TEST(NameTableTest, PlainKeysFindWhatFindFinds) {
    NameTable t;
    t.Add("Setup.EXE", 8);
    std::string key;
    ASSERT_TRUE(NameTable::PlainKey("setup.exe", key));
    EXPECT_EQ(key, "SETUP.EXE");
    const size_t hash = NameTable::Hash(key);
    t.Prefetch(hash);
    const std::optional<std::string_view> name = t.FindKey(key, hash, "setup.exe", nullptr);
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, "Setup.EXE");
    EXPECT_FALSE(NameTable::PlainKey("caf\xE9", key));
}

TEST(NameTableTest, EmptyAndGrownTables) {
    NameTable empty;
    EXPECT_EQ(Found(empty, "a", "a"), "-");
    empty.Prefetch(NameTable::Hash("A"));  // no slots yet: nothing to load
    EXPECT_EQ(empty.Count(), 0u);

    // Many names, each also in a second spelling: every one is found, none
    // that was not added is.
    NameTable t;
    constexpr int kNames = 5000;
    for (int i = 0; i < kNames; ++i) {
        t.Add("file" + std::to_string(i) + ".dll", 8);
        if (i % 7 == 0) {
            t.Add("FILE" + std::to_string(i) + ".dll", 8);
        }
    }
    EXPECT_EQ(t.Count(), static_cast<size_t>(kNames + (kNames + 6) / 7));
    for (int i = 0; i < kNames; ++i) {
        const std::string asked = "File" + std::to_string(i) + ".DLL";
        const std::string expected = (i % 7 == 0 ? "FILE" : "file") + std::to_string(i) + ".dll";
        EXPECT_EQ(Found(t, asked, asked), expected);
        const std::string missing = "file" + std::to_string(i + kNames) + ".dll";
        EXPECT_EQ(Found(t, missing, missing), "-");
    }
}

TEST(NameTableTest, EverySpellingOfOneKeyIsFoundAsItself) {
    // The sixteen spellings of "abcd", added in a scrambled order.
    std::vector<std::string> spellings;
    for (int bits = 0; bits < 16; ++bits) {
        std::string s = "abcd";
        for (int i = 0; i < 4; ++i) {
            if (bits & (1 << i)) {
                s[i] = static_cast<char>(s[i] - 'a' + 'A');
            }
        }
        spellings.push_back(s);
    }
    std::vector<std::string> order = spellings;
    std::reverse(order.begin(), order.begin() + 9);
    std::rotate(order.begin(), order.begin() + 5, order.end());
    NameTable t;
    for (size_t i = 0; i < order.size(); ++i) {
        t.Add(order[i], static_cast<unsigned char>(i));
    }
    for (size_t i = 0; i < order.size(); ++i) {
        unsigned char type = 0xFF;
        EXPECT_EQ(Found(t, order[i], order[i], &type), order[i]);
        EXPECT_EQ(type, i);
    }
    // A spelling not on disk finds the first in byte order.
    t = NameTable();
    for (size_t i = 1; i < order.size(); ++i) {
        t.Add(order[i], 0);
    }
    std::vector<std::string> left(order.begin() + 1, order.end());
    EXPECT_EQ(Found(t, order[0], order[0]), *std::min_element(left.begin(), left.end()));
}

}  // namespace
}  // namespace quellon::posix
