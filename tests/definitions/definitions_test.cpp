#include <gtest/gtest.h>

#include <random>

#include "common/text.h"

#include "definitions/codec.h"
#include "definitions/definition_lines.h"
#include "definitions/definition_set.h"
#include "definitions/exclusion_list.h"
#include "support/scripted_host.h"
#include "support/signing.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using definitions::DecodeDefinitionLine;
using definitions::EncodeDefinitionLine;

TEST(CodecTest, LettersAndDigitsLiveInTheUpperHalf) {
    EXPECT_EQ(DecodeDefinitionLine("\xc0\xda\xf4"), "Aa0");
    EXPECT_EQ(DecodeDefinitionLine("\xd9\xf3\xfd"), "Zz9");
    EXPECT_EQ(DecodeDefinitionLine(" |=\\[].\xfe\xff"), " |=\\[].\xfe\xff");
    EXPECT_EQ(DecodeDefinitionLine("ABC"), "ABC");
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    // Every byte, at every position of lines long enough for the wide
    // steps and their tail, and of lines too short for one.
    std::vector<std::string> lines;
    for (size_t shift = 0; shift < 40; ++shift) {
        lines.push_back(std::string(shift, 'x') + all + all);
        for (size_t from = 0; from + shift <= all.size(); from += 7) {
            lines.push_back(all.substr(from, shift));
        }
    }
    for (const std::string& line : lines) {
        const std::string decoded = DecodeDefinitionLine(line);
        ASSERT_EQ(decoded.size(), line.size());
        for (size_t i = 0; i < line.size(); ++i) {
            const int c = static_cast<unsigned char>(line[i]);
            const int want = c >= 192 && c <= 217   ? 'A' + c - 192
                             : c >= 218 && c <= 243 ? 'a' + c - 218
                             : c >= 244 && c <= 253 ? '0' + c - 244
                                                    : c;
            ASSERT_EQ(static_cast<unsigned char>(decoded[i]), want) << "byte " << c;
        }
    }
    const std::string plain = "qpbar.dll=QP AdBar Toolbar|[pfiles]QP AdBar 2";
    bool lossless = false;
    EXPECT_EQ(DecodeDefinitionLine(EncodeDefinitionLine(plain, &lossless)), plain);
    EXPECT_TRUE(lossless);
    EncodeDefinitionLine("caf\xe9", &lossless);
    EXPECT_FALSE(lossless);
}

// The pieces of a registry line as a plain reading gives them: the last
// "=" ends the entry, and up to three "^" in it end the pieces.
definitions::RegistryDefinitionLine PlainSplit(std::string_view line) {
    definitions::RegistryDefinitionLine out;
    const size_t eq = line.rfind('=');
    if (eq == std::string_view::npos) {
        return out;
    }
    out.spywareName = text::TrimView(line.substr(eq + 1));
    std::string_view entry = line.substr(0, eq);
    for (std::string_view* piece : {&out.hiveDigit, &out.subKey, &out.valueName}) {
        const size_t cut = entry.find('^');
        *piece = entry.substr(0, cut);
        if (cut == std::string_view::npos) {
            break;
        }
        entry.remove_prefix(cut + 1);
    }
    return out;
}

TEST(RegistryLineTest, PiecesAreFoundWhereverTheSeparatorsFall) {
    EXPECT_EQ(definitions::SplitRegistryDefinition("2^Software\\Spy^Run=Spy").subKey,
              "Software\\Spy");
    // Lines of every length up to four steps of sixteen bytes, with few or
    // many separators, at random places.
    std::mt19937 random(20261210);
    const char kOther[] = {' ', 'a', '\xC1'};
    for (int round = 0; round < 20000; ++round) {
        std::string line(random() % 70, 'a');
        const unsigned spread = 1 + random() % 24;
        for (char& c : line) {
            c = random() % spread == 0 ? "^="[random() % 2] : kOther[random() % 3];
        }
        const auto got = definitions::SplitRegistryDefinition(line);
        const auto want = PlainSplit(line);
        auto same = [](std::string_view a, std::string_view b) {
            return a.size() == b.size() && (a.empty() || a.data() == b.data());
        };
        ASSERT_TRUE(same(got.hiveDigit, want.hiveDigit) && same(got.subKey, want.subKey) &&
                    same(got.valueName, want.valueName) && same(got.spywareName, want.spywareName))
            << "line \"" << line << "\"";
    }
}

class DefinitionSetTest : public ::testing::Test {
protected:
    definitions::DefinitionSet Set() {
        return {machine.Platform().files, machine.HomeWindowsPath()};
    }
    TestMachine machine;
};

TEST_F(DefinitionSetTest, DownloadedFilesReplaceTheLiveOnesAtStart) {
    TestSigner signer;
    machine.HomeFile("DLFileDefinition.dat", "new.dll=New\r\n");
    machine.HomeFile("DLFileDefinition.dat.sig",
                     signer.Sign("FileDefinition.dat", 2, "new.dll=New\r\n"));
    machine.HomeFile("RegistryDefinition.dat", "1^Old^=Old\r\n");
    machine.HomeFile("DLRegistryDefinition.dat", "1^R1^=R1\r\n1^R2^=R2\r\n");
    machine.HomeFile("DLRegistryDefinition.dat.sig",
                     signer.Sign("RegistryDefinition.dat", 2, "1^R1^=R1\r\n1^R2^=R2\r\n"));
    machine.HomeFile("ExeDefinition.dat", "");
    machine.HomeFile("BlockedCookies.dat", "c");
    auto set = Set();
    EXPECT_FALSE(set.DefinitionFilesPresent());
    set.InstallDownloadedDefinitions(signer.Trust());
    EXPECT_TRUE(set.DefinitionFilesPresent());
    EXPECT_EQ(machine.ReadHome("FileDefinition.dat"), "new.dll=New\r\n");
    EXPECT_EQ(machine.ReadHome("RegistryDefinition.dat"), "1^R1^=R1\r\n1^R2^=R2\r\n");
    EXPECT_FALSE(std::filesystem::exists(machine.Home() / "DLFileDefinition.dat"));
    EXPECT_EQ(set.CountDefinitionLines(), 4);
    EXPECT_EQ(set.Counts().file, 1);
    EXPECT_EQ(set.Counts().registry, 2);
    EXPECT_EQ(set.Counts().exe, 0);
    EXPECT_EQ(set.Counts().cookie, 1);
}

TEST_F(DefinitionSetTest, LineEndsOfEveryKindAreCountedAndMissingFilesCountZero) {
    machine.HomeFile("FileDefinition.dat", "a\r\nb\nc\rd");
    auto set = Set();
    EXPECT_EQ(set.CountDefinitionLines(), 4);
    EXPECT_FALSE(set.DefinitionFilesPresent());
}

TEST_F(DefinitionSetTest, ACountFollowsItsFileThroughEveryChange) {
    machine.HomeFile("FileDefinition.dat", "a\r\nb\r\n");
    auto set = Set();
    EXPECT_EQ(set.CountDefinitionLines(), 2);
    EXPECT_EQ(set.CountDefinitionLines(), 2);
    machine.HomeFile("FileDefinition.dat", "a\r\nb\r\nc\r\n");
    EXPECT_EQ(set.CountDefinitionLines(), 3);
    // A file of the same size put in place as an update puts it.
    machine.HomeFile("next.dat", "a\nb\nc\nd\ne");
    std::filesystem::rename(machine.Home() / "next.dat", machine.Home() / "FileDefinition.dat");
    EXPECT_EQ(set.CountDefinitionLines(), 5);
    EXPECT_EQ(set.Counts().file, 5);
    std::filesystem::remove(machine.Home() / "FileDefinition.dat");
    EXPECT_EQ(set.CountDefinitionLines(), 0);
    machine.HomeFile("FileDefinition.dat", "a\r\nb\r\n");
    EXPECT_EQ(set.CountDefinitionLines(), 2);
}

TEST_F(DefinitionSetTest, FileExistsComparesTheNameIgnoringCase) {
    machine.PlantFile("C:\\Dir\\Name.TXT", "x");
    auto& fs = machine.Platform().files;
    EXPECT_TRUE(definitions::FileExists(fs, "c:\\dir\\name.txt"));
    EXPECT_FALSE(definitions::FileExists(fs, "C:\\Dir"));
    EXPECT_FALSE(definitions::FileExists(fs, "C:\\Dir\\Other.txt"));
    EXPECT_FALSE(definitions::FileExists(fs, "no backslash"));
}

class ExclusionListTest : public ::testing::Test {
protected:
    definitions::ExclusionList& List() {
        if (!list_) {
            list_ = std::make_unique<definitions::ExclusionList>(machine.Platform().files, host,
                                                                 machine.HomeWindowsPath());
            list_->Load();
        }
        return *list_;
    }
    TestMachine machine;
    ScriptedHost host;

private:
    std::unique_ptr<definitions::ExclusionList> list_;
};

TEST_F(ExclusionListTest, TextHoldsTheTrimmedLinesNewestFirst) {
    machine.HomeFile("ENoSignature.txt", "a\r\n  b  \r\n\r\nc:\\path\\file.dll\r\n");
    EXPECT_EQ(List().Text(), "c:\\path\\file.dll\r\n\r\nb\r\na\r\n");
    EXPECT_TRUE(List().IsExcludedEntry("C:\\PATH\\FILE.DLL"));
    EXPECT_FALSE(List().IsExcludedEntry(" c:\\path\\file.dll"));
    EXPECT_TRUE(List().IsExcludedEntry("B"));
    EXPECT_TRUE(List().IsExcludedEntry(""));
    EXPECT_FALSE(List().IsExcludedEntry("file.dll"));
}

TEST_F(ExclusionListTest, AppendCreatesTheFileAndKeepsHandEditedLinesApart) {
    EXPECT_EQ(List().Text(), "");
    List().Append("  first  ");
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), "first\r\n");
    machine.HomeFile("ENoSignature.txt", "first\r\nedited without line end");
    List().Append("second");
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"),
              "first\r\nedited without line end\r\nsecond\r\n");
    EXPECT_EQ(List().Text(), "second\r\nedited without line end\r\nfirst\r\n");
}

TEST_F(ExclusionListTest, FirstOccurrenceTestForProcessNames) {
    machine.HomeFile("ENoSignature.txt", "bad.exe\r\nxbad.exe.old\r\nc:\\x\\other.exe\r\n");
    // The text is newest first: other.exe, xbad.exe.old, bad.exe.
    EXPECT_TRUE(List().IsExcluded("OTHER.EXE"));
    // "BAD.EXE" first occurs inside "xbad.exe.old", which does not end with it.
    EXPECT_FALSE(List().IsExcluded("bad.exe"));
    EXPECT_FALSE(List().IsExcluded("nothing.exe"));
}

}  // namespace
}  // namespace quellon::testing
