#include "scan_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;

// A file body carrying a version block whose company is `company`, laid out
// as the version resource of an executable stores it (UTF-16LE).
std::string WithCompany(std::string_view company) {
    auto wide = [](std::string_view s) {
        std::string w;
        for (char c : s) {
            w += c;
            w += '\0';
        }
        return w;
    };
    std::string body = "MZ fake executable";
    body += wide("StringFileInfo");
    body += std::string(8, '\0');
    body += std::string("\x30\x00\x0c\x00\x01\x00", 6);
    body += wide("CompanyName") + std::string(2, '\0') + std::string(2, '\0');
    body += wide(company) + std::string(2, '\0');
    body += std::string(2, '\0') + wide("FileDescription") + std::string(4, '\0');
    return body;
}

class KnownFilesTest : public ScanTest {};

TEST_F(KnownFilesTest, TokensFoldersAndTheSystemFolderResolveToOnePath) {
    // The folders as the machine names them (C:\WINDOWS on a machine root,
    // C:\windows under Wine).
    auto& shell = machine.Platform().shell;
    const std::string windows = shell.WindowsDirectory();
    const std::string system = shell.SystemDirectory();
    const std::string desktop = shell.SpecialFolder(platform::kCsidlDesktopDirectory).value();
    machine.PlantFile("C:\\WINDOWS\\system32\\abc.dll", "x");
    machine.PlantFile("C:\\WINDOWS\\System32\\plain.dll", "x");
    machine.PlantFile("C:\\Program Files\\Foo Co\\sub\\foo.exe", "x");
    machine.PlantFile(desktop + "\\ad.lnk", "x");
    machine.PlantFile("C:\\Popper\\pop.ini", "x");
    WriteDefinitions({"abc.dll=Foo|[wDir]\\system32", "plain.dll=Plain",
                      "sub\\foo.exe=FooApp|[pfiles]Foo Co", "ad.lnk=Desk|[dDir]",
                      "pop.ini=Pop|[Drive]Popper", "gone.dll=Gone|[wDir]"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwFilesToBeDeleted),
                ElementsAre(windows + "\\system32\\abc.dll", system + "\\plain.dll",
                            "C:\\Program Files\\Foo Co\\sub\\foo.exe", desktop + "\\ad.lnk",
                            "C:\\Popper\\pop.ini"));
    EXPECT_THAT(Texts(f.lvwFileNotFounds), ElementsAre("gone.dll"));
    EXPECT_EQ(f.lvwFileNotFounds.Item(0).SubItem(1), "Gone");
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(0).SubItem(1),
              windows + "\\system32\\abc.dll");
    EXPECT_EQ(f.lblFilesFolderInspected.Caption(), "6");
    EXPECT_EQ(f.lblSoftwareFound.Caption(), "5");
    EXPECT_EQ(f.lblStatus.Caption(), "Scanning complete.");
}

TEST_F(KnownFilesTest, OneSpywareThroughTwoFilesIsListedOnceAndCountedOnce) {
    machine.PlantFile("C:\\WINDOWS\\a.dll", "x");
    machine.PlantFile("C:\\WINDOWS\\b.dll", "x");
    WriteDefinitions({"a.dll=Foo|[wDir]", "b.dll=Foo|[wDir]"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_EQ(f.lvwFilesToBeDeleted.Count(), 2u);
    EXPECT_EQ(f.lbltracesFound.Caption(), "2");
    EXPECT_THAT(Texts(f.lvwSpywareFound), ElementsAre("Foo - Found"));
    EXPECT_THAT(Texts(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved), ElementsAre("Foo"));
    EXPECT_EQ(f.Session().counters.SpywareFound, 1);
    EXPECT_EQ(f.lvwSpywareFound.Item(0).smallIcon, 3);
}

TEST_F(KnownFilesTest, MicrosoftFilesExcludedNamesAndHiddenFilesAreSkipped) {
    machine.PlantFile("C:\\WINDOWS\\ms.dll", WithCompany("  microsoft corporation "));
    machine.PlantFile("C:\\WINDOWS\\acme.dll", WithCompany("Acme Adware Inc"));
    machine.PlantFile("C:\\WINDOWS\\mine.dll", "x");
    machine.PlantFile("C:\\WINDOWS\\.hidden.dll", "x");
    machine.HomeFile("ENoSignature.txt", "MINE.DLL\r\n");
    WriteDefinitions({"ms.dll=Ms|[wDir]", "acme.dll=Acme|[wDir]", "mine.dll=Mine|[wDir]",
                      ".hidden.dll=Hid|[wDir]"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound), ElementsAre("Acme - Found"));
    EXPECT_THAT(Texts(f.lvwFileNotFounds), ElementsAre(".hidden.dll"));
}

TEST_F(KnownFilesTest, MalformedLinesNeitherCrashNorLeaveTheDriveLinuxOnly) {
    // A file outside the machine root that a climbing path would reach.
    machine.PlantLinuxFile("outside.dll", "x");
    machine.PlantFile("C:\\WINDOWS\\system32\\noname.dll", "x");
    const std::string longLine(100000, 'q');
    WriteDefinitions({"..\\..\\..\\outside.dll=Escape|[wDir]", "outside.dll=Escape2|C:\\..\\..",
                      "noname.dll", "", longLine, "x/y.dll=Slash|[wDir]",
                      "\xff\xfe\x01=Odd|[wDir]"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound), ElementsAre(" - Found"));
    EXPECT_EQ(f.lblFilesFolderInspected.Caption(), "7");
    EXPECT_EQ(f.lblStatus.Caption(), "Scanning complete.");
}

TEST_F(KnownFilesTest, CompanyNameReader) {
    EXPECT_EQ(scan::CompanyNameFromBytes(WithCompany("Acme Adware Inc")), "Acme Adware Inc");
    EXPECT_EQ(scan::CompanyNameFromBytes("no version data here"), "");
    // A file written by a tool that stores the entries as plain text.
    EXPECT_EQ(scan::CompanyNameFromBytes(std::string("StringFileInfo..CompanyName") + '\0' +
                                         "Plain Co" + std::string(3, '\0')),
              "Plain Co");
    // An empty value runs into the next key: the value stops at the first
    // control character.
    std::string empty = scan::ToWideBytes("StringFileInfo") + scan::ToWideBytes("CompanyName") +
                        std::string(6, '\0') + std::string("\x30\x00\x0c\x00\x01\x00", 6) +
                        scan::ToWideBytes("FileDescription") + "x" + std::string(3, '\0');
    EXPECT_EQ(scan::CompanyNameFromBytes(empty), "");
    EXPECT_EQ(scan::ToWideBytes("ab"), std::string("a\0b\0", 4));
}

}  // namespace
}  // namespace quellon::testing
