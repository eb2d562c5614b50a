// Folder stamps: when a remembered listing of a folder still holds.
#include "platform/posix/dir_stamp.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;

timespec At(time_t sec, long nsec) {
    timespec t{};
    t.tv_sec = sec;
    t.tv_nsec = nsec;
    return t;
}

DirStamp StampAt(timespec mtime, timespec ctime) {
    DirStamp s;
    s.mtime = mtime;
    s.ctime = ctime;
    return s;
}

// Lets the folder times of what was just made fall behind the clock.
void Settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
}

TEST(DirStampTest, SettledOnlyOnceBothTimesLieBehindTheClock) {
    const timespec now = At(1000, 500'000'000);
    EXPECT_TRUE(Settled(StampAt(At(1000, 400'000'000), At(1000, 449'999'999)), now));
    // Within 50 ms of the clock, by either time.
    EXPECT_FALSE(Settled(StampAt(At(1000, 450'000'000), At(1000, 100'000'000)), now));
    EXPECT_FALSE(Settled(StampAt(At(1000, 100'000'000), At(1000, 460'000'000)), now));
    EXPECT_FALSE(Settled(StampAt(At(1001, 1), At(999, 1)), now));  // from the future

    // The margin reaches back across a whole second.
    const timespec early = At(1000, 20'000'000);
    EXPECT_TRUE(Settled(StampAt(At(999, 969'999'999), At(999, 1)), early));
    EXPECT_FALSE(Settled(StampAt(At(999, 970'000'000), At(999, 1)), early));
    EXPECT_FALSE(Settled(StampAt(At(999, 1), At(1000, 1)), early));

    // File systems with whole seconds only: three seconds back.
    EXPECT_FALSE(Settled(StampAt(At(998, 0), At(998, 0)), now));
    EXPECT_TRUE(Settled(StampAt(At(997, 0), At(997, 0)), now));
    EXPECT_FALSE(Settled(StampAt(At(997, 0), At(998, 0)), now));
    // A time with nanoseconds shows a fine clock: the 50 ms margin applies.
    EXPECT_TRUE(Settled(StampAt(At(998, 0), At(1000, 1)), now));
}

TEST(DirStampTest, EveryPartOfAStampCounts) {
    DirStamp a = StampAt(At(5, 6), At(7, 8));
    a.dev = 1;
    a.ino = 2;
    DirStamp b = a;
    EXPECT_TRUE(a == b);
    b.dev = 9;
    EXPECT_FALSE(a == b);
    b = a;
    b.ino = 9;
    EXPECT_FALSE(a == b);
    b = a;
    b.mtime.tv_nsec = 9;
    EXPECT_FALSE(a == b);
    b = a;
    b.ctime.tv_sec = 9;
    EXPECT_FALSE(a == b);
}

TEST(DirStampTest, FoldersAreStampedFilesAndMissingPathsAreNot) {
    testing::TempDir dir;
    fs::create_directories(dir.path() / "d");
    testing::WriteBytes(dir.path() / "f", "x");
    fs::create_directory_symlink("d", dir.path() / "link");
    DirStamp s, t;
    EXPECT_TRUE(StampFolder((dir.path() / "d").string(), s));
    EXPECT_TRUE(StampFolder((dir.path() / "link").string(), t));
    EXPECT_TRUE(s == t);  // the folder the link leads to
    EXPECT_FALSE(StampFolder((dir.path() / "f").string(), s));
    EXPECT_FALSE(StampFolder((dir.path() / "missing").string(), s));
}

TEST(DirStampTest, AGuardHoldsUntilItsFolderChanges) {
    testing::TempDir dir;
    const std::string d = (dir.path() / "d").string();
    fs::create_directories(d);
    Settle();

    // An entry made, renamed or removed.
    FolderGuard g = FolderGuard::Take(d);
    EXPECT_TRUE(g.exists);
    EXPECT_TRUE(g.Holds());
    testing::WriteBytes(fs::path(d) / "new.txt", "x");
    EXPECT_FALSE(g.Holds());
    Settle();
    g = FolderGuard::Take(d);
    fs::rename(fs::path(d) / "new.txt", fs::path(d) / "NEW.TXT");
    EXPECT_FALSE(g.Holds());
    Settle();
    g = FolderGuard::Take(d);
    fs::remove(fs::path(d) / "NEW.TXT");
    EXPECT_FALSE(g.Holds());

    // The folder replaced by another of the same name (the old one kept, so
    // that its inode is not handed out again).
    Settle();
    g = FolderGuard::Take(d);
    fs::rename(d, dir.path() / "old");
    EXPECT_FALSE(g.Holds());
    fs::create_directory(d);
    EXPECT_FALSE(g.Holds());

    // A missing folder: the guard holds until one appears.
    const std::string later = (dir.path() / "later").string();
    FolderGuard missing = FolderGuard::Take(later);
    EXPECT_FALSE(missing.exists);
    EXPECT_TRUE(missing.Holds());
    testing::WriteBytes(dir.path() / "later", "a file is no folder");
    EXPECT_TRUE(missing.Holds());
    fs::remove(dir.path() / "later");
    fs::create_directory(later);
    EXPECT_FALSE(missing.Holds());
}

TEST(DirStampTest, AListingIsRememberedOnlyUnderTheStampOfWhatWasRead) {
    // /proc promises nothing about its folder times.
    const int proc = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(proc, 0);
    EXPECT_FALSE(ReliableTimes(proc));
    DirStamp procStamp;
    ASSERT_TRUE(StampFolder("/proc", procStamp));
    EXPECT_FALSE(MayRemember(proc, procStamp));
    ::close(proc);
    EXPECT_FALSE(ReliableTimes(-1));

    testing::TempDir dir;
    const std::string d = (dir.path() / "d").string();
    fs::create_directories(d);
    Settle();
    DirStamp seen;
    ASSERT_TRUE(StampFolder(d, seen));
    const int fd = ::open(d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    if (!ReliableTimes(fd)) {
        ::close(fd);
        GTEST_SKIP() << "the temporary folder's file system keeps no reliable folder times";
    }
    EXPECT_TRUE(MayRemember(fd, seen));
    // Changed between the stamp and the reading.
    testing::WriteBytes(fs::path(d) / "x", "x");
    EXPECT_FALSE(MayRemember(fd, seen));
    ::close(fd);
}

}  // namespace
}  // namespace quellon::posix
