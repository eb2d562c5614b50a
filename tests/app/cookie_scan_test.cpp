#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;

class CookieScanTest : public FormTest {
protected:
    void SetUp() override {
        // The user's cookie folder as the machine names it, with its "\\".
        cookieFolder =
            machine.Platform().shell.SpecialFolder(platform::kCsidlCookies).value() + "\\";
    }
    void Cookie(std::string_view name, std::string_view hostLine) {
        machine.PlantFile(
            cookieFolder + std::string(name),
            "id\n12345\n" + std::string(hostLine) + "\n1024\n3567587328\n30124168\n*\n");
    }
    std::string cookieFolder;
};

TEST_F(CookieScanTest, DomainsMatchThePatternsFirstMatchWins) {
    Cookie("user@adclick[1].txt", "www.adclick.net/");
    Cookie("user@track7[2].txt", "WWW.track7.example/");
    Cookie("user@bstats[1].txt", "bstats.example/path");
    Cookie("user@zpixel[1].txt", "zpixel.example/");
    Cookie("user@xpixel[1].txt", "xpixel.example/");
    Cookie("user@deep(2)[1].txt", "deep.ads.example/");
    Cookie("user@harmless[1].txt", "harmless.org/");
    Cookie("user@twice[1].txt", "twice.example/");
    WriteDefinitions({}, {}, {},
                     {"ad?lick.net", "track#.example", "[abc]stats.example", "[!x]pixel.example",
                      "deep*", "twice.*", "tw*"});
    Scan(true, false, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound),
                ElementsAre("Cookie Found: user@adclick[1].txt", "Cookie Found: user@bstats[1].txt",
                            "Cookie Found: user@deep(2)[1].txt", "Cookie Found: user@track7[2].txt",
                            "Cookie Found: user@twice[1].txt", "Cookie Found: user@zpixel[1].txt"));
    EXPECT_EQ(f.lvwCookiesToDelete.Item(0).text, cookieFolder + "user@adclick[1].txt");
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(0).text,
              "Cookie: user@adclick[1].txt");
    EXPECT_EQ(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(0).SubItem(1),
              cookieFolder + "user@adclick[1].txt");
    EXPECT_EQ(f.lvwSpywareFound.Item(0).smallIcon, 1);
    EXPECT_EQ(f.Session().counters.SpywareFound, 6);
    EXPECT_EQ(f.Session().counters.MemoryItemsInspected, 8);
    EXPECT_EQ(f.lblMemoryInspected.Caption(), "Not Selected");
}

TEST_F(CookieScanTest, ExcludedPathsAndUnreadableCookiesAreNotReported) {
    Cookie("user@adclick[1].txt", "adclick.net/");
    Cookie("user@other[1].txt", "other.net/");
    machine.HomeFile("ENoSignature.txt", cookieFolder + "USER@ADCLICK[1].TXT\r\n");
    WriteDefinitions({}, {}, {}, {"adclick.net", "False"});
    machine.PlantFile(cookieFolder + "user@empty[1].txt", "");
    Scan(true, false, false);
    // The empty cookie yields the domain "False", which this pattern list accepts.
    EXPECT_THAT(Texts(Form().lvwSpywareFound), ElementsAre("Cookie Found: user@empty[1].txt"));
}

// A cookie is read a piece at a time up to its first 16 MiB: a host line
// past the first piece is found, one past 16 MiB is not.
TEST_F(CookieScanTest, ACookieIsReadPastItsFirstPieceUpTo16MiB) {
    Cookie("user@longer[1].txt", std::string(40000, 'x') + "\nlonger.example/");
    const std::string filler(size_t{16} << 20, 'y');
    Cookie("user@toolong[1].txt", filler + "\ntoolong.example/");
    Cookie("user@atedge[1].txt", filler.substr(0, filler.size() - 40) + "\natedge.example/");
    WriteDefinitions({}, {}, {}, {"longer.example", "toolong.example", "atedge.example"});
    Scan(true, false, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), ElementsAre("Cookie Found: user@atedge[1].txt",
                                                           "Cookie Found: user@longer[1].txt"));
}

}  // namespace
}  // namespace quellon::testing
