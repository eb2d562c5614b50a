// The settings store's INI files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/backend_classes.h"
#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::TestMachine;

TEST(SettingsTest, NastyNamesAndValuesReadBackExactly) {
    TestMachine m;
    platform::SettingsStorage& s = m.Platform().settings;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "1"},
        {"  blank key ", "  leading and trailing  "},
        {"a=b", "x=y==z"},
        {";comment", "; not a comment"},
        {"[section]", "[x] # y"},
        {"100%", "%41 stays %41"},
        {"caf\xE9", "\xE9\xFF raw high bytes \x80"},
        {"lines", "one\r\ntwo\rthree\n"},
        {"tab\t", "\tx\t"},
        {"empty", ""},
    };
    for (const auto& [key, value] : cases) {
        ASSERT_TRUE(s.Set("Quellon Pro", "Weird [Section] =", key, value)) << key;
    }
    for (const auto& [key, value] : cases) {
        EXPECT_EQ(s.Get("Quellon Pro", "Weird [Section] =", key), value) << key;
    }
    std::vector<platform::SettingEntry> list = s.List("Quellon Pro");
    ASSERT_EQ(list.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(list[i].section, "Weird [Section] =");
        EXPECT_EQ(list[i].key, cases[i].first);
        EXPECT_EQ(list[i].value, cases[i].second);
    }
    // Non-ASCII bytes stay raw in the file; only the syntax is escaped.
    std::string file = ReadBytes(m.Config() / "Quellon Pro.ini");
    EXPECT_NE(file.find("caf\xE9=\xE9\xFF raw high bytes \x80\n"), std::string::npos);
    EXPECT_NE(file.find("[Weird %5BSection%5D %3D]\n"), std::string::npos);
}

TEST(SettingsTest, SectionsAndKeysIgnoreCaseAndKeepTheFirstSpelling) {
    TestMachine m;
    platform::SettingsStorage& s = m.Platform().settings;
    EXPECT_EQ(s.Get("Quellon Pro", "OptionAndSettings", "chkMakeLog"), std::nullopt);
    EXPECT_FALSE(fs::exists(m.Config() / "Quellon Pro.ini"));
    ASSERT_TRUE(s.Set("Quellon Pro", "OptionAndSettings", "chkMakeLog", "1"));
    ASSERT_TRUE(s.Set("Quellon Pro", "OPTIONANDSETTINGS", "CHKMAKELOG", "0"));
    ASSERT_TRUE(s.Set("Quellon Pro", "Drives", "C:\\", "1"));
    ASSERT_TRUE(s.Set("ZorazeRizavezOzuvuruz", "Settings", "Name", "x"));
    EXPECT_EQ(s.Get("Quellon Pro", "optionandsettings", "ChkMakeLog"), "0");
    std::vector<platform::SettingEntry> list = s.List("Quellon Pro");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].section, "OptionAndSettings");
    EXPECT_EQ(list[0].key, "chkMakeLog");
    EXPECT_EQ(list[1].key, "C:\\");
    EXPECT_EQ(s.Get("Quellon Pro", "Drives", "D:\\"), std::nullopt);
    EXPECT_EQ(s.Applications(), (std::vector<std::string>{"Quellon Pro", "ZorazeRizavezOzuvuruz"}));
}

TEST(SettingsTest, ApplicationNamesAreEscapedIntoFileNames) {
    TempDir dir;
    Backend backend(dir.path() / "machine", dir.path() / "config" / "deeper");
    platform::SettingsStorage& s = backend.Platform().settings;
    ASSERT_TRUE(s.Set("../evil/..", "S", "k", "v"));
    ASSERT_TRUE(s.Set(".hidden", "S", "k", "v"));
    EXPECT_TRUE(fs::exists(dir.path() / "config/deeper/%2E.%2Fevil%2F...ini"));
    EXPECT_EQ(s.Get("../evil/..", "s", "K"), "v");
    EXPECT_EQ(s.Applications(), (std::vector<std::string>{"../evil/..", ".hidden"}));
    // A file edited by hand: comments, blanks and unknown lines are tolerated.
    testing::WriteBytes(dir.path() / "config/deeper/Hand.ini",
                        "; note\r\n[ Main ]\r\n  key = value  \r\njunk\r\nkey=second\r\n");
    EXPECT_EQ(s.Get("Hand", "main", "KEY"), "value");
    EXPECT_EQ(s.Get("Missing", "main", "key"), std::nullopt);
}

TEST(SettingsTest, ReadsComeFromMemoryUntilTheFileChanges) {
    TempDir dir;
    IniSettings s(dir.path());
    IniSettings other(dir.path());
    ASSERT_TRUE(s.Set("App", "S", "k", "1"));
    // What the store wrote itself it does not read back from the file.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(s.Get("App", "S", "k"), "1");
    }
    EXPECT_EQ(s.FileReads(), 0u);
    // Another writer's change (here of the same length) is seen at once.
    ASSERT_TRUE(other.Set("App", "S", "k", "2"));
    EXPECT_EQ(s.Get("App", "s", "K"), "2");
    EXPECT_EQ(s.Get("App", "S", "k"), "2");
    EXPECT_EQ(s.FileReads(), 1u);
    // A file replaced or removed from outside, too.
    testing::WriteBytes(dir.path() / "App.ini", "[S]\r\nk=3\r\n");
    EXPECT_EQ(s.Get("App", "S", "k"), "3");
    fs::remove(dir.path() / "App.ini");
    EXPECT_EQ(s.Get("App", "S", "k"), std::nullopt);
    EXPECT_EQ(s.List("App").size(), 0u);
}

TEST(SettingsTest, TwoWritersKeepEachOthersKeys) {
    TestMachine m;
    constexpr int kKeys = 40;
    pid_t child = ::fork();
    if (child == 0) {
        Backend other(m.Root(), m.Config());
        bool ok = true;
        for (int i = 0; i < kKeys; ++i) {
            ok = other.Platform().settings.Set("Shared", "S", "child" + std::to_string(i), "c") &&
                 ok;
        }
        ::_exit(ok ? 0 : 1);
    }
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_TRUE(m.Platform().settings.Set("Shared", "S", "parent" + std::to_string(i), "p"));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<platform::SettingEntry> list = m.Platform().settings.List("Shared");
    EXPECT_EQ(list.size(), 2u * kKeys);
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(m.Platform().settings.Get("Shared", "S", "child" + std::to_string(i)), "c");
        EXPECT_EQ(m.Platform().settings.Get("Shared", "S", "parent" + std::to_string(i)), "p");
    }
}

}  // namespace
}  // namespace quellon::posix
