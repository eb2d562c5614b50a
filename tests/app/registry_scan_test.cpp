#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;

constexpr std::string_view kRegistry =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BadCo]\r\n\"a=Some\"=\"1\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
    "\"BadSync\"=\"C:\\\\bad.exe\"\r\n\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{0000}]\r\n@=\"x\"\r\n\r\n"
    "[HKEY_CURRENT_CONFIG\\Software\\Dialer]\r\n\r\n"
    "[HKEY_USERS\\.DEFAULT\\Software\\Pop]\r\n\"Mode\"=dword:00000001\r\n";

class RegistryScanTest : public FormTest {};

TEST_F(RegistryScanTest, KeysAndValuesAcrossHives) {
    machine.WriteRegistry(kRegistry);
    WriteDefinitions({}, {"2^SOFTWARE\\BadCo^=BadCo",
                          "1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^badsync=BadCo",
                          "0^CLSID\\{0000}^=Thing", "2^SOFTWARE\\BadCo^a=Some=Named",
                          "4^Software\\Dialer^=Dialer", "3^.DEFAULT\\Software\\Pop^Mode=Pop",
                          "3^.DEFAULT\\Software\\Pop^Other=Pop", "2^SOFTWARE\\Absent^=Absent",
                          "9^SOFTWARE\\BadCo^=Odd", "no separators at all", "2^SOFTWARE\\BadCo^="});
    Scan(false, false, true);
    auto& f = Form();
    const auto& rows = f.lvwRegistryToBeDeleted;
    ASSERT_EQ(rows.Count(), 7u);
    EXPECT_EQ(rows.Item(0).text, "-2147483646");
    EXPECT_EQ(rows.Item(0).SubItem(1), "SOFTWARE\\BadCo");
    EXPECT_EQ(rows.Item(0).SubItem(2), "");
    EXPECT_EQ(rows.Item(0).SubItem(3), "BadCo");
    EXPECT_EQ(rows.Item(1).text, "-2147483647");
    EXPECT_EQ(rows.Item(1).SubItem(2), "badsync");
    EXPECT_EQ(rows.Item(2).text, "-2147483648");
    // The name follows the last "="; what stands before it belongs to the value name.
    EXPECT_EQ(rows.Item(3).SubItem(2), "a=Some");
    EXPECT_EQ(rows.Item(3).SubItem(3), "Named");
    EXPECT_EQ(rows.Item(4).text, "-2147483643");  // digit 4 is the current-config hive
    EXPECT_EQ(rows.Item(5).text, "-2147483645");
    EXPECT_THAT(Texts(f.lvwSpywareFound),
                ElementsAre("BadCo - Found", "Thing - Found", "Named - Found", "Dialer - Found",
                            "Pop - Found", "RegKey SOFTWARE\\BadCo - Found"));
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(0).SubItem(1),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\BadCo");
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(4).SubItem(1),
              "HKEY_USERS\\.DEFAULT\\Software\\Pop");
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(5).text, "SOFTWARE\\BadCo");
    EXPECT_EQ(f.lvwSpywareFound.Item(0).smallIcon, 2);
    EXPECT_EQ(f.lbltracesFound.Caption(), "7");
    EXPECT_EQ(f.lblRegistryInspected.Caption(), "11");
    EXPECT_EQ(f.lblSoftwareFound.Caption(), "6");
}

// Select All ticks the action rows that ticking each removal row in turn
// ticks, and only those: registry rows by spyware or by key, the files of a
// spyware whose removal row came from the registry, cookies by path.
TEST_F(RegistryScanTest, SelectAllTicksWhatTickingEachRowTicks) {
    machine.WriteRegistry(kRegistry);
    machine.PlantFile("C:\\WINDOWS\\bad.dll", "x");
    machine.PlantFile(CookieFolder() + "user@ads[1].txt", "ads.example/\n");
    WriteDefinitions({"bad.dll=BadCo|[wDir]", "bad.dll=Solo|[wDir]"},
                     {"2^SOFTWARE\\BadCo^=BadCo",
                      "1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^badsync=BadCo",
                      "0^CLSID\\{0000}^=Thing", "2^SOFTWARE\\BadCo^="},
                     {}, {"ads.example"});
    Scan(true, false, true);
    auto& f = Form();
    f.lvwRegistryToBeDeleted.Add("-2147483646", 0, {"SOFTWARE\\Stray", "", "Stray"});
    f.lvwFilesToBeDeleted.Add("C:\\WINDOWS\\stray.dll", 0, {"Stray"});
    f.lvwCookiesToDelete.Add(CookieFolder() + "user@stray[1].txt");
    auto& removal = f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    ASSERT_EQ(removal.Count(), 5u);  // BadCo, Thing, the nameless key, Solo, the cookie
    auto ticks = [&f] {
        std::vector<bool> all;
        for (const ui::ActionList* list :
             {&f.lvwRegistryToBeDeleted, &f.lvwFilesToBeDeleted, &f.lvwCookiesToDelete}) {
            for (size_t i = 0; i < list->Count(); ++i) {
                all.push_back(list->Item(i).checked);
            }
        }
        return all;
    };
    for (size_t i = 0; i < removal.Count(); ++i) {
        removal.SetChecked(i, true);
    }
    const std::vector<bool> oneByOne = ticks();
    for (size_t i = 0; i < removal.Count(); ++i) {
        removal.SetChecked(i, false);
    }
    ASSERT_EQ(ticks(), std::vector<bool>(oneByOne.size(), false));
    f.cmdSelectAll.Click();
    EXPECT_EQ(ticks(), oneByOne);
    // Four registry rows, two files, one cookie; the strays stay as they were.
    EXPECT_EQ(oneByOne,
              (std::vector<bool>{true, true, true, true, false, true, true, false, true, false}));
    for (size_t i = 0; i < removal.Count(); ++i) {
        EXPECT_TRUE(removal.Item(i).checked) << i;
    }
}

TEST_F(RegistryScanTest, UnicodeExportAndBrokenLinesStillLoad) {
    std::string utf16 = "\xff\xfe";
    for (char c : std::string(
             "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wide]\r\n"
             "\"V\"=hex:01,02,\\\r\n  03\r\nthis line is broken\r\n\"W\"=\"w\"\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    machine.WriteRegistry(utf16);
    WriteDefinitions({}, {"2^SOFTWARE\\Wide^V=Wide", "2^software\\wide^w=Wide2"});
    Scan(false, false, true);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), ElementsAre("Wide - Found", "Wide2 - Found"));
}

}  // namespace
}  // namespace quellon::testing
