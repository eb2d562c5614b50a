// The scanners' helpers: cookie keys, hive digits and the status line's word mask.
#include <gtest/gtest.h>

#include "scan/scan_context.h"
#include "scan/scanners.h"

namespace quellon::testing {
namespace {

TEST(CookieKeyTest, KeysAndDomains) {
    EXPECT_EQ(scan::GetCookieKey("C:\\C\\user@site[1].txt"), "site");
    EXPECT_EQ(scan::GetCookieKey("C:\\C\\user@site(2)[1].txt"), "site");
    EXPECT_EQ(scan::GetCookieKey("C:\\C\\site[1].txt"), "C:\\C\\site");
    EXPECT_EQ(scan::GetCookieKey("C:\\C\\site.txt"), "C:\\C\\site");
    EXPECT_EQ(scan::GetCookieKey(""), "");
}

TEST(CookieKeyTest, DomainsEndAtTheFirstSlashOfTheFirstFieldWithTheKey) {
    EXPECT_EQ(scan::CookieDomainFromBytes("site", "id\n1\nwww.site.com/path\n"), "site.com");
    // Fields end at commas and at every kind of line end.
    EXPECT_EQ(scan::CookieDomainFromBytes("site", "a,site\r\nb, x.site.org/ ,c"), "site.org");
    EXPECT_EQ(scan::CookieDomainFromBytes("site", "site\rsite.net/"), "site.net");
    // A stray quote in a value neither swallows the line ends after it nor
    // hides the domain; a quoted field keeps its quotes.
    EXPECT_EQ(scan::CookieDomainFromBytes("ads", "id\n\"12345\nads.example/\n*\n"), "ads.example");
    EXPECT_EQ(scan::CookieDomainFromBytes("ads", "\"ads.example/\""), "ads.example");
    // No field with both the key and a slash after it, or no key at all.
    EXPECT_EQ(scan::CookieDomainFromBytes("site", "site\nno slash\n"), "False");
    EXPECT_EQ(scan::CookieDomainFromBytes("", "x/"), "False");
    EXPECT_EQ(scan::CookieDomainFromBytes("site", ""), "False");
}

TEST(HiveTest, HiveDigits) {
    std::string name = "unchanged";
    EXPECT_EQ(scan::HiveFromDigit("4", name), 0x80000005u);
    EXPECT_EQ(name, "HKEY_CURRENT_CONFIG");
    EXPECT_EQ(scan::HiveFromDigit("5", name), 0x80000006u);
    EXPECT_EQ(name, "HKEY_DYN_DATA");
    EXPECT_EQ(scan::HiveFromDigit("7", name), 0u);
    EXPECT_EQ(name, "HKEY_DYN_DATA");
}

TEST(MaskWordsTest, StatusLineMasksOffensiveWords) {
    EXPECT_EQ(scan::MaskWords("Scanning: SHITTY.dll"), "Scanning: ****TY.dll");
    EXPECT_EQ(scan::MaskWords("a Bastard and a bitch"), "a **** and a ****");
    EXPECT_EQ(scan::MaskWords("shell32.dll debugger.exe"), "shell32.dll debugger.exe");
}

// The process scan asks its list about every running program on every
// tick: the remembered answers must be the first-occurrence match's, and
// follow the list when it is read anew.
TEST(LabelCountTest, CountsAddToWhatTheLabelShows) {
    ui::Label label{"999999999999999"};
    scan::IncrementLabel(label);
    EXPECT_EQ(label.Caption(), "1000000000000000");
    label.SetCaption("007");  // not a plain count: read as a number
    scan::AddToLabel(label, 3);
    EXPECT_EQ(label.Caption(), "10");
    label.SetCaption("Not Selected");
    scan::AddToLabel(label, 0);
    EXPECT_EQ(label.Caption(), "Not Selected");  // nothing to add, nothing changed
    scan::AddToLabel(label, 2);
    EXPECT_EQ(label.Caption(), "2");
    label.SetCaption("9223372036854775806");
    scan::AddToLabel(label, 5);
    EXPECT_EQ(label.Caption(), "9223372036854775807");  // held at the largest number
}

TEST(LabelCountTest, ATallyShowsItsHitsInOneChangeAndWhenItEnds) {
    ui::Label label{"4"};
    int changes = 0;
    label.Observe([&] { ++changes; });
    {
        scan::LabelTally tally(label);
        tally.Add();
        tally.Add();
        EXPECT_EQ(label.Caption(), "4");
        tally.Show();
        EXPECT_EQ(label.Caption(), "6");
        EXPECT_EQ(changes, 1);
        tally.Show();  // nothing new
        EXPECT_EQ(changes, 1);
        tally.Add();
    }
    EXPECT_EQ(label.Caption(), "7");
    EXPECT_EQ(changes, 2);
}

TEST(ExeDefinitionListTest, RememberedAnswersAreTheFirstOccurrenceMatchs) {
    scan::ExeDefinitionList list;
    list.upper = "ADWARE.EXE\r\nXPOPPER.EXE  \r\nTOOL.EXE.BAK\r\nTOOL.EXE\r\n";
    for (int ask = 0; ask < 2; ++ask) {
        EXPECT_TRUE(list.Lists("ADWARE.EXE"));
        // The first occurrence counts, from where it starts to its line end.
        EXPECT_TRUE(list.Lists("POPPER.EXE"));
        EXPECT_FALSE(list.Lists("TOOL.EXE"));
        EXPECT_FALSE(list.Lists("ADWARE"));
        EXPECT_FALSE(list.Lists("OTHER.EXE"));
    }
    // A list read anew forgets what the old one answered.
    list.upper = "OTHER.EXE\r\n";
    list.Forget();
    EXPECT_TRUE(list.Lists("OTHER.EXE"));
    EXPECT_FALSE(list.Lists("ADWARE.EXE"));
    // Past its bound it starts over and still answers right.
    for (int i = 0; i < 5000; ++i) {
        EXPECT_FALSE(list.Lists("P" + std::to_string(i) + ".EXE"));
    }
    EXPECT_TRUE(list.Lists("OTHER.EXE"));
}

}  // namespace
}  // namespace quellon::testing
