#include "definitions/definition_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "definitions/codec.h"
#include "definitions/definition_set.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using definitions::CheckDefinitionFile;
using definitions::IsDefinitionLine;
using definitions::Kind;

// Plain lines, encoded and each ended by CR LF, as the files are stored.
std::string Stored(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view line : lines) {
        out += definitions::EncodeDefinitionLine(line);
        out += "\r\n";
    }
    return out;
}

TEST(DefinitionCheckTest, LinesOfEachKind) {
    EXPECT_TRUE(IsDefinitionLine(Kind::kFile, "qpadbar.dll=QP AdBar"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kFile, "drivers\\x.sys=X|[wDir]system32"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kFile, "a.exe=A|C:\\Program Files\\A"));
    // The scan reads a file without a spyware name as well.
    EXPECT_TRUE(IsDefinitionLine(Kind::kFile, "qporphan.dat"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kFile, "a.dll=|[wDir]"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kFile, "=no file name"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kFile, " |[wDir]"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kFile, "a.dll=A|C:\\x?"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kFile, "<a href=\"x\">=y</a>"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kFile, "C:\\a.dll=A"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kFile, "a\tb.dll\x01=A"));

    EXPECT_TRUE(IsDefinitionLine(Kind::kRegistry, "1^Software\\Bad^=Bad"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kRegistry, "2^Software\\Run^Bad=Bad=Name"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kRegistry, "0^CLSID\\{1}^="));
    EXPECT_FALSE(IsDefinitionLine(Kind::kRegistry, "6^Software^=Bad"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kRegistry, "12^Software^=Bad"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kRegistry, "1^^=whole hive"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kRegistry, "1^Software=Bad"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kRegistry, "<html>^x^=y"));

    EXPECT_TRUE(IsDefinitionLine(Kind::kExe, "qpbarsvc.exe"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kExe, "my tool.exe"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kExe, "C:\\x\\qpbarsvc.exe"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kExe, "  "));
    EXPECT_FALSE(IsDefinitionLine(Kind::kExe, "<p>x</p>"));

    EXPECT_TRUE(IsDefinitionLine(Kind::kCookie, "*.searchhelper.example"));
    EXPECT_TRUE(IsDefinitionLine(Kind::kCookie, "ad[!0-9]#?.example"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kCookie, "two words"));
    EXPECT_FALSE(IsDefinitionLine(Kind::kCookie, ""));
}

TEST(DefinitionCheckTest, OnlyWholeWellFormedFilesPass) {
    const std::string good = Stored({"a.dll=A", "b.dll=B|[pfiles]B"});
    EXPECT_TRUE(CheckDefinitionFile(Kind::kFile, good, false).status.ok());
    // Plain lines decode to themselves and pass as well.
    EXPECT_TRUE(CheckDefinitionFile(Kind::kExe, "x.exe\r\n", false).status.ok());

    // Cut short: the last line has no line end.
    const auto cut = CheckDefinitionFile(Kind::kFile, good.substr(0, good.size() - 1), false);
    EXPECT_FALSE(cut.status.ok());
    EXPECT_EQ(cut.line, 2u);
    EXPECT_FALSE(
        CheckDefinitionFile(Kind::kFile, good.substr(0, good.size() - 2), false).status.ok());
    EXPECT_FALSE(CheckDefinitionFile(Kind::kFile, good.substr(0, 5), false).status.ok());
    // Lone line ends and empty lines.
    EXPECT_FALSE(CheckDefinitionFile(Kind::kExe, "a.exe\nb.exe\r\n", false).status.ok());
    EXPECT_FALSE(CheckDefinitionFile(Kind::kExe, "a.exe\rb.exe\r\n", false).status.ok());
    const auto blank = CheckDefinitionFile(Kind::kExe, "a.exe\r\n\r\nb.exe\r\n", false);
    EXPECT_FALSE(blank.status.ok());
    EXPECT_EQ(blank.line, 2u);
    // A page instead of a file, also one that happens to end in CR LF.
    const auto page = CheckDefinitionFile(
        Kind::kExe, "\r\n  <!DOCTYPE html>\r\n<html><body>Not here</body></html>\r\n", false);
    EXPECT_FALSE(page.status.ok());
    EXPECT_NE(page.status.reason().find("HTML"), std::string::npos);
    // A line of another kind.
    const auto other = CheckDefinitionFile(Kind::kRegistry, good, false);
    EXPECT_FALSE(other.status.ok());
    EXPECT_EQ(other.line, 1u);
    EXPECT_NE(other.status.reason().find("registry"), std::string::npos);
    // Empty: only where the live file is empty too.
    EXPECT_FALSE(CheckDefinitionFile(Kind::kCookie, "", false).status.ok());
    EXPECT_TRUE(CheckDefinitionFile(Kind::kCookie, "", true).status.ok());
}

TEST(DefinitionCheckTest, TheStarterSetPasses) {
    const std::filesystem::path data =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" /
        "definitions";
    const std::pair<const char*, Kind> files[] = {{"FileDefinition.txt", Kind::kFile},
                                                  {"RegistryDefinition.txt", Kind::kRegistry},
                                                  {"ExeDefinition.txt", Kind::kExe},
                                                  {"BlockedCookies.txt", Kind::kCookie}};
    for (const auto& [name, kind] : files) {
        std::ifstream in(data / name, std::ios::binary);
        if (!in) {
            GTEST_SKIP() << "the sources' data folder is not reachable from here";
        }
        std::string stored, line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            stored += definitions::EncodeDefinitionLine(line) + "\r\n";
        }
        const auto check = CheckDefinitionFile(kind, stored, false);
        EXPECT_TRUE(check.status.ok()) << name << ": " << check.status.reason();
    }
}

class InstallTest : public ::testing::Test {
protected:
    definitions::DefinitionSet Set() {
        return {machine.Platform().files, machine.HomeWindowsPath()};
    }
    bool Exists(std::string_view name) const {
        return std::filesystem::exists(machine.Home() / std::string(name));
    }
    TestMachine machine;
};

TEST_F(InstallTest, GoodDownloadsReplaceTheLiveFilesAndGo) {
    const std::string files = Stored({"new.dll=New"});
    const std::string registry = Stored({"1^Software\\New^=New", "2^Software\\Run^x=X"});
    machine.HomeFile("FileDefinition.dat", Stored({"old.dll=Old"}));
    machine.HomeFile("DLFileDefinition.dat", files);
    machine.HomeFile("DLRegistryDefinition.dat", registry);  // no live file yet
    // An empty download may replace an empty live file.
    machine.HomeFile("BlockedCookies.dat", "");
    machine.HomeFile("DLBlockedCookies.dat", "");
    const std::string exe = Stored({"live.exe"});
    machine.HomeFile("ExeDefinition.dat", exe);
    auto set = Set();
    set.InstallDownloadedDefinitions();
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat"), files);
    EXPECT_EQ(machine.ReadHome("RegistryDefinition.dat"), registry);
    EXPECT_EQ(machine.ReadHome("BlockedCookies.dat"), "");
    EXPECT_EQ(machine.ReadHome("ExeDefinition.dat"), exe);  // no download: untouched
    for (const char* gone : {"DLFileDefinition.dat", "DLRegistryDefinition.dat",
                             "DLBlockedCookies.dat", "DLExeDefinition.dat"}) {
        EXPECT_FALSE(Exists(gone)) << gone;
    }
    EXPECT_TRUE(set.DefinitionFilesPresent());
}

TEST_F(InstallTest, BadDownloadsAreSetAsideAndTheLiveFilesStay) {
    const std::string liveFiles = Stored({"old.dll=Old"});
    const std::string liveExe = Stored({"old.exe"});
    const std::string liveCookies = Stored({"old.example"});
    machine.HomeFile("FileDefinition.dat", liveFiles);
    machine.HomeFile("ExeDefinition.dat", liveExe);
    machine.HomeFile("BlockedCookies.dat", liveCookies);
    const std::string cut = Stored({"new.dll=New", "other.dll=Other"});
    machine.HomeFile("DLFileDefinition.dat", cut.substr(0, cut.size() - 4));
    machine.HomeFile("DLExeDefinition.dat", "<html><body>404 Not Found</body></html>\r\n");
    // Empty, where the live file is not.
    machine.HomeFile("DLBlockedCookies.dat", "");
    // No live registry file: a bad download must not make one.
    machine.HomeFile("DLRegistryDefinition.dat", Stored({"not a registry line"}));
    // An older rejected file gives way to the newer one.
    machine.HomeFile("DLExeDefinition.dat.rejected", "older");
    auto set = Set();
    set.InstallDownloadedDefinitions();
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat"), liveFiles);
    EXPECT_EQ(machine.ReadHome("ExeDefinition.dat"), liveExe);
    EXPECT_EQ(machine.ReadHome("BlockedCookies.dat"), liveCookies);
    EXPECT_FALSE(Exists("RegistryDefinition.dat"));
    EXPECT_EQ(machine.ReadHome("DLFileDefinition.dat.rejected"), cut.substr(0, cut.size() - 4));
    EXPECT_EQ(machine.ReadHome("DLExeDefinition.dat.rejected"),
              "<html><body>404 Not Found</body></html>\r\n");
    EXPECT_TRUE(Exists("DLBlockedCookies.dat.rejected"));
    EXPECT_TRUE(Exists("DLRegistryDefinition.dat.rejected"));
    for (const char* gone : {"DLFileDefinition.dat", "DLRegistryDefinition.dat",
                             "DLBlockedCookies.dat", "DLExeDefinition.dat"}) {
        EXPECT_FALSE(Exists(gone)) << gone;
    }
    // The next start finds nothing to do and changes nothing.
    set.InstallDownloadedDefinitions();
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat"), liveFiles);
    EXPECT_FALSE(set.DefinitionFilesPresent());
}

}  // namespace
}  // namespace quellon::testing
