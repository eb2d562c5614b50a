#include <filesystem>
#include <random>

#include "common/text.h"
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

// Company-name search as first written: each key looked for with a plain
// search, the whole file searched.
std::string ReferenceCompanyName(std::string_view bytes) {
    const std::string wideInfo = scan::ToWideBytes("StringFileInfo");
    const std::string wideCompany = scan::ToWideBytes("CompanyName");
    const std::string wideNext = scan::ToWideBytes("FileDescription");
    size_t searchFrom = 0;
    size_t key = std::string_view::npos;
    size_t valueOffset = 0;
    std::string nextKey;
    const size_t wideAt = bytes.find(wideInfo);
    if (wideAt == std::string_view::npos) {
        const size_t plainAt = bytes.find("StringFileInfo");
        searchFrom = plainAt == std::string_view::npos ? 0 : plainAt;
        key = bytes.find("CompanyName", searchFrom);
        valueOffset = 12;
        nextKey = "FileDescription";
    } else {
        searchFrom = wideAt;
    }
    if (key == std::string_view::npos) {
        key = bytes.find(wideCompany, searchFrom);
        valueOffset = 26;
        nextKey = wideNext;
    }
    if (key == std::string_view::npos || key + valueOffset > bytes.size()) {
        return {};
    }
    const size_t start = key + valueOffset;
    const size_t end = bytes.find(std::string_view("\0\0\0", 3), start);
    if (end == std::string_view::npos) {
        return {};
    }
    std::string_view value = bytes.substr(start, end - start);
    if (value.find(nextKey) != std::string_view::npos) {
        for (size_t i = 1; i <= 255 && start + i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[start + i]) < 32) {
                value = bytes.substr(start, i - 1);
                break;
            }
        }
    }
    std::string out;
    for (char ch : value) {
        if (ch != '\0') {
            out += ch;
        }
    }
    return out;
}

TEST_F(KnownFilesTest, CompanyNameReaderAgreesWithAPlainSearch) {
    const std::vector<std::string> pieces = {"StringFileInfo",
                                             scan::ToWideBytes("StringFileInfo"),
                                             "CompanyName",
                                             scan::ToWideBytes("CompanyName"),
                                             "FileDescription",
                                             scan::ToWideBytes("FileDescription"),
                                             std::string(1, '\0'),
                                             std::string(3, '\0'),
                                             std::string("\x30\x00\x0c\x00", 4),
                                             "Acme Co",
                                             scan::ToWideBytes("Acme"),
                                             "C",
                                             "Company",
                                             "x",
                                             std::string("\x01\x1f", 2)};
    std::mt19937 rng(5);
    for (int i = 0; i < 5000; ++i) {
        std::string bytes;
        const int n = static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) {
            bytes += pieces[rng() % pieces.size()];
        }
        ASSERT_EQ(scan::CompanyNameFromBytes(bytes), ReferenceCompanyName(bytes))
            << "case " << i << ": " << ::testing::PrintToString(bytes);
    }
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
