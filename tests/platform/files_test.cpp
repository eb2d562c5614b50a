// Files and folders through Windows paths.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TestMachine;

TEST(FilesTest, LookupFileSeesOnlyVisibleFiles) {
    TestMachine m;
    m.PlantLinuxFile("drive_c/Dir/Visible.TXT", "x");
    fs::path readOnly = m.PlantLinuxFile("drive_c/Dir/locked.dat", "x");
    fs::permissions(readOnly, fs::perms::owner_read);
    m.PlantLinuxFile("drive_c/Dir/.hidden", "x");
    m.PlantLinuxFile("drive_c/Dir/Sub/inner", "x");
    fs::create_symlink("Visible.TXT", m.Root() / "drive_c/Dir/link.txt");
    fs::create_symlink("missing", m.Root() / "drive_c/Dir/dangling.txt");
    platform::FileSystem& files = m.Platform().files;
    EXPECT_EQ(files.LookupFile("C:\\dir\\visible.txt"), "Visible.TXT");
    EXPECT_EQ(files.LookupFile("C:\\DIR\\LOCKED.DAT"), "locked.dat");
    EXPECT_EQ(files.LookupFile("C:\\Dir\\link.txt"), "link.txt");
    EXPECT_EQ(files.LookupFile("C:\\Dir\\.hidden"), std::nullopt);
    EXPECT_EQ(files.LookupFile("C:\\Dir\\Sub"), std::nullopt);
    EXPECT_EQ(files.LookupFile("C:\\Dir\\dangling.txt"), std::nullopt);
    EXPECT_EQ(files.LookupFile("C:\\Dir\\missing.txt"), std::nullopt);
    EXPECT_EQ(files.LookupFile("C:\\Dir\\..\\..\\registry.reg"), std::nullopt);
    EXPECT_EQ(files.LookupFile(""), std::nullopt);
    EXPECT_TRUE(files.FolderExists("C:\\DIR\\sub"));
    EXPECT_FALSE(files.FolderExists("C:\\Dir\\Visible.txt"));
}

TEST(FilesTest, ListFilesGivesFilesInUpperCasedNameOrder) {
    TestMachine m;
    for (const char* name : {"b.txt", "A.txt", ".c", "\xC3\xA9.txt", "_x", "a2"}) {
        m.PlantLinuxFile(std::string("drive_c/Cookies/") + name, "x");
    }
    fs::create_directories(m.Root() / "drive_c/Cookies/folder");
    // A link counts as what it leads to; a pipe is no file.
    const fs::path cookies = m.Root() / "drive_c/Cookies";
    fs::create_symlink("b.txt", cookies / "link.txt");
    fs::create_symlink("folder", cookies / "folder link");
    fs::create_symlink("missing", cookies / "dangling.txt");
    ASSERT_EQ(::mkfifo((cookies / "pipe.txt").c_str(), 0600), 0);
    auto list = m.Platform().files.ListFiles("C:\\COOKIES\\");
    ASSERT_TRUE(list);
    std::vector<std::string> names;
    for (const auto& f : *list) {
        names.push_back(f.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{".c", "A.txt", "a2", "b.txt", "link.txt", "_x",
                                               "\xE9.txt"}));
    EXPECT_EQ((*list)[1].fullPath, "C:\\COOKIES\\A.txt");
    EXPECT_EQ(m.Platform().files.ListFiles("C:\\nowhere"), std::nullopt);
    auto empty = m.Platform().files.ListFiles("C:\\COOKIES\\folder");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(FilesTest, LineReaderSplitsAtEveryLineEndAndStreamsLongLines) {
    TestMachine m;
    std::string longLine(100000, 'q');
    longLine[70000] = '\xFF';
    m.PlantFile("C:\\lines.txt", "one\r\ntwo\nthree\rfour\r\r\n" + longLine + "\r\nlast");
    auto reader = m.Platform().files.OpenLines("C:\\LINES.TXT");
    ASSERT_TRUE(reader);
    std::vector<std::string> got;
    std::string line;
    while (reader->Next(line)) {
        got.push_back(line);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"one", "two", "three", "four", "", longLine, "last"}));
    EXPECT_FALSE(reader->Next(line));
    EXPECT_EQ(m.Platform().files.OpenLines("C:\\none.txt"), nullptr);
    EXPECT_EQ(m.Platform().files.OpenLines("C:\\"), nullptr);
}

TEST(FilesTest, WritingAppendingAndAtomicReplacement) {
    TestMachine m;
    platform::FileSystem& files = m.Platform().files;
    EXPECT_TRUE(files.Append("C:\\log.txt", "a\r\n"));
    EXPECT_TRUE(files.Append("C:\\LOG.TXT", "b\r\n"));
    EXPECT_EQ(files.ReadAll("c:\\log.txt"), "a\r\nb\r\n");
    EXPECT_FALSE(files.Append("C:\\no\\such\\folder.txt", "x"));

    fs::path target = m.PlantFile("C:\\Data.bin", "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(files.WriteAtomic("C:\\DATA.BIN", std::string("new\0bytes", 9)));
    EXPECT_EQ(ReadBytes(target), std::string("new\0bytes", 9));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(files.WriteAtomic("C:\\missing\\x.txt", "x"));
    // No temporary files left behind.
    size_t count = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(m.Root() / "drive_c")) {
        ++count;
    }
    EXPECT_EQ(count, 2u);
}

TEST(FilesTest, CopyNewNeverReplacesAndKeepsMode) {
    TestMachine m;
    platform::FileSystem& files = m.Platform().files;
    fs::path source = m.PlantFile("C:\\bad.exe", "MZ payload");
    fs::permissions(source, fs::perms::owner_all);
    fs::path existing = m.PlantFile("C:\\Q\\taken.exe", "keep me");
    EXPECT_TRUE(files.CopyNew("C:\\BAD.EXE", "C:\\q\\bad.exe"));
    EXPECT_EQ(ReadBytes(m.Root() / "drive_c/Q/bad.exe"), "MZ payload");
    EXPECT_EQ(fs::status(m.Root() / "drive_c/Q/bad.exe").permissions() & fs::perms::all,
              fs::perms::owner_all);
    EXPECT_FALSE(files.CopyNew("C:\\bad.exe", "C:\\Q\\TAKEN.EXE"));
    EXPECT_EQ(ReadBytes(existing), "keep me");
    EXPECT_FALSE(files.CopyNew("C:\\none.exe", "C:\\Q\\none.exe"));
    EXPECT_FALSE(fs::exists(m.Root() / "drive_c/Q/none.exe"));
    EXPECT_FALSE(files.CopyNew("C:\\Q", "C:\\Q2"));
}

TEST(FilesTest, AFifoInAFilesPlaceIsNeitherReadNorWaitedOn) {
    TestMachine m;
    const fs::path fifo = m.Root() / "drive_c/Dir/pipe.dll";
    fs::create_directories(fifo.parent_path());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    platform::FileSystem& files = m.Platform().files;
    // Each call runs on a thread of its own. One that waited for a writer
    // is let go by opening the FIFO to write, and fails the test.
    auto prompt = [&](auto call) {
        auto result = std::async(std::launch::async, call);
        if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
            ADD_FAILURE() << "a call waited for something to write to the FIFO";
            ::close(writer);
        }
        return result.get();
    };
    EXPECT_TRUE(prompt([&] { return files.OpenRead("C:\\Dir\\pipe.dll") == nullptr; }));
    EXPECT_TRUE(prompt([&] { return files.OpenLines("C:\\Dir\\pipe.dll") == nullptr; }));
    EXPECT_FALSE(prompt([&] { return files.ReadAll("C:\\Dir\\pipe.dll").has_value(); }));
    EXPECT_FALSE(prompt([&] { return files.CopyNew("C:\\Dir\\pipe.dll", "C:\\Dir\\copy.dll"); }));
    EXPECT_FALSE(fs::exists(fifo.parent_path() / "copy.dll"));
    EXPECT_EQ(files.LookupFile("C:\\Dir\\pipe.dll"), std::nullopt);
}

TEST(FilesTest, RenameDeleteAndFolders) {
    TestMachine m;
    platform::FileSystem& files = m.Platform().files;
    m.PlantFile("C:\\a.txt", "a");
    m.PlantFile("C:\\b.txt", "b");
    EXPECT_FALSE(files.Rename("C:\\A.TXT", "C:\\B.txt"));  // never replaces
    EXPECT_TRUE(files.Rename("C:\\A.TXT", "C:\\c.txt"));
    EXPECT_EQ(files.ReadAll("C:\\C.TXT"), "a");
    EXPECT_FALSE(files.Rename("C:\\a.txt", "C:\\d.txt"));

    EXPECT_TRUE(files.CreateFolder("C:\\One\\Two\\Three"));
    EXPECT_TRUE(fs::is_directory(m.Root() / "drive_c/One/Two/Three"));
    EXPECT_TRUE(files.CreateFolder("C:\\ONE"));
    EXPECT_FALSE(files.CreateFolder("C:\\b.txt"));
    EXPECT_FALSE(files.CreateFolder("C:\\..\\outside"));
    EXPECT_FALSE(fs::exists(m.Root() / "outside"));

    EXPECT_FALSE(files.Delete("C:\\one"));
    EXPECT_TRUE(fs::is_directory(m.Root() / "drive_c/One"));
    EXPECT_TRUE(files.Delete("C:\\B.TXT"));
    EXPECT_FALSE(files.Delete("C:\\b.txt"));
    EXPECT_FALSE(files.Delete("C:\\..\\registry.reg"));
}

}  // namespace
}  // namespace quellon::posix
