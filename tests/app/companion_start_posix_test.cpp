// Starting the restart companion: the variables reach it exactly as given,
// whatever characters the folders hold, and a start that cannot work says so.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/start_up.h"
#include "platform/restart_protocol.h"
#include "support/temp_dir.h"

namespace quellon::testing {
namespace {

namespace fs = std::filesystem;

// A companion that writes the variables it was started with to `out`.
fs::path WriteCompanion(const fs::path& folder, const fs::path& out) {
    const fs::path script = folder / "quellon-restart";
    std::ofstream(script) << "#!/bin/sh\n"
                             "printf '%s\\n%s\\n%s\\n' \"$QUELLON_HOME\" \"$QUELLON_RESTART_PID\" "
                             "\"$QUELLON_RESTART_PROGRAM\" > '"
                          << (out.string() + ".part") << "'\nmv '" << out.string() + ".part' '"
                          << out.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

std::string WaitForFile(const fs::path& path) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(path) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(CompanionStartTest, ValuesArriveUnchangedWithoutAShellReadingThem) {
    TempDir dir;
    const fs::path out = dir.path() / "seen.txt";
    WriteCompanion(dir.path(), out);
    const std::string home = "/tmp/it's a \"home\" $(touch pwned) `x` ; & | $HOME";
    // The companion beside the program is the one started.
    ASSERT_TRUE(app::StartRestartCompanion(dir.path() / "quellon-pro", 77, {home, "", ""}));
    EXPECT_EQ(WaitForFile(out), home + "\n77\n" + (dir.path() / "quellon-pro").string() + "\n");
    EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
    EXPECT_FALSE(app::StartRestartCompanion(dir.path() / "sub" / "quellon-pro", 77, {}));
}

TEST(CompanionStartTest, AStartThatCannotWorkFails) {
    TempDir dir;
    const fs::path companion = WriteCompanion(dir.path(), dir.path() / "seen.txt");
    // Missing, or not executable.
    EXPECT_FALSE(platform::StartCompanionDetached(dir.path() / "missing", {}));
    fs::permissions(companion, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(platform::StartCompanionDetached(companion, {}));
    fs::permissions(companion, fs::perms::owner_all);
    // A name that is no plain name would be read by the shell.
    EXPECT_FALSE(platform::StartCompanionDetached(companion, {{"A=B; touch x #", "1"}}));
    EXPECT_FALSE(platform::StartCompanionDetached(companion, {{"1A", "1"}}));
    EXPECT_FALSE(platform::StartCompanionDetached(companion, {{"", "1"}}));
    EXPECT_FALSE(fs::exists(dir.path() / "seen.txt"));
}

}  // namespace
}  // namespace quellon::testing
