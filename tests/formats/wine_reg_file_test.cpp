// Wine's registry file format: reading, writing back byte for byte, and
// changes that touch only their own lines.
#include <gtest/gtest.h>

#include <string>

#include "formats/wine_reg_file.h"

namespace quellon::formats::winereg {
namespace {

// As wineserver writes it (keys, time stamps, every kind of value, escapes,
// a long list going on over lines, a key that only holds sub-keys).
constexpr std::string_view kFile = R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Control Panel\\Desktop] 1796784376
#time=1dd878775f6b9c8
"Wallpaper"=""
"Count"=dword:0000000a

[Software\\Classes\\Wow6432Node\\AppId] 1796784368
#time=1dd878771384096
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\
  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\
  00,5c,00,41,00,70,00,70,00,49,00,64,00

[Software\\Microsoft\\Internet Explorer\\Main] 1796784376
#time=1dd878775f25252
"Start Page"="https://www.winehq.org"

[Software\\QP AdBar\\Odd \[1\]] 1796784376
#time=1dd878775f25252
@="default"
"Path"="C:\\Program Files\\QP AdBar"
"Say \"hi\""="line\nnext\ttab\\"
"Caf\xe9"="\x20acA \x00e95\xe9"
"Expand"=str(2):"%USERPROFILE%\\AppData"
"Multi"=str(7):"a\0b\0"
"Blob"=hex:00,01,ff
"Odd"=hex(b):01,00,00,00,00,00,00,00
"Octal"="\1x\0012"
"Visible"=dword:00000001

[Software\\Wine\\Deep\\Down] 1796784376
#time=1dd878775f25252
"Here"="1"
)";

std::string Bytes(std::u16string_view text) {
    return ToUtf16Le(text) + std::string(2, '\0');
}

const Value& ValueOf(const Document& doc, std::u16string_view key, std::u16string_view name) {
    const Key* k = doc.Find(key);
    EXPECT_NE(k, nullptr) << "no key";
    static const Value kMissing{u"(missing)", 0, ""};
    if (k == nullptr) {
        return kMissing;
    }
    const Value* v = k->FindValue(name);
    return v != nullptr ? *v : kMissing;
}

// A FILETIME of a whole second since 1970, as Wine stamps keys.
constexpr std::uint64_t kNow = 116444736000000000ULL + 1800000000ULL * 10000000ULL;
constexpr std::string_view kNowHeader = " 1800000000";
constexpr std::string_view kNowTime = "#time=1dda4c66b338000";

TEST(WineRegFile, ReadsKeysValuesAndEscapesAsWineDoes) {
    const Document doc = Document::Parse(kFile);
    ASSERT_TRUE(doc.Valid());
    EXPECT_EQ(doc.RelativeTo(), u"REGISTRY\\User\\S-1-5-21-0-0-0-1000");
    EXPECT_EQ(doc.Arch(), "win64");

    EXPECT_EQ(ValueOf(doc, u"Control Panel\\Desktop", u"Wallpaper").data, Bytes(u""));
    const Value& count = ValueOf(doc, u"control panel\\DESKTOP", u"count");
    EXPECT_EQ(count.type, 4u);
    EXPECT_EQ(count.data, std::string("\x0a\0\0\0", 4));
    EXPECT_EQ(ValueOf(doc, u"Software\\Microsoft\\Internet Explorer\\Main", u"Start Page").data,
              Bytes(u"https://www.winehq.org"));

    const std::u16string odd = u"Software\\QP AdBar\\Odd [1]";
    EXPECT_EQ(ValueOf(doc, odd, u"").data, Bytes(u"default"));
    EXPECT_EQ(ValueOf(doc, odd, u"Path").data, Bytes(u"C:\\Program Files\\QP AdBar"));
    EXPECT_EQ(ValueOf(doc, odd, u"Say \"hi\"").data, Bytes(u"line\nnext\ttab\\"));
    // \x takes up to four hex digits; Wine writes four when a hex digit follows.
    EXPECT_EQ(ValueOf(doc, odd, u"Caf\u00e9").data, Bytes(u"\u20acA \u00e95\u00e9"));
    EXPECT_EQ(ValueOf(doc, odd, u"CAF\u00c9").type, 1u);  // names ignore case beyond ASCII too
    const Value& expand = ValueOf(doc, odd, u"Expand");
    EXPECT_EQ(expand.type, 2u);
    EXPECT_EQ(expand.data, Bytes(u"%USERPROFILE%\\AppData"));
    const Value& multi = ValueOf(doc, odd, u"Multi");
    EXPECT_EQ(multi.type, 7u);
    EXPECT_EQ(multi.data, Bytes(std::u16string(u"a\0b\0", 4)));
    EXPECT_EQ(ValueOf(doc, odd, u"Blob").data, std::string("\x00\x01\xff", 3));
    EXPECT_EQ(ValueOf(doc, odd, u"Odd").type, 11u);
    EXPECT_EQ(ValueOf(doc, odd, u"Octal").data, Bytes(std::u16string(u"\1x\0012", 4)));

    const Key* link = doc.Find(u"Software\\Classes\\Wow6432Node\\AppId");
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->IsLink());
    EXPECT_EQ(link->LinkTarget(), u"\\Registry\\Machine\\Software\\Classes\\AppId");

    // Keys that only hold sub-keys have no block of their own, and are there.
    const Key* wine = doc.Find(u"Software\\Wine");
    ASSERT_NE(wine, nullptr);
    EXPECT_TRUE(wine->Values().empty());
    EXPECT_EQ(wine->Children().size(), 1u);
    EXPECT_EQ(doc.Find(u"Software\\Nothing"), nullptr);
}

TEST(WineRegFile, WritesBackEveryByteOfAnyInput) {
    // The file itself, with CR LF line ends, and cut short at every byte.
    std::string crlf;
    for (char c : kFile) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    for (const std::string& text : {std::string(kFile), crlf}) {
        const Document whole = Document::Parse(text);
        EXPECT_EQ(whole.Write(), text);
        EXPECT_EQ(ValueOf(whole, u"Software\\Wine\\Deep\\Down", u"Here").data, Bytes(u"1"));
        for (size_t cut = 0; cut < text.size(); ++cut) {
            const std::string part = text.substr(0, cut);
            ASSERT_EQ(Document::Parse(part).Write(), part) << "cut at " << cut;
        }
    }
    // Bytes that are not a Wine file are kept whole, and nothing in them is read.
    for (std::string_view other :
         {std::string_view(
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n"),
          std::string_view("\xff\xfe\x00garbage\n[x]\n\"a\"=\"b\"", 21), std::string_view("")}) {
        const Document doc = Document::Parse(other);
        EXPECT_FALSE(doc.Valid());
        EXPECT_EQ(doc.Write(), other);
        EXPECT_TRUE(doc.Root().Children().empty());
    }
}

TEST(WineRegFile, PassesOverLinesWineCannotReadAndKeepsThem) {
    const std::string text =
        "WINE REGISTRY Version 2\n"
        "\n"
        "[Software\\\\Good] 1\n"
        "\"Unclosed\"=\"no end\n"
        "\"BadHex\"=hex:fff,00\n"
        "\"BadDword\"=dword:\n"
        "\"TooLong\"=dword:123456789\n"
        "\"Escapes\"=\"\\q\\x\\777\"\n"
        "\"Dup\"=\"first\"\n"
        "\"NoEquals\" \"x\"\n"
        "garbage line\n"
        "\"Dup\"=\"second\"\n"
        "\n"
        "[Software\\\\Broken 1\n"
        "\"Lost\"=\"1\"\n"
        "\n"
        "[Software\\\\Last] 1\n"
        "\"Cut\"=hex:00,01,\\\n";
    const Document doc = Document::Parse(text);
    ASSERT_TRUE(doc.Valid());
    EXPECT_EQ(doc.Write(), text);
    const Key* good = doc.Find(u"Software\\Good");
    ASSERT_NE(good, nullptr);
    std::vector<std::u16string> names;
    for (const Value* v : good->Values()) {
        names.push_back(v->name);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Escapes", u"Dup"}));
    // An unknown escape is the character itself; "\x" without digits is "x";
    // an octal escape takes up to three digits.
    EXPECT_EQ(ValueOf(doc, u"Software\\Good", u"Escapes").data, Bytes(u"qx\u01ff"));
    EXPECT_EQ(ValueOf(doc, u"Software\\Good", u"Dup").data, Bytes(u"second"));
    // A header Wine cannot read takes its values with it; a list cut off at
    // the end of the file is no value.
    EXPECT_EQ(doc.Find(u"Software\\Broken 1"), nullptr);
    ASSERT_NE(doc.Find(u"Software\\Last"), nullptr);
    EXPECT_TRUE(doc.Find(u"Software\\Last")->Values().empty());
}

TEST(WineRegFile, ValuesAreWrittenAsWineWritesThem) {
    const Document doc = Document::Parse(kFile);
    const Value& link =
        ValueOf(doc, u"Software\\Classes\\Wow6432Node\\AppId", u"SymbolicLinkValue");
    const size_t at = kFile.find("\"SymbolicLinkValue\"");
    const size_t end = kFile.find("\n\n", at);
    EXPECT_EQ(Document::ValueLine(link), std::string(kFile.substr(at, end + 1 - at)));

    // Every value of a key, line by line.
    const Key* odd = doc.Find(u"Software\\QP AdBar\\Odd [1]");
    ASSERT_NE(odd, nullptr);
    size_t line = kFile.find("[Software\\\\QP AdBar");
    line = kFile.find('\n', kFile.find('\n', line) + 1) + 1;  // after the header and time
    for (const Value* v : odd->Values()) {
        const size_t next = kFile.find('\n', line) + 1;
        EXPECT_EQ(Document::ValueLine(*v), std::string(kFile.substr(line, next - line)));
        line = next;
    }
    // Texts that are not terminated are kept as hex; a DWORD of another size too.
    EXPECT_EQ(Document::ValueLine({u"s", 1, "a"}), "\"s\"=hex(1):61\n");
    EXPECT_EQ(Document::ValueLine({u"d", 4, "ab"}), "\"d\"=hex(4):61,62\n");
    EXPECT_EQ(Document::ValueLine({u"", 0, ""}), "@=hex(0):\n");

    // Whatever a text holds, it reads back as it was written.
    for (std::u16string_view s : {std::u16string_view(u"\x01"
                                                      u"7\x1b[\"]\\\u00ff\u0100a\u4e2d"
                                                      u"1"),
                                  std::u16string_view(u"\x7f\x80\x9f x\\\\y"),
                                  std::u16string_view(u"\0"
                                                      u"1",
                                                      2)}) {
        const Value v{std::u16string(s), 1, Bytes(s)};
        const std::string written = Document::ValueLine(v);
        const Document back = Document::Parse("WINE REGISTRY Version 2\n[k] 1\n" + written);
        ASSERT_NE(back.Find(u"k"), nullptr) << written;
        const Value* read = back.Find(u"k")->FindValue(s);
        ASSERT_NE(read, nullptr) << written;
        EXPECT_EQ(read->data, v.data) << written;
    }
}

// The file with one line replaced.
std::string With(std::string_view text, std::string_view from, std::string_view to) {
    std::string out(text);
    const size_t at = out.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    out.replace(at, from.size(), to);
    return out;
}

TEST(WineRegFile, AChangeRewritesOnlyItsKeysLines) {
    const std::string mainKey =
        "[Software\\\\Microsoft\\\\Internet Explorer\\\\Main] 1796784376\n"
        "#time=1dd878775f25252\n"
        "\"Start Page\"=\"https://www.winehq.org\"\n";
    const std::string stamped = "[Software\\\\Microsoft\\\\Internet Explorer\\\\Main]" +
                                std::string(kNowHeader) + "\n" + std::string(kNowTime) + "\n";

    Document doc = Document::Parse(kFile);
    Key* main = doc.Find(u"SOFTWARE\\Microsoft\\Internet Explorer\\Main");
    ASSERT_NE(main, nullptr);
    doc.SetValue(*main, {u"start page", 1, Bytes(u"about:blank")}, kNow);
    // The name keeps its spelling; the key's time stamps are the change's.
    EXPECT_EQ(doc.Write(), With(kFile, mainKey, stamped + "\"Start Page\"=\"about:blank\"\n"));

    doc.SetValue(*main, {u"Search Page", 1, Bytes(u"x")}, kNow);
    EXPECT_EQ(
        doc.Write(),
        With(kFile, mainKey, stamped + "\"Start Page\"=\"about:blank\"\n\"Search Page\"=\"x\"\n"));
    EXPECT_TRUE(doc.DeleteValue(*main, u"START PAGE", kNow));
    EXPECT_FALSE(doc.DeleteValue(*main, u"Start Page", kNow));
    EXPECT_EQ(doc.Write(), With(kFile, mainKey, stamped + "\"Search Page\"=\"x\"\n"));
}

TEST(WineRegFile, NewKeysGoWhereWinePutsThemAndDeletedOnesLeaveNoTrace) {
    Document doc = Document::Parse(kFile);
    // A new key lands between its neighbours in Wine's order, with the
    // blank line Wine leaves before every key.
    Key& run = doc.Create(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", kNow);
    doc.SetValue(run, {u"QP AdBar", 1, Bytes(u"C:\\qp.exe")}, kNow);
    const std::string block = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run]" +
                              std::string(kNowHeader) + "\n" + std::string(kNowTime) +
                              "\n\"QP AdBar\"=\"C:\\\\qp.exe\"\n\n";
    const std::string added = With(kFile, "[Software\\\\QP AdBar", block + "[Software\\\\QP AdBar");
    EXPECT_EQ(doc.Write(), added);
    EXPECT_EQ(&doc.Create(u"software\\microsoft\\windows\\currentversion\\run", kNow), &run);
    EXPECT_EQ(doc.Write(), added);

    // Deleting a key takes its block and those of its sub-keys.
    Key* adbar = doc.Find(u"Software\\QP AdBar");
    ASSERT_NE(adbar, nullptr);
    EXPECT_TRUE(doc.DeleteTree(*adbar, kNow));
    EXPECT_EQ(doc.Find(u"Software\\QP AdBar\\Odd [1]"), nullptr);
    const size_t from = added.find("[Software\\\\QP AdBar");
    const size_t to = added.find("[Software\\\\Wine");
    EXPECT_EQ(doc.Write(), added.substr(0, from) + added.substr(to));

    // A key that lived on through its only sub-key stays, as an empty key.
    Key* down = doc.Find(u"Software\\Wine\\Deep\\Down");
    ASSERT_NE(down, nullptr);
    EXPECT_TRUE(doc.DeleteTree(*down, kNow));
    ASSERT_NE(doc.Find(u"Software\\Wine\\Deep"), nullptr);
    const std::string written = doc.Write();
    EXPECT_NE(written.find("\n\n[Software\\\\Wine\\\\Deep]" + std::string(kNowHeader) + "\n" +
                           std::string(kNowTime) + "\n"),
              std::string::npos)
        << written;
    EXPECT_FALSE(doc.DeleteTree(doc.Root(), kNow));

    // What was written reads back as the same keys and values.
    const Document back = Document::Parse(written);
    EXPECT_EQ(back.Write(), written);
    EXPECT_EQ(ValueOf(back, u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"QP AdBar").data,
              Bytes(u"C:\\qp.exe"));
    EXPECT_EQ(back.Find(u"Software\\QP AdBar"), nullptr);
    ASSERT_NE(back.Find(u"Software\\Wine\\Deep"), nullptr);
}

TEST(WineRegFile, ANewFileAndAFileCutShortTakeChanges) {
    Document doc = Document::New(u"REGISTRY\\User\\S-1-5-21-0-0-0-1000", "win64");
    Key& key = doc.Create(u"Software\\QP AdBar", kNow);
    doc.SetValue(key, {u"Visible", 4, std::string("\1\0\0\0", 4)}, kNow);
    EXPECT_EQ(doc.Write(),
              "WINE REGISTRY Version 2\n"
              ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
              "\n#arch=win64\n"
              "\n[Software\\\\QP AdBar]" +
                  std::string(kNowHeader) + "\n" + std::string(kNowTime) +
                  "\n\"Visible\"=dword:00000001\n");
    EXPECT_EQ(Document::Parse(doc.Write()).RelativeTo(), u"REGISTRY\\User\\S-1-5-21-0-0-0-1000");

    // A last line without its line end gets one before anything follows it.
    const std::string cut = "WINE REGISTRY Version 2\n\n[Software\\\\A] 1\n\"x\"=\"1\"";
    Document shortened = Document::Parse(cut);
    Key* a = shortened.Find(u"Software\\A");
    ASSERT_NE(a, nullptr);
    shortened.SetValue(*a, {u"y", 1, Bytes(u"2")}, kNow);
    shortened.Create(u"Software\\B", kNow);
    const Document back = Document::Parse(shortened.Write());
    EXPECT_EQ(ValueOf(back, u"Software\\A", u"x").data, Bytes(u"1"));
    EXPECT_EQ(ValueOf(back, u"Software\\A", u"y").data, Bytes(u"2"));
    EXPECT_NE(back.Find(u"Software\\B"), nullptr);
}

}  // namespace
}  // namespace quellon::formats::winereg
