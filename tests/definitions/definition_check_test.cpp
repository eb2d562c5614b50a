#include "definitions/definition_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "definitions/codec.h"
#include "definitions/definition_set.h"
#include "support/signing.h"
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
    // A download "DL" + name with the signature that came with it.
    void Download(std::string_view name, const std::string& bytes, std::int64_t version = 2) {
        machine.HomeFile("DL" + std::string(name), bytes);
        planted[std::string(name)] = signer.Sign(name, version, bytes);
        machine.HomeFile("DL" + std::string(name) + ".sig", planted[std::string(name)]);
    }
    // The signature files planted, by name.
    std::map<std::string, std::string> planted;
    TestMachine machine;
    TestSigner signer;
};

TEST_F(InstallTest, GoodDownloadsReplaceTheLiveFilesAndGo) {
    const std::string files = Stored({"new.dll=New"});
    const std::string registry = Stored({"1^Software\\New^=New", "2^Software\\Run^x=X"});
    machine.HomeFile("FileDefinition.dat", Stored({"old.dll=Old"}));
    Download("FileDefinition.dat", files);
    Download("RegistryDefinition.dat", registry);  // no live file yet
    // An empty download may replace an empty live file.
    machine.HomeFile("BlockedCookies.dat", "");
    Download("BlockedCookies.dat", "");
    const std::string exe = Stored({"live.exe"});
    machine.HomeFile("ExeDefinition.dat", exe);
    auto set = Set();
    const auto outcomes = set.InstallDownloadedDefinitions(signer.Trust());
    EXPECT_EQ(outcomes.size(), 3u);
    for (const auto& outcome : outcomes) {
        EXPECT_TRUE(outcome.installed);
        EXPECT_EQ(outcome.liveVersion, 2);
    }
    // Each signature now lies beside its live file and names its version.
    EXPECT_EQ(set.LiveSignedVersion(signer.Trust(), Kind::kFile), 2);
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat.sig"), planted["FileDefinition.dat"]);
    EXPECT_EQ(set.LiveSignedVersion(signer.Trust(), Kind::kExe), std::nullopt);
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat"), files);
    EXPECT_EQ(machine.ReadHome("RegistryDefinition.dat"), registry);
    EXPECT_EQ(machine.ReadHome("BlockedCookies.dat"), "");
    EXPECT_EQ(machine.ReadHome("ExeDefinition.dat"), exe);  // no download: untouched
    for (const char* gone :
         {"DLFileDefinition.dat", "DLRegistryDefinition.dat", "DLBlockedCookies.dat",
          "DLExeDefinition.dat", "DLFileDefinition.dat.sig", "DLRegistryDefinition.dat.sig"}) {
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
    // Signed, but not sound files of their kinds.
    const std::string cut = Stored({"new.dll=New", "other.dll=Other"});
    Download("FileDefinition.dat", cut.substr(0, cut.size() - 4));
    Download("ExeDefinition.dat", "<html><body>404 Not Found</body></html>\r\n");
    // Empty, where the live file is not.
    Download("BlockedCookies.dat", "");
    // No live registry file: a bad download must not make one.
    Download("RegistryDefinition.dat", Stored({"not a registry line"}));
    // An older rejected file gives way to the newer one.
    machine.HomeFile("DLExeDefinition.dat.rejected", "older");
    auto set = Set();
    const auto outcomes = set.InstallDownloadedDefinitions(signer.Trust());
    EXPECT_EQ(outcomes.size(), 4u);
    for (const auto& outcome : outcomes) {
        EXPECT_TRUE(outcome.setAside);
        EXPECT_FALSE(outcome.reason.empty());
    }
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
    EXPECT_TRUE(Exists("DLFileDefinition.dat.sig.rejected"));
    // The next start finds nothing to do and changes nothing.
    EXPECT_TRUE(set.InstallDownloadedDefinitions(signer.Trust()).empty());
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat"), liveFiles);
    EXPECT_FALSE(set.DefinitionFilesPresent());
}

// Every way a "DL" file's signature can fail sets the file aside, whatever
// its contents, and the live file stays; the outcome names the live file's
// own signed version, which the stored version goes back to.
TEST_F(InstallTest, ADownloadWhoseSignatureFailsNeverBecomesLive) {
    const std::string live = Stored({"live.dll=Live"});
    const std::string good = Stored({"new.dll=New"});
    const std::string other = Stored({"other.dll=Other"});
    TestSigner stranger;
    struct Case {
        const char* what;
        std::function<void()> plant;
    };
    const std::string name = "FileDefinition.dat";
    const std::vector<Case> cases = {
        {"no signature", [&] { machine.HomeFile("DL" + name, good); }},
        {"a stranger's key",
         [&] {
             machine.HomeFile("DL" + name, good);
             machine.HomeFile("DL" + name + ".sig", stranger.Sign(name, 9, good));
         }},
        {"a byte changed after signing",
         [&] {
             std::string changed = good;
             changed[0] = static_cast<char>(changed[0] ^ 1);
             machine.HomeFile("DL" + name, changed);
             machine.HomeFile("DL" + name + ".sig", signer.Sign(name, 9, good));
         }},
        {"the signature of another file",
         [&] {
             machine.HomeFile("DL" + name, good);
             machine.HomeFile("DL" + name + ".sig", signer.Sign("ExeDefinition.dat", 9, good));
         }},
        {"the signature of other bytes",
         [&] {
             machine.HomeFile("DL" + name, good);
             machine.HomeFile("DL" + name + ".sig", signer.Sign(name, 9, other));
         }},
        {"a signature that is not one",
         [&] {
             machine.HomeFile("DL" + name, good);
             std::string sig = signer.Sign(name, 9, good);
             sig.insert(0, " ");
             machine.HomeFile("DL" + name + ".sig", sig);
         }},
        {"older than the live file's signature",
         [&] {
             machine.HomeFile("DL" + name, good);
             machine.HomeFile("DL" + name + ".sig", signer.Sign(name, 6, good));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.HomeFile(name, live);
        machine.HomeFile(name + ".sig", signer.Sign(name, 7, live));
        c.plant();
        auto set = Set();
        const auto outcomes = set.InstallDownloadedDefinitions(signer.Trust());
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_TRUE(outcomes[0].setAside);
        EXPECT_FALSE(outcomes[0].installed);
        EXPECT_EQ(outcomes[0].liveVersion, 7);
        EXPECT_EQ(machine.ReadHome(name), live);
        EXPECT_FALSE(Exists("DL" + name));
        EXPECT_FALSE(Exists("DL" + name + ".sig"));
        EXPECT_TRUE(Exists("DL" + name + ".rejected"));
    }
    // A trust without keys accepts nothing, even what the maker signed.
    machine.HomeFile("DL" + name, good);
    machine.HomeFile("DL" + name + ".sig", signer.Sign(name, 9, good));
    const definitions::UpdateTrust none{signer.Signatures(), {}};
    auto set = Set();
    const auto outcomes = set.InstallDownloadedDefinitions(none);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].setAside);
    EXPECT_EQ(outcomes[0].liveVersion, std::nullopt);
    EXPECT_EQ(machine.ReadHome(name), live);
}

// A kill between the live file and its signature leaves the "DL" files; the
// next start installs again, though the live signature is stale.
TEST_F(InstallTest, AnInstallCutBeforeTheSignatureIsFinishedAtTheNextStart) {
    const std::string name = "ExeDefinition.dat";
    const std::string good = Stored({"new.exe"});
    machine.HomeFile(name, good);  // the new bytes already live
    machine.HomeFile(name + ".sig", signer.Sign(name, 7, Stored({"old.exe"})));
    Download(name, good, 8);
    auto set = Set();
    const auto outcomes = set.InstallDownloadedDefinitions(signer.Trust());
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].installed);
    EXPECT_EQ(set.LiveSignedVersion(signer.Trust(), Kind::kExe), 8);
    EXPECT_FALSE(Exists("DL" + name));
    EXPECT_FALSE(Exists("DL" + name + ".sig"));
}

}  // namespace
}  // namespace quellon::testing
