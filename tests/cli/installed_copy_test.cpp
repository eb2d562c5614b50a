// A copy of quellon-cli without --home: beside itself while it is not an
// installed copy, else in the user's data folder, which gets the starter
// definitions the first time.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_fixture.h"

namespace quellon::cli {
namespace {

constexpr const char* kDefinitionFiles[] = {"FileDefinition.dat", "RegistryDefinition.dat",
                                            "ExeDefinition.dat", "BlockedCookies.dat"};

class InstalledCopyTest : public CliEndToEnd {
protected:
    // A folder with a copy of the program and the starter definitions.
    fs::path CopyProgram(const std::string& name, bool installed) {
        const fs::path folder = tmp_.path() / name;
        fs::create_directories(folder);
        fs::copy_file(bin_ / "quellon-cli", folder / "quellon-cli");
        for (const char* file : kDefinitionFiles) {
            fs::copy_file(bin_ / file, folder / file);
        }
        if (installed) {
            WriteAll(folder / "Installed.txt", "installed\n");
        }
        return folder;
    }

    // A scan of an empty machine by the copy, for a user whose home is
    // `user`, with no folder named by the environment. The memory scan is
    // off: it would see the demo process of a test running beside this one.
    Result ScanAsUser(const fs::path& program, const fs::path& user, const std::string& env = "") {
        const fs::path machine = tmp_.path() / "machine";
        fs::create_directories(machine / "drive_c");
        const Result off = Cli({"--config", (user / "config").string(), "settings", "set",
                                "Quellon Pro", "OptionAndSettings", "chkSweepMemory", "0"});
        EXPECT_EQ(off.status, 0) << off.err;
        return Shell("env -u QUELLON_HOME -u QUELLON_MACHINE -u QUELLON_CONFIG -u XDG_DATA_HOME " +
                     env + " HOME=" + Quoted(user.string()) + " " +
                     Quoted((program / "quellon-cli").string()) + " --machine " +
                     Quoted(machine.string()) + " --config " + Quoted((user / "config").string()) +
                     " scan");
    }
};

TEST_F(InstalledCopyTest, AnInstalledCopyKeepsTheDataInTheUsersFolder) {
    const fs::path program = CopyProgram("installed", true);
    const fs::path user = tmp_.path() / "user";
    const fs::path data = user / ".local" / "share" / "quellon-pro";
    const Result scan = ScanAsUser(program, user);
    ASSERT_EQ(scan.status, 0) << scan.out << scan.err;
    for (const char* file : kDefinitionFiles) {
        EXPECT_EQ(ReadAll(data / file), ReadAll(program / file)) << file;
    }
    EXPECT_TRUE(fs::is_regular_file(data / "Scan_Log.txt"));
    EXPECT_FALSE(fs::exists(program / "Scan_Log.txt"));

    // Definitions a later start finds there are the ones it uses.
    WriteAll(data / "ExeDefinition.dat", "");
    ASSERT_EQ(ScanAsUser(program, user).status, 0);
    EXPECT_EQ(ReadAll(data / "ExeDefinition.dat"), "");

    // $XDG_DATA_HOME names the user's data folder.
    const fs::path xdg = tmp_.path() / "xdg data";
    const Result elsewhere =
        ScanAsUser(program, tmp_.path() / "user2", "XDG_DATA_HOME=" + Quoted(xdg.string()));
    ASSERT_EQ(elsewhere.status, 0) << elsewhere.err;
    EXPECT_TRUE(fs::is_regular_file(xdg / "quellon-pro" / "FileDefinition.dat"));
}

TEST_F(InstalledCopyTest, ACopyThatIsNotInstalledKeepsTheDataBesideItself) {
    const fs::path program = CopyProgram("portable", false);
    const fs::path user = tmp_.path() / "user";
    const Result scan = ScanAsUser(program, user);
    ASSERT_EQ(scan.status, 0) << scan.out << scan.err;
    EXPECT_TRUE(fs::is_regular_file(program / "Scan_Log.txt"));
    EXPECT_FALSE(fs::exists(user / ".local" / "share" / "quellon-pro"));
}

}  // namespace
}  // namespace quellon::cli
