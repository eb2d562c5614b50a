// INI text as machine.ini and the settings store read and write it.
#include "formats/ini_file.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(Find(entries, "drives", "c")->value, "hd");
    EXPECT_EQ(Find(entries, "DRIVES", "E")->value, "=double");
    EXPECT_EQ(Find(entries, "Drives", "F")->value, "");
    EXPECT_EQ(Find(entries, "Drives", "G"), nullptr);
    EXPECT_EQ(Find(entries, "", "top")->key, "top");
}

TEST(IniFile, EveryNameAndValueSurvivesTheSettingsFile) {
    const std::string odd = std::string(" %=;#[]\r\n\t\x01 caf\xe9 ") + '\0' + "end ";
    const std::vector<Section> sections = {
        {"Options and Settings", {{"HomePage", "http://a.example/?q=1;x"}, {odd, odd}}},
        {odd, {{"", ""}, {"k", "  padded  "}}},
    };
    const std::string written = WriteSections(sections);
    EXPECT_EQ(written.find('\n', written.find(odd.substr(5, 3))), written.find("\r\n") + 1)
        << "one line per entry";
    const auto again = ReadSections(written);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].name, sections[0].name);
    EXPECT_EQ(again[0].entries, sections[0].entries);
    EXPECT_EQ(again[1].name, odd);
    EXPECT_EQ(again[1].entries, sections[1].entries);
}

TEST(IniFile, TheFirstSectionAndKeyOfAName) {
    const auto sections = ReadSections("[A]\r\nk=1\r\nK=2\r\n[b]\r\nx=y\r\n[a]\r\nk=3\r\nn=4\r\n");
    ASSERT_EQ(sections.size(), 2u);
    ASSERT_EQ(sections[0].entries.size(), 1u);
    EXPECT_EQ(sections[0].entries[0].second, "1");
    EXPECT_EQ(sections[1].name, "b");
}

TEST(IniFile, EscapesAreUndoneAndBrokenOnesKept) {
    EXPECT_EQ(Unescape("%41%3d%zz%4"), "A=%zz%4");
    EXPECT_EQ(Unescape(Escape("50% off = [x]")), "50% off = [x]");
    EXPECT_EQ(Escape("plain caf\xe9"), "plain caf\xe9");
}

}  // namespace
}  // namespace quellon::formats::ini
