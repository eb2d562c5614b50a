// What a definition line may name: paths inside the machine only, and no
// protected registry key deleted whole.
#include "definitions/definition_reach.h"

#include <gtest/gtest.h>

#include "definitions/codec.h"
#include "definitions/definition_check.h"

namespace quellon::testing {
namespace {

using definitions::FilePathRefusal;
using definitions::IsProtectedKey;
using definitions::Kind;

bool PathOk(std::string_view path, std::string_view hostDrives = "Z") {
    return !FilePathRefusal(path, hostDrives).has_value();
}

TEST(DefinitionReachTest, PathsMustStayOnTheMachinesOwnDrives) {
    EXPECT_TRUE(PathOk("C:\\WINDOWS\\system32\\abc.dll"));
    EXPECT_TRUE(PathOk("d:\\Program Files\\x\\y.exe"));
    EXPECT_TRUE(PathOk("C:\\x\\..y\\a..b.dll"));  // dots inside a name are a name
    // The host's root, in either case, and whatever drives the platform names.
    EXPECT_FALSE(PathOk("Z:\\home\\me\\thesis.odt"));
    EXPECT_FALSE(PathOk("z:/home/me/thesis.odt"));
    EXPECT_FALSE(PathOk("H:\\x.txt", "ZH"));
    EXPECT_TRUE(PathOk("Z:\\x.txt", ""));
    // Shares and device paths, with either separator.
    for (std::string_view p : {"\\\\server\\share\\x.dll", "\\\\?\\C:\\x.dll", "\\\\.\\C:\\x.dll",
                               "//server/share/x.dll", "\\/server\\x.dll", "\\??\\C:\\x.dll"}) {
        EXPECT_FALSE(PathOk(p)) << p;
    }
    // Not from a drive's root: relative, drive-relative, empty.
    for (std::string_view p : {"x.dll", "C:x.dll", "\\x.dll", ""}) {
        EXPECT_FALSE(PathOk(p)) << p;
    }
    // "..", also as Windows reads it with trailing dots and blanks.
    for (std::string_view p : {"C:\\a\\..\\..\\x", "C:\\..", "C:\\a\\...\\x", "C:\\a\\.. \\x",
                               "C:/a/../x", "C:\\a\\.\\x"}) {
        EXPECT_FALSE(PathOk(p)) << p;
    }
    EXPECT_FALSE(PathOk(std::string("C:\\a\0b", 7)));
}

TEST(DefinitionReachTest, BackslashPairsCollapseLeftToRight) {
    auto collapsed = [](std::string s) {
        definitions::CollapseBackslashes(s);
        return s;
    };
    EXPECT_EQ(collapsed("C:\\a\\b.dll"), "C:\\a\\b.dll");
    EXPECT_EQ(collapsed(""), "");
    EXPECT_EQ(collapsed("\\"), "\\");
    EXPECT_EQ(collapsed("a\\"), "a\\");
    EXPECT_EQ(collapsed("\\\\a"), "\\a");
    EXPECT_EQ(collapsed("a\\\\"), "a\\");
    EXPECT_EQ(collapsed("C:\\a\\\\\\b"), "C:\\a\\\\b");  // three give two
    EXPECT_EQ(collapsed("C:\\a\\\\\\\\b\\c\\\\d"), "C:\\a\\\\b\\c\\d");
}

TEST(DefinitionReachTest, FilePathsAreCheckedAsTheScanBuildsThem) {
    const definitions::FileFolders folders;
    // Tokens, collapsing and joining as the known-file scan does them.
    EXPECT_EQ(definitions::FileDefinitionPath("abc.dll=Foo|[wDir]\\system32", folders),
              "C:\\WINDOWS\\system32\\abc.dll");
    EXPECT_EQ(definitions::FileDefinitionPath("abc.dll=Foo", folders),
              "C:\\WINDOWS\\system32\\abc.dll");
    auto refused = [](std::string_view line) {
        return definitions::DefinitionLineRefusal(Kind::kFile, line, "Z").has_value();
    };
    EXPECT_FALSE(refused("abc.dll=Foo|[pfiles]Foo"));
    EXPECT_FALSE(refused("drivers\\x.sys=Foo"));
    EXPECT_TRUE(refused("thesis.odt=Foo|Z:\\home\\me"));
    EXPECT_TRUE(refused("thesis.odt=Foo|z:"));
    // Doubled backslashes collapse into a share only after the building.
    EXPECT_TRUE(refused("x.dll=Foo|\\\\\\\\host\\share"));
    EXPECT_TRUE(refused("x.dll=Foo|\\\\host\\share"));
    EXPECT_TRUE(refused("x.dll=Foo|\\\\?\\C:\\x"));
    EXPECT_TRUE(refused("x.dll=Foo|//host/share"));
    EXPECT_TRUE(refused("..\\..\\..\\boot.ini=Foo"));
    EXPECT_TRUE(refused("x.dll=Foo|[wDir]..\\..\\y"));
    EXPECT_TRUE(refused("x.dll=Foo|relative\\folder"));
    // Lines of kinds that name no path are never refused here.
    EXPECT_FALSE(definitions::DefinitionLineRefusal(Kind::kExe, "..", "Z"));
    EXPECT_FALSE(definitions::DefinitionLineRefusal(Kind::kCookie, "z:", "Z"));
}

TEST(DefinitionReachTest, ProtectedKeysAreNeverDeletedWhole) {
    using namespace platform;
    const std::string_view run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (Hive hive : {kHkeyLocalMachine, kHkeyCurrentUser, kHkeyClassesRoot, kHkeyUsers,
                      kHkeyCurrentConfig, kHkeyDynData}) {
        EXPECT_TRUE(IsProtectedKey(hive, "")) << hive;
        EXPECT_TRUE(IsProtectedKey(hive, "\\")) << hive;
    }
    for (std::string_view key : std::initializer_list<std::string_view>{
             "Software", "SOFTWARE\\", "software\\microsoft", "Software\\Microsoft\\Windows",
             "Software\\Microsoft\\Windows\\CurrentVersion", run,
             "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
             "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "Software\\Classes",
             "Software\\Classes\\CLSID", "SYSTEM", "System\\CurrentControlSet",
             "SYSTEM\\CurrentControlSet\\Services", "SYSTEM\\ControlSet001\\Services",
             "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
             // Separators doubled, around or with blanks, the 32-bit view.
             "\\Software\\\\Microsoft\\Windows\\CurrentVersion\\\\Run\\",
             " Software\\Microsoft\\Windows\\CurrentVersion\\Run ",
             "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"}) {
        EXPECT_TRUE(IsProtectedKey(kHkeyLocalMachine, key)) << key;
    }
    EXPECT_TRUE(IsProtectedKey(kHkeyCurrentUser, run));
    EXPECT_TRUE(IsProtectedKey(kHkeyClassesRoot, "CLSID"));
    EXPECT_TRUE(IsProtectedKey(kHkeyClassesRoot, "clsid\\"));
    // Below HKEY_USERS: a user's whole hive, and the same keys inside it.
    EXPECT_TRUE(IsProtectedKey(kHkeyUsers, "S-1-5-21-1-2-3-1000"));
    EXPECT_TRUE(
        IsProtectedKey(kHkeyUsers, std::string("S-1-5-21-1-2-3-1000\\") + std::string(run)));
    EXPECT_TRUE(IsProtectedKey(kHkeyUsers, ".DEFAULT\\Software"));
    EXPECT_TRUE(IsProtectedKey(kHkeyUsers, "S-1-5-21-1000_Classes\\CLSID"));
    EXPECT_TRUE(IsProtectedKey(0, "Software\\Spy"));  // an unknown hive

    // What spyware leaves behind stays removable, also below the protected keys.
    for (std::string_view key :
         {"Software\\QP AdBar", "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Spy",
          "SYSTEM\\CurrentControlSet\\Services\\SpySvc",
          "System\\CurrentControlSet\\Control\\Print\\Printers\\Dialer99 Fax",
          "Software\\Classes\\CLSID\\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}",
          "Software\\Microsoft\\Windows\\CurrentVersionX", "SoftwareX"}) {
        EXPECT_FALSE(IsProtectedKey(kHkeyLocalMachine, key)) << key;
    }
    EXPECT_FALSE(IsProtectedKey(kHkeyClassesRoot, "CLSID\\{5A1E0B7C-3D2F-4E61-9C0A-7B51AD0BA001}"));
    EXPECT_FALSE(IsProtectedKey(kHkeyUsers, ".DEFAULT\\Software\\PopperAds"));

    // A value inside a protected key may go; the key (a blank value name) not.
    EXPECT_FALSE(definitions::RegistryEntryRefusal(kHkeyCurrentUser, run, "PopperAds"));
    const auto whole = definitions::RegistryEntryRefusal(kHkeyCurrentUser, run, "  ");
    ASSERT_TRUE(whole.has_value());
    EXPECT_NE(whole->find("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
              std::string::npos)
        << *whole;
}

// Most keys a scan meets are a program's own, deep in the tree, and are
// answered without folding the whole key; the keys that only look like a
// program's (odd case, blanks, tabs, the 32-bit view repeated, another
// control set, a user's classes) are still the protected ones.
TEST(DefinitionReachTest, ProtectedKeysInEveryDisguiseAndLookalikesThatAreNot) {
    using namespace platform;
    for (std::string_view key : std::initializer_list<std::string_view>{
             "\tSoftware\\ Policies\t", "\t\\\tSoftware\\\t", "sOfTwArE\\\\ClAsSeS\\clsid",
             "Software\\Wow6432Node\\WOW6432NODE\\Policies", "System\\ControlSet002",
             "SYSTEM\\ControlSet999\\Enum", "  \\ \\System\\Select\\ \\"}) {
        EXPECT_TRUE(IsProtectedKey(kHkeyLocalMachine, key)) << key;
    }
    EXPECT_TRUE(IsProtectedKey(kHkeyUsers, "S-1-5-21-9_Classes\\Wow6432Node\\CLSID"));
    EXPECT_TRUE(IsProtectedKey(kHkeyUsers, " \\S-1-5-21-9\\"));
    EXPECT_TRUE(IsProtectedKey(kHkeyClassesRoot, "Wow6432Node\\CLSID"));
    for (std::string_view key : std::initializer_list<std::string_view>{
             "Software\\Policies\\Vendor", "SYSTEM\\ControlSet01x\\Services",
             "SYSTEM\\ControlSet0001\\Services", "Software\\ \\Microsoft",
             "Software\\Classes\\CLSID\\Run", "Software\\Wow6432Node\\Vendor\\Run",
             "Vendor\\Software", "Software\t\\Policies"}) {
        EXPECT_FALSE(IsProtectedKey(kHkeyLocalMachine, key)) << key;
    }
    EXPECT_FALSE(IsProtectedKey(kHkeyUsers, "S-1-5-21-9\\Software\\Vendor"));
    EXPECT_FALSE(IsProtectedKey(kHkeyUsers, "SOFTWARE\\Vendor"));
}

TEST(DefinitionReachTest, AFileThatNamesTooMuchIsRefusedAtItsLine) {
    auto stored = [](std::initializer_list<std::string_view> lines) {
        std::string out;
        for (std::string_view line : lines) {
            out += definitions::EncodeDefinitionLine(line) + "\r\n";
        }
        return out;
    };
    const auto files = definitions::CheckDefinitionFile(
        Kind::kFile, stored({"a.dll=A", "b.dll=B|[wDir]", "thesis.odt=T|Z:\\home\\me"}), false);
    EXPECT_FALSE(files.status.ok());
    EXPECT_EQ(files.line, 3u);
    EXPECT_NE(files.status.reason().find("line 3"), std::string::npos) << files.status.reason();
    // The platform's drives count as well as Z:.
    const std::string onH = stored({"a.dll=A|H:\\x"});
    EXPECT_TRUE(definitions::CheckDefinitionFile(Kind::kFile, onH, false).status.ok());
    EXPECT_FALSE(definitions::CheckDefinitionFile(Kind::kFile, onH, false, "ZH").status.ok());

    const auto keys = definitions::CheckDefinitionFile(
        Kind::kRegistry,
        stored({"1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^Spy=Spy",
                "1^Software\\Microsoft\\Windows\\CurrentVersion\\Run^=Spy"}),
        false);
    EXPECT_FALSE(keys.status.ok());
    EXPECT_EQ(keys.line, 2u);
}

TEST(DefinitionReachTest, OutputEscapesWhatCouldSteerATerminal) {
    EXPECT_EQ(definitions::EscapeForOutput("C:\\x\x1b[2J\r\nfake\xE9"),
              "C:\\\\x\\x1B[2J\\x0D\\x0Afake\\xE9");
}

}  // namespace
}  // namespace quellon::testing
