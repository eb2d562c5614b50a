// Live definitions that name what no definition may: a protected registry
// key deleted whole is passed over by the scan and refused by the removal,
// while the values inside it stay removable.
#include "support/removal_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::string_view kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

constexpr std::string_view kRegistry =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
    "\"QpSpyRun\"=\"C:\\\\spy.exe\"\r\n\"QpUserTool\"=\"C:\\\\tool.exe\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QpSpySvc]\r\n"
    "\"Start\"=dword:00000002\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QpGoodSvc]\r\n"
    "\"Start\"=dword:00000002\r\n";

class DefinitionReachTest : public RemovalTest {
protected:
    bool KeyThere(platform::Hive hive, std::string_view key) {
        auto& reg = machine.Platform().registry;
        const platform::RegKey k = reg.OpenKey(hive, key, platform::kKeyAllAccessMask63);
        if (k != 0) {
            reg.CloseKey(k);
        }
        return k != 0;
    }
    bool ValueThere(platform::Hive hive, std::string_view key, std::string_view value) {
        auto& reg = machine.Platform().registry;
        const platform::RegKey k = reg.OpenKey(hive, key, platform::kKeyAllAccessMask63);
        if (k == 0) {
            return false;
        }
        const bool there = reg.QueryValue(k, value).has_value();
        reg.CloseKey(k);
        return there;
    }
};

TEST_F(DefinitionReachTest, OneLineNeverDeletesTheWholeRunKeyOrServices) {
    machine.WriteRegistry(kRegistry);
    WriteDefinitions({}, {std::string("1^") + std::string(kRun) + "^=Wiper",
                          std::string("1^") + std::string(kRun) + "^QpSpyRun=Spy",
                          "2^SYSTEM\\CurrentControlSet\\Services^=Wiper",
                          "2^system\\\\currentcontrolset\\services\\^  =Wiper",
                          "2^SYSTEM\\CurrentControlSet\\Services\\QpSpySvc^=Spy", "2^^=Wiper",
                          "3^.DEFAULT^=Wiper"});
    std::vector<std::pair<std::size_t, std::string>> passed;
    Form().ScanContext().onPassedOver = [&](definitions::Kind kind, std::size_t line,
                                            const std::string& reason) {
        EXPECT_EQ(kind, definitions::Kind::kRegistry);
        passed.emplace_back(line, reason);
    };
    Scan(false, false, true);
    auto& f = Form();
    ASSERT_EQ(passed.size(), 5u);
    EXPECT_EQ(passed[0].first, 1u);
    EXPECT_THAT(passed[0].second, HasSubstr("HKEY_CURRENT_USER\\" + std::string(kRun)));
    EXPECT_EQ(passed[1].first, 3u);
    EXPECT_EQ(passed[2].first, 4u);
    EXPECT_EQ(passed[3].first, 6u);
    EXPECT_EQ(passed[4].first, 7u);
    ASSERT_EQ(f.lvwRegistryToBeDeleted.Count(), 2u);
    EXPECT_EQ(f.lvwRegistryToBeDeleted.Item(0).SubItem(2), "QpSpyRun");
    EXPECT_EQ(f.lvwRegistryToBeDeleted.Item(1).SubItem(1),
              "SYSTEM\\CurrentControlSet\\Services\\QpSpySvc");
    // Every line still counts as inspected.
    EXPECT_EQ(f.lblRegistryInspected.Caption(), "7");

    // A row that names the whole Run key, however it got into the list, is
    // refused by the removal and stays.
    f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add("Planted", 2, {"HKEY_CURRENT_USER"});
    f.lvwRegistryToBeDeleted.Add("-2147483647", 0, {std::string(kRun) + "\\", "", "Planted"});
    RemoveAll();
    EXPECT_FALSE(ValueThere(platform::kHkeyCurrentUser, kRun, "QpSpyRun"));
    EXPECT_TRUE(ValueThere(platform::kHkeyCurrentUser, kRun, "QpUserTool"));
    EXPECT_FALSE(
        KeyThere(platform::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\QpSpySvc"));
    EXPECT_TRUE(
        KeyThere(platform::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\QpGoodSvc"));
    EXPECT_THAT(
        Texts(f.frmDelete.lstProblem),
        ElementsAre(HasSubstr("HKEY_CURRENT_USER\\" + std::string(kRun) + "\\ - not removed")));
    ASSERT_EQ(f.lvwRegistryToBeDeleted.Count(), 1u);
    EXPECT_FALSE(f.lvwRegistryToBeDeleted.Item(0).checked);
}

}  // namespace
}  // namespace quellon::testing
