// The Windows path rules, as text: every backend resolves through them.
#include "common/winpath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quellon::winpath {
namespace {

using namespace std::string_literals;

// The components of a normalized path joined with "|", or "-" for none.
std::string Parts(std::string_view path) {
    const std::optional<Normalized> n = Normalize(path);
    if (!n) {
        return "-";
    }
    std::string out(1, n->drive);
    out += ':';
    for (std::string_view c : n->components) {
        out += '|';
        out += c;
    }
    return out;
}

TEST(WinPathDrive, LettersAndRoots) {
    EXPECT_TRUE(IsDriveLetter('a'));
    EXPECT_TRUE(IsDriveLetter('Z'));
    for (char c : {'@', '[', '`', '{', '0', ':', '\\', '\xC0', '\xE0'}) {
        EXPECT_FALSE(IsDriveLetter(c)) << int(c);
        EXPECT_EQ(DriveIndex(c), -1) << int(c);
    }
    EXPECT_EQ(DriveIndex('A'), 0);
    EXPECT_EQ(DriveIndex('c'), 2);
    EXPECT_EQ(DriveIndex('z'), 25);

    EXPECT_TRUE(IsAbsolute("C:\\"));
    EXPECT_TRUE(IsAbsolute("c:\\windows"));
    EXPECT_TRUE(IsAbsolute("Z:\\\\x"));
    for (const char* p : {"", "C", "C:", "C:x", "C:/x", "\\x", "\\\\server\\share\\x", "1:\\x",
                          ":\\x", "CC:\\x", "\xC0:\\x", "x\\C:\\"}) {
        EXPECT_FALSE(IsAbsolute(p)) << p;
    }

    // The drive as written, for building "X:\Program Files".
    EXPECT_EQ(DriveOf("c:\\windows"), "c:");
    EXPECT_EQ(DriveOf("D:"), "D:");
    EXPECT_EQ(DriveOf("C"), "");
    EXPECT_EQ(DriveOf("1:\\x"), "");
    EXPECT_EQ(DriveOf("\\\\x\\y"), "");

    // Drive names as machine.ini keys give them.
    EXPECT_EQ(DriveNamed("C"), 'C');
    EXPECT_EQ(DriveNamed("d:"), 'D');
    for (const char* n : {"", ":", "C:\\", "CD", "1", "1:", "C;"}) {
        EXPECT_EQ(DriveNamed(n), '\0') << n;
    }
}

TEST(WinPathNormalize, DotsAndEmptyComponents) {
    EXPECT_EQ(Parts("C:\\"), "C:");
    EXPECT_EQ(Parts("c:\\Windows\\System32"), "C:|Windows|System32");
    EXPECT_EQ(Parts("C:\\a\\\\b\\.\\f.txt"), "C:|a|b|f.txt");
    EXPECT_EQ(Parts("C:\\a\\x\\..\\b\\f.txt"), "C:|a|b|f.txt");
    EXPECT_EQ(Parts("C:\\a\\..\\a\\B\\F.TXT\\"), "C:|a|B|F.TXT");
    EXPECT_EQ(Parts("C:\\a\\b\\..\\.."), "C:");
    // Names that only look like dots are names.
    EXPECT_EQ(Parts("C:\\...\\.x\\x."), "C:|...|.x|x.");
    // The views point into the given text.
    const std::string path = "C:\\dir\\file";
    const std::optional<Normalized> n = Normalize(path);
    ASSERT_TRUE(n);
    ASSERT_EQ(n->components.size(), 2u);
    EXPECT_EQ(n->components[1].data(), path.data() + 7);
}

TEST(WinPathNormalize, DotDotAtTheRootLeavesTheDrive) {
    EXPECT_EQ(Parts("C:\\.."), "-");
    EXPECT_EQ(Parts("C:\\..\\machine.ini"), "-");
    EXPECT_EQ(Parts("C:\\a\\..\\.."), "-");
    EXPECT_EQ(Parts("C:\\a\\..\\..\\drive_c\\a"), "-");
    EXPECT_EQ(Parts("Z:\\.\\..\\x"), "-");
    // Going back down afterwards does not help, nor does an empty component.
    EXPECT_EQ(Parts("C:\\\\..\\x"), "-");
}

TEST(WinPathNormalize, RelativeOddAndUnsafePaths) {
    for (const char* p : {"", "a\\b", "\\x", "\\\\server\\share\\x", "C:", "C:a", "Q", "1:\\x"}) {
        EXPECT_EQ(Parts(p), "-") << p;
    }
    EXPECT_EQ(Parts("C:\\a\0b"s), "-");
    EXPECT_EQ(Parts("C:\\a\\b\0"s), "-");
}

TEST(WinPathComponents, MixedSeparators) {
    // A "/" inside a component makes the path unusable, even where a later
    // ".." would drop that component.
    EXPECT_EQ(Parts("C:\\a/b\\f.txt"), "-");
    EXPECT_EQ(Parts("C:/a"), "-");
    EXPECT_EQ(Parts("C:\\a/b\\..\\c"), "-");
    EXPECT_EQ(Parts("C:\\a\\./"), "-");

    EXPECT_TRUE(IsPlainComponent("a"));
    EXPECT_TRUE(IsPlainComponent("..."));
    EXPECT_TRUE(IsPlainComponent("a b.txt"));
    for (const char* c : {"", ".", "..", "a/b", "/", "./"}) {
        EXPECT_FALSE(IsPlainComponent(c)) << c;
    }
    EXPECT_TRUE(HasOnlyPlainComponents("a"));
    EXPECT_TRUE(HasOnlyPlainComponents("Program Files\\x\\y.dll"));
    for (const char* r :
         {"", "\\", "a\\", "\\a", "a\\\\b", "a\\.\\b", "a\\..", "a/b\\c", "a\\b/"}) {
        EXPECT_FALSE(HasOnlyPlainComponents(r)) << r;
    }

    std::string_view rest = "a\\\\b\\";
    std::vector<std::string_view> taken;
    while (!rest.empty()) {
        taken.push_back(TakeComponent(rest));
    }
    EXPECT_EQ(taken, (std::vector<std::string_view>{"a", "", "b"}));
    rest = "a/b";
    EXPECT_EQ(TakeComponent(rest), "a/b");
    EXPECT_TRUE(rest.empty());
}

TEST(WinPathCharacters, NulAndWildcards) {
    EXPECT_FALSE(HasNul("C:\\a"));
    EXPECT_TRUE(HasNul("C:\\a\0"s));
    EXPECT_TRUE(HasNul("\0"s));
    EXPECT_FALSE(HasNul(""));
    EXPECT_TRUE(HasWildcard("C:\\*.txt"));
    EXPECT_TRUE(HasWildcard("C:\\a?c"));
    EXPECT_FALSE(HasWildcard("C:\\[a]#~1"));

    EXPECT_TRUE(IsLiteral("C:\\a b\\c.txt"));
    EXPECT_TRUE(IsLiteral("relative"));
    EXPECT_FALSE(IsLiteral(""));
    EXPECT_FALSE(IsLiteral("C:\\*"));
    EXPECT_FALSE(IsLiteral("C:\\?"));
    EXPECT_FALSE(IsLiteral("C:\\a\0b"s));
}

TEST(WinPathNames, BareNameAndFolder) {
    EXPECT_EQ(BareName("C:\\Windows\\notepad.exe"), "notepad.exe");
    EXPECT_EQ(BareName("notepad.exe"), "notepad.exe");
    EXPECT_EQ(BareName("C:\\dir\\"), "");
    EXPECT_EQ(BareName("C:\\"), "");
    EXPECT_EQ(BareName("a/b"), "a/b");
    EXPECT_EQ(FolderOf("C:\\Windows\\notepad.exe"), "C:\\Windows");
    EXPECT_EQ(FolderOf("C:\\x"), "C:");
    EXPECT_EQ(FolderOf("x"), "");
}

TEST(WinPathFolders, TrailingSeparatorsAndJoining) {
    EXPECT_EQ(WithoutTrailingSeparators("C:\\WINDOWS\\"), "C:\\WINDOWS");
    EXPECT_EQ(WithoutTrailingSeparators("C:\\WINDOWS\\\\\\"), "C:\\WINDOWS");
    EXPECT_EQ(WithoutTrailingSeparators("C:\\"), "C:\\");
    EXPECT_EQ(WithoutTrailingSeparators("C:\\\\"), "C:\\");
    EXPECT_EQ(WithoutTrailingSeparators("C:"), "C:");
    EXPECT_EQ(WithoutTrailingSeparators(""), "");

    EXPECT_EQ(FolderPrefix("C:\\dir"), "C:\\dir\\");
    EXPECT_EQ(FolderPrefix("C:\\dir\\\\"), "C:\\dir\\");
    EXPECT_EQ(FolderPrefix("C:\\"), "C:\\");
    EXPECT_EQ(FolderPrefix("C:"), "C:\\");

    EXPECT_EQ(Join("C:\\dir", "f.txt"), "C:\\dir\\f.txt");
    EXPECT_EQ(Join("C:\\dir\\", "f.txt"), "C:\\dir\\f.txt");
    EXPECT_EQ(Join("C:\\dir\\\\", "\\\\f.txt"), "C:\\dir\\f.txt");
    EXPECT_EQ(Join("C:\\", "f.txt"), "C:\\f.txt");
    EXPECT_EQ(Join("C:", "f.txt"), "C:\\f.txt");
    EXPECT_EQ(Join("C:\\dir", "sub\\f.txt"), "C:\\dir\\sub\\f.txt");
    EXPECT_EQ(Join("C:\\dir", ""), "C:\\dir\\");
    EXPECT_EQ(Join("", "f.txt"), "f.txt");
}

TEST(WinPathFolders, CaseBlindPrefixTrimming) {
    EXPECT_EQ(RelativeTo("C:\\Windows\\System32\\x.dll", "c:\\WINDOWS"), "System32\\x.dll");
    EXPECT_EQ(RelativeTo("C:\\Windows\\System32\\x.dll", "c:\\WINDOWS\\"), "System32\\x.dll");
    EXPECT_EQ(RelativeTo("c:\\caf\xE9\\x", "C:\\CAF\xC9"), "x");
    EXPECT_EQ(RelativeTo("C:\\x\\y", "C:\\"), "x\\y");
    EXPECT_EQ(RelativeTo("C:\\Windows", "C:\\Windows"), "");
    EXPECT_EQ(RelativeTo("C:\\Windows\\", "C:\\Windows"), "");
    EXPECT_EQ(RelativeTo("C:\\Windows\\\\x", "C:\\Windows"), "x");
    // Whole components only.
    EXPECT_EQ(RelativeTo("C:\\WindowsApps\\x", "C:\\Windows"), std::nullopt);
    EXPECT_EQ(RelativeTo("C:\\Win", "C:\\Windows"), std::nullopt);
    EXPECT_EQ(RelativeTo("D:\\Windows\\x", "C:\\Windows"), std::nullopt);
    EXPECT_EQ(RelativeTo("C:\\x", ""), std::nullopt);
    EXPECT_EQ(RelativeTo("C:\\x", "\\"), std::nullopt);
}

}  // namespace
}  // namespace quellon::winpath
