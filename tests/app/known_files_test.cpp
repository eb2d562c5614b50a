#include <filesystem>
#include <random>

#include "common/text.h"
#include "support/form_fixture.h"

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

class KnownFilesTest : public FormTest {};

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

TEST_F(KnownFilesTest, TheSpywareNameEndsAtTheNextEqualsSign) {
    machine.PlantFile("C:\\WINDOWS\\a.dll", "x");
    machine.PlantFile("C:\\WINDOWS\\b=c.dll", "x");
    WriteDefinitions({"a.dll=Foo=Bar|[wDir]", "b=c.dll=Baz|[wDir]"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound), ElementsAre("Foo - Found"));
    EXPECT_THAT(Texts(f.lvwFileNotFounds), ElementsAre("b"));
    EXPECT_EQ(f.lvwFileNotFounds.Item(0).SubItem(1), "c.dll");
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

// Many folders (more than the scan keeps open at once), names in another
// case than on disk, present and missing files and Microsoft's own: every
// line gives what looking up its one path and reading its company name give.
TEST_F(KnownFilesTest, EveryLineGivesWhatItsOwnLookUpGives) {
    std::mt19937 rng(9);
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, std::string>> expected;  // path, file name
    for (int i = 0; i < 600; ++i) {
        const std::string vendor = "Vendor" + std::to_string(i % 200);
        const std::string name = "File" + std::to_string(i) + ".dll";
        const std::string path = "C:\\Program Files\\" + vendor + "\\" + name;
        switch (rng() % 4) {
            case 0:
                machine.PlantFile(
                    "C:\\Program Files\\" + text::Lower(vendor) + "\\" + text::Upper(name), "x");
                break;
            case 1:
                machine.PlantFile(
                    path, rng() % 2 ? WithCompany("Microsoft Corporation") : WithCompany("Acme"));
                break;
            default:
                break;  // missing
        }
        lines.push_back(name + "=Spy" + std::to_string(i % 7) + "|[pfiles]" + vendor);
        expected.emplace_back(path, name);
    }
    machine.HomeFile("FileDefinition.dat", [&] {
        std::string out;
        for (const std::string& line : lines) {
            out += definitions::EncodeDefinitionLine(line) + "\r\n";
        }
        return out;
    }());
    machine.HomeFile("RegistryDefinition.dat", "");
    machine.HomeFile("ExeDefinition.dat", "");
    machine.HomeFile("BlockedCookies.dat", "");
    Scan(false, false, false);

    auto& fs = machine.Platform().files;
    std::vector<std::string> toDelete, notFound;
    for (const auto& [path, name] : expected) {
        if (!fs.LookupFile(path)) {
            notFound.push_back(name);
        } else if (text::Upper(text::TrimView(scan::GetCompanyName(fs, path))) !=
                   "MICROSOFT CORPORATION") {
            toDelete.push_back(path);
        }
    }
    auto& f = Form();
    EXPECT_EQ(Texts(f.lvwFilesToBeDeleted), toDelete);
    EXPECT_EQ(Texts(f.lvwFileNotFounds), notFound);
    EXPECT_EQ(f.lblFilesFolderInspected.Caption(), "600");
    EXPECT_EQ(f.lbltracesFound.Caption(), std::to_string(toDelete.size()));
}

TEST_F(KnownFilesTest, ASecondScanSeesWhatChangedOnDisk) {
    const auto first = machine.PlantFile("C:\\WINDOWS\\first.dll", "x");
    WriteDefinitions({"first.dll=One|[wDir]", "second.dll=Two|[wDir]"});
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwFileNotFounds), ElementsAre("second.dll"));

    std::filesystem::remove(first);
    machine.PlantFile("C:\\WINDOWS\\SECOND.DLL", "y");
    Scan(false, false, false);
    EXPECT_THAT(Texts(f.lvwFileNotFounds), ElementsAre("first.dll"));
    EXPECT_THAT(Texts(f.lvwSpywareFound), ElementsAre("Two - Found"));
}

}  // namespace
}  // namespace quellon::testing
