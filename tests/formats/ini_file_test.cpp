// INI text as machine.ini and the settings store read and write it.
#include "formats/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace quellon::formats::ini {
namespace {

TEST(IniFile, EntriesKeepFileOrderAndTheFirstOfTwoSpellingsWins) {
    const auto entries = Parse(
        "top = before any section\r\n"
        "; a comment = not an entry\n"
        "# another\r"
        "[ Drives ]\n"
        "  C = hd  \n"
        "no equals sign\n"
        "[broken\n"
        "D=cdrom\n"
        "c=second\n"
        "E==double\n"
        "[]\n"
        "F=\n");
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].section, "");
    EXPECT_EQ(entries[0].value, "before any section");
    // "[broken" names no section: its lines stay in the one before.
    EXPECT_EQ(entries[2].section, "Drives");
    ASSERT_NE(Find(entries, "drives", "c"), nullptr);
    EXPECT_EQ(Find(entries, "drives", "c")->value, "hd");
    EXPECT_EQ(Find(entries, "DRIVES", "E")->value, "=double");
    // "[]" names the section "", as the lines before the first section.
    EXPECT_EQ(Find(entries, "Drives", "F"), nullptr);
    ASSERT_NE(Find(entries, "", "F"), nullptr);
    EXPECT_EQ(Find(entries, "", "F")->value, "");
    EXPECT_EQ(Find(entries, "", "top")->key, "top");
}

TEST(IniFile, EveryNameAndValueSurvivesTheSettingsFile) {
    const std::string odd = std::string(" %=;#[]\r\n\t\x01 caf\xe9 ") + '\0' + "end ";
    const std::vector<Section> sections = {
        {"Options and Settings", {{"HomePage", "http://a.example/?q=1;x"}, {odd, odd}}},
        {odd, {{"", ""}, {"k", "  padded  "}}},
    };
    const std::string written = WriteSections(sections);
    // Line breaks and "=" inside names and values are escaped: each entry
    // stays one line with one separator.
    size_t entryLines = 0;
    for (size_t start = 0, end; start < written.size(); start = end + 1) {
        end = written.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string_view line(written.data() + start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos);
        if (!line.empty() && line.front() != '[') {
            EXPECT_EQ(std::count(line.begin(), line.end(), '='), 1) << line;
            ++entryLines;
        }
    }
    EXPECT_EQ(entryLines, 4u);
    const auto again = ReadSections(written);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].name, sections[0].name);
    EXPECT_EQ(again[0].entries, sections[0].entries);
    EXPECT_EQ(again[1].name, odd);
    EXPECT_EQ(again[1].entries, sections[1].entries);
}

TEST(IniFile, ASectionSeenAgainAddsOnlyNewKeysAndTheFirstValueHolds) {
    const auto sections = ReadSections("[A]\r\nk=1\r\nK=2\r\n[b]\r\nx=y\r\n[a]\r\nk=3\r\nn=4\r\n");
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].name, "A");
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(sections[0].entries, (Entries{{"k", "1"}, {"n", "4"}}));
    EXPECT_EQ(sections[1].name, "b");
}

TEST(IniFile, EscapesAreUndoneAndBrokenOnesKept) {
    EXPECT_EQ(Unescape("%41%3d%zz%4"), "A=%zz%4");
    EXPECT_EQ(Unescape(Escape("50% off = [x]")), "50% off = [x]");
    EXPECT_EQ(Escape("plain caf\xe9"), "plain caf\xe9");
}

}  // namespace
}  // namespace quellon::formats::ini
