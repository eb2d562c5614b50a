// The lock a Wine prefix's server holds while it runs, taken by a change of
// the prefix's registry files: other processes lock the file as a starting
// wineserver does (a write lock with F_SETLK), so each side sees the other.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/wine_server.h"
#include "support/temp_dir.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using wine::ServerLock;

// In a child process, as a starting server: true when it got the lock.
bool ChildGetsLock(const fs::path& file) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;  // the first byte is enough to meet a lock of the whole file
        ::_exit(fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A child that holds the lock of `file` (as a running server) until `release` closes.
pid_t ChildHoldsLock(const fs::path& file, int& release) {
    int ready[2], hold[2];
    if (::pipe(ready) != 0 || ::pipe(hold) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(hold[1]);
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        const char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        char c;
        (void)!::read(hold[0], &c, 1);  // until the parent closes its end
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    char ok = '0';
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    release = hold[1];
    return ok == '1' ? pid : -1;
}

TEST(WineServerLock, NoServerStartsWhileItIsHeldAndNoneIsOverruled) {
    testing::TempDir dir;
    const fs::path prefix = dir.path() / "prefix";
    fs::create_directories(prefix);
    std::vector<fs::path> files;
    {
        const ServerLock lock = ServerLock::Take(prefix);
        ASSERT_EQ(lock.state(), ServerLock::State::kHeld);
        files = lock.Files();
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].parent_path().parent_path(),
                  fs::path("/tmp") / (".wine-" + std::to_string(::getuid())));
        EXPECT_EQ(fs::status(files[0].parent_path()).permissions() & fs::perms::all,
                  fs::perms::owner_all);
        // A server starting now cannot take its lock, and is not seen as running.
        EXPECT_FALSE(ChildGetsLock(files[0]));
        EXPECT_FALSE(wine::RunningServer(prefix));
    }
    // Given up when the change ends.
    EXPECT_TRUE(ChildGetsLock(files[0]));

    // While a server holds it, the lock is not taken and the server is seen.
    int release = -1;
    const pid_t server = ChildHoldsLock(files[0], release);
    ASSERT_GT(server, 0);
    EXPECT_EQ(ServerLock::Take(prefix).state(), ServerLock::State::kServerRuns);
    EXPECT_EQ(wine::RunningServer(prefix), files[0].parent_path());
    ::close(release);
    ::waitpid(server, nullptr, 0);
    EXPECT_EQ(ServerLock::Take(prefix).state(), ServerLock::State::kHeld);
    std::error_code ec;
    fs::remove_all(files[0].parent_path(), ec);
}

// Debian's Wine keeps the server's folder in a folder the prefix names: its
// lock is taken too, and a server there is met as well.
TEST(WineServerLock, TheFolderThePrefixNamesIsLockedToo) {
    testing::TempDir dir;
    const fs::path prefix = dir.path() / "prefix";
    fs::create_directories(prefix);
    const char* tmp = std::getenv("TMPDIR");
    const fs::path base = tmp != nullptr && tmp[0] == '/' ? fs::path(tmp) : fs::path("/tmp");
    char name[] = "wine-XXXXXX";
    const fs::path made = base / name;
    std::string templ = made.string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    const fs::path debian(templ);
    {
        std::FILE* f = std::fopen((prefix / "wineserver").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs((debian.filename().string() + "\n").c_str(), f);
        std::fclose(f);
    }
    std::vector<fs::path> files;
    {
        const ServerLock lock = ServerLock::Take(prefix);
        ASSERT_EQ(lock.state(), ServerLock::State::kHeld);
        files = lock.Files();
        ASSERT_EQ(files.size(), 2u);
        EXPECT_EQ(files[1].parent_path().parent_path(), debian);
        EXPECT_FALSE(ChildGetsLock(files[1]));
    }
    int release = -1;
    const pid_t server = ChildHoldsLock(files[1], release);
    ASSERT_GT(server, 0);
    EXPECT_EQ(ServerLock::Take(prefix).state(), ServerLock::State::kServerRuns);
    EXPECT_TRUE(ChildGetsLock(files[0])) << "what was taken before is given up";
    ::close(release);
    ::waitpid(server, nullptr, 0);
    std::error_code ec;
    fs::remove_all(debian, ec);
    fs::remove_all(files[0].parent_path(), ec);
}

}  // namespace
}  // namespace quellon::posix
