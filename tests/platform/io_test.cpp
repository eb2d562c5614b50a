// The backend's small file helpers.
#include "platform/posix/io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;

TEST(IoTest, ReadLinkGivesTheWholeTarget) {
    testing::TestMachine m;
    const fs::path dir = m.Root() / "links";
    fs::create_directories(dir);

    fs::create_symlink("target.txt", dir / "short");
    EXPECT_EQ(io::ReadLink(dir / "short"), "target.txt");

    // Longer than any first guess of a buffer: never cut short.
    std::string longTarget;
    while (longTarget.size() < 3000) {
        longTarget += "/a-rather-long-folder-name";
    }
    fs::create_symlink(longTarget, dir / "long");
    EXPECT_EQ(io::ReadLink(dir / "long"), longTarget);

    // A dangling link still names its target; what is no link has none.
    fs::create_symlink("missing", dir / "dangling");
    EXPECT_EQ(io::ReadLink(dir / "dangling"), "missing");
    EXPECT_EQ(io::ReadLink(dir), std::nullopt);
    EXPECT_EQ(io::ReadLink(dir / "nothing here"), std::nullopt);

    // A live process's link, as the process lists read them.
    const auto self = io::ReadLink("/proc/" + std::to_string(::getpid()) + "/exe");
    ASSERT_TRUE(self.has_value());
    EXPECT_TRUE(fs::equivalent(*self, "/proc/self/exe"));
}

}  // namespace
}  // namespace quellon::posix
