// Remembered folder resolutions: a machine whose folders change between
// look-ups must be seen as it is now, exactly as a backend that never looked
// before sees it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/backend.h"
#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;
using testing::WriteBytes;

// The whole file through a reader; nullopt without one.
std::optional<std::string> ReadThrough(std::unique_ptr<quellon::platform::ByteReader> reader) {
    if (!reader) {
        return std::nullopt;
    }
    std::string out;
    char piece[4096];
    while (const size_t n = reader->Read(piece, sizeof piece)) {
        out.append(piece, n);
    }
    return out;
}

// Folders are only remembered once their change times lie a little in the
// past; waiting that long lets a test reach the remembered state.
void Settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
}

class ResolveCacheTest : public ::testing::Test {
protected:
    platform::FileSystem& Files() { return m.Platform().files; }
    const MachineRoot& Root() { return m.Backend().Machine(); }
    fs::path Disk(const std::string& relative) { return m.Root() / relative; }

    TestMachine m;
};

TEST_F(ResolveCacheTest, FilesCreatedAndRemovedBetweenLookupsAreSeen) {
    WriteBytes(Disk("drive_c/windows/system32/keep.dll"), "x");
    Settle();
    EXPECT_EQ(Files().LookupFile("C:\\WINDOWS\\system32\\KEEP.DLL"), "keep.dll");
    EXPECT_FALSE(Files().LookupFile("C:\\WINDOWS\\system32\\new.dll"));

    WriteBytes(Disk("drive_c/windows/system32/New.Dll"), "y");
    EXPECT_EQ(Files().LookupFile("C:\\WINDOWS\\system32\\new.dll"), "New.Dll");
    EXPECT_EQ(Files().ReadAll("C:\\WINDOWS\\system32\\NEW.DLL"), "y");

    fs::remove(Disk("drive_c/windows/system32/keep.dll"));
    EXPECT_FALSE(Files().LookupFile("C:\\WINDOWS\\system32\\KEEP.DLL"));
    Settle();
    EXPECT_FALSE(Files().LookupFile("C:\\WINDOWS\\system32\\KEEP.DLL"));
    EXPECT_EQ(Files().LookupFile("C:\\WINDOWS\\system32\\new.dll"), "New.Dll");

    // The exact spelling wins over an earlier case-blind match once it exists.
    WriteBytes(Disk("drive_c/windows/system32/new.dll"), "z");
    EXPECT_EQ(Root().Resolve("C:\\WINDOWS\\system32\\new.dll"),
              Disk("drive_c/windows/system32/new.dll"));
    EXPECT_EQ(Files().ReadAll("C:\\WINDOWS\\system32\\new.dll"), "z");
}

TEST_F(ResolveCacheTest, RenamedAndReplacedFoldersAreFollowed) {
    WriteBytes(Disk("drive_c/Data/a.txt"), "a");
    Settle();
    EXPECT_EQ(Files().ReadAll("C:\\DATA\\A.TXT"), "a");

    // A change of case only.
    fs::rename(Disk("drive_c/Data"), Disk("drive_c/data"));
    EXPECT_EQ(Root().Resolve("C:\\DATA\\A.TXT"), Disk("drive_c/data/a.txt"));
    Settle();
    EXPECT_EQ(Files().LookupFile("C:\\DATA\\A.TXT"), "a.txt");

    // Gone, then back as another folder with other contents.
    fs::rename(Disk("drive_c/data"), Disk("drive_c/old"));
    EXPECT_FALSE(Files().LookupFile("C:\\DATA\\A.TXT"));
    EXPECT_TRUE(Files().LookupFile("C:\\OLD\\A.TXT"));
    WriteBytes(Disk("drive_c/DATA/b.txt"), "b");
    Settle();
    EXPECT_FALSE(Files().LookupFile("C:\\Data\\A.TXT"));
    EXPECT_EQ(Files().ReadAll("C:\\Data\\b.TXT"), "b");

    // A folder that was missing appears.
    EXPECT_EQ(Root().Resolve("C:\\Later\\Deep\\c.txt"), Disk("drive_c/Later/Deep/c.txt"));
    Settle();
    EXPECT_FALSE(Files().LookupFile("C:\\Later\\Deep\\c.txt"));
    WriteBytes(Disk("drive_c/later/deep/C.TXT"), "c");
    EXPECT_EQ(Files().LookupFile("C:\\Later\\Deep\\c.txt"), "C.TXT");

    // A file replaced by a folder of the same name is no file any more.
    fs::remove(Disk("drive_c/DATA/b.txt"));
    fs::create_directory(Disk("drive_c/DATA/b.txt"));
    EXPECT_FALSE(Files().LookupFile("C:\\Data\\b.TXT"));
}

// A file looked up and then read at once is answered from the look-up only
// while nothing on its way changed.
TEST_F(ResolveCacheTest, ReadRightAfterALookupSeesChangesInBetween) {
    WriteBytes(Disk("drive_c/windows/x.txt"), "old");
    Settle();
    EXPECT_EQ(Files().LookupFile("C:\\WINDOWS\\X.TXT"), "x.txt");
    EXPECT_EQ(Files().ReadAll("C:\\WINDOWS\\X.TXT"), "old");

    // A folder spelt exactly as asked appears beside the one matched by case.
    EXPECT_EQ(Files().LookupFile("C:\\WINDOWS\\X.TXT"), "x.txt");
    WriteBytes(Disk("drive_c/WINDOWS/X.TXT"), "new");
    EXPECT_EQ(Files().ReadAll("C:\\WINDOWS\\X.TXT"), "new");

    // The file itself is replaced by one spelt exactly as asked.
    Settle();
    EXPECT_EQ(Files().LookupFile("C:\\windows\\X.txt"), "x.txt");
    WriteBytes(Disk("drive_c/windows/X.txt"), "exact");
    EXPECT_EQ(Files().ReadAll("C:\\windows\\X.txt"), "exact");
    fs::remove(Disk("drive_c/windows/X.txt"));
    EXPECT_EQ(Files().ReadAll("C:\\windows\\X.txt"), "old");
}

TEST_F(ResolveCacheTest, HiddenFilesLinksAndOddPathsAnswerAsBefore) {
    WriteBytes(Disk("drive_c/dir/.hidden"), "h");
    WriteBytes(Disk("drive_c/dir/target.txt"), "t");
    fs::create_symlink("target.txt", Disk("drive_c/dir/link.txt"));
    fs::create_directory(Disk("drive_c/dir/sub"));
    Settle();
    EXPECT_FALSE(Files().LookupFile("C:\\dir\\.hidden"));
    EXPECT_EQ(Files().LookupFile("C:\\dir\\LINK.txt"), "link.txt");
    EXPECT_FALSE(Files().LookupFile("C:\\dir\\sub"));
    EXPECT_TRUE(Files().FolderExists("C:\\DIR\\SUB"));
    fs::remove(Disk("drive_c/dir/target.txt"));
    EXPECT_FALSE(Files().LookupFile("C:\\dir\\LINK.txt"));
    // Paths the remembered folders do not serve still resolve the long way.
    EXPECT_EQ(Root().Resolve("C:\\dir\\sub\\..\\x"), Disk("drive_c/dir/x"));
    EXPECT_EQ(Root().Resolve("C:\\dir\\\\sub"), Disk("drive_c/dir/sub"));
    EXPECT_FALSE(Root().Resolve("C:\\..\\x"));
    EXPECT_FALSE(Root().Resolve("C:\\dir\\a/b"));
    EXPECT_FALSE(Root().Resolve("Q:\\dir\\x"));
}

// Random changes to a small tree, each followed by the same look-ups through
// a backend that has remembered everything so far and one that is new.
TEST_F(ResolveCacheTest, AgreesWithAFreshBackendThroughRandomChanges) {
    const std::vector<std::string> names = {"a", "A", "b", "B", "ab", "aB"};
    std::mt19937 rng(7);
    auto pick = [&] { return names[rng() % names.size()]; };
    auto probe = [&](platform::FileSystem& files, const MachineRoot& root) {
        std::vector<std::string> out;
        for (const char* folder : {"C:\\A", "C:\\a\\b", "C:\\B\\AB", "C:\\ab"}) {
            for (const char* leaf : {"a", "B", "ab"}) {
                const std::string path = std::string(folder) + "\\" + leaf;
                const auto resolved = root.Resolve(path);
                const auto found = files.LookupFile(path);
                out.push_back(path + " -> " + (resolved ? resolved->string() : "-") + " / " +
                              (found ? *found : "-"));
            }
        }
        return out;
    };
    fs::create_directories(Disk("drive_c"));
    for (int step = 0; step < 40; ++step) {
        const fs::path dir = Disk("drive_c") / pick() / pick();
        std::error_code ec;
        switch (rng() % 4) {
            case 0:
                fs::create_directories(dir, ec);
                WriteBytes(dir / pick(), "x");
                break;
            case 1:
                fs::remove_all(Disk("drive_c") / pick(), ec);
                break;
            case 2:
                fs::rename(Disk("drive_c") / pick(), Disk("drive_c") / pick(), ec);
                break;
            default:
                fs::remove(dir / pick(), ec);
                break;
        }
        if (step % 3 == 0) {
            Settle();
        }
        Backend fresh(m.Root(), m.Config());
        EXPECT_EQ(probe(Files(), Root()), probe(fresh.Platform().files, fresh.Machine()))
            << "after step " << step;
    }
}

// A batch of look-ups lists each folder once and keeps what it listed; it
// must answer as the file system did when it looked, through case-blind
// matches, missing folders, links, hidden files and paths it does not serve.
TEST_F(ResolveCacheTest, ABatchAnswersAsTheFileSystemAfterEveryChange) {
    const std::vector<std::string> names = {"a", "A", "b", "B", "ab", "aB", ".h"};
    std::mt19937 rng(11);
    auto pick = [&] { return names[rng() % names.size()]; };
    std::vector<std::string> paths;
    for (const char* folder : {"C:\\A", "C:\\a\\b", "C:\\B\\AB", "C:\\ab", "C:\\AB\\a\\B"}) {
        for (const char* leaf : {"a", "B", "ab", ".h", "l"}) {
            paths.push_back(std::string(folder) + "\\" + leaf);
        }
    }
    for (const char* odd : {"C:\\a\\..\\b\\a", "C:\\a\\\\b", "C:\\..\\a", "C:\\a\\.", "Q:\\a\\b",
                            "C:\\a/b\\c", "C:\\ab\\a\\"}) {
        paths.push_back(odd);
    }
    fs::create_directories(Disk("drive_c"));
    for (int step = 0; step < 40; ++step) {
        const fs::path dir = Disk("drive_c") / pick() / pick();
        std::error_code ec;
        switch (rng() % 5) {
            case 0:
                fs::create_directories(dir, ec);
                WriteBytes(dir / pick(), "x" + std::to_string(step));
                break;
            case 1:
                fs::remove_all(Disk("drive_c") / pick(), ec);
                break;
            case 2:
                fs::rename(Disk("drive_c") / pick(), Disk("drive_c") / pick(), ec);
                break;
            case 3:
                fs::create_directories(dir, ec);
                fs::create_symlink(pick(), dir / "l", ec);
                break;
            default:
                fs::remove(dir / pick(), ec);
                break;
        }
        if (step % 3 == 0) {
            Settle();
        }
        const auto batch = Files().StartLookupBatch();
        for (const std::string& path : paths) {
            EXPECT_EQ(batch->LookupFile(path), Files().LookupFile(path).has_value())
                << path << " after step " << step;
            const auto bytes = ReadThrough(batch->OpenRead(path));
            const auto expected = Files().ReadAll(path);
            EXPECT_EQ(bytes.has_value(), expected.has_value()) << path << " after step " << step;
            if (bytes && expected) {
                EXPECT_EQ(*bytes, *expected) << path << " after step " << step;
            }
        }
    }
}

// A batch trusts its listings while it lives; the next one sees the changes.
TEST_F(ResolveCacheTest, ANewBatchSeesWhatChangedSinceTheLastOne) {
    WriteBytes(Disk("drive_c/windows/old.dll"), "old");
    {
        const auto batch = Files().StartLookupBatch();
        EXPECT_TRUE(batch->LookupFile("C:\\WINDOWS\\OLD.DLL"));
        EXPECT_FALSE(batch->LookupFile("C:\\WINDOWS\\new.dll"));
    }
    WriteBytes(Disk("drive_c/windows/NEW.dll"), "new");
    fs::remove(Disk("drive_c/windows/old.dll"));
    const auto batch = Files().StartLookupBatch();
    EXPECT_FALSE(batch->LookupFile("C:\\WINDOWS\\OLD.DLL"));
    EXPECT_TRUE(batch->LookupFile("C:\\WINDOWS\\new.dll"));
    EXPECT_EQ(ReadThrough(batch->OpenRead("C:\\WINDOWS\\new.dll")), "new");
}

// A plain file is read to the size it had when it was opened, in as many
// pieces as it takes; a file cut short while it is read ends early.
TEST_F(ResolveCacheTest, AFileIsReadAsItWasWhenItWasOpened) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) {
        bytes += static_cast<char>('a' + i % 26);
    }
    WriteBytes(Disk("drive_c/windows/big.dat"), bytes);
    WriteBytes(Disk("drive_c/windows/empty.dat"), "");
    const auto batch = Files().StartLookupBatch();
    EXPECT_EQ(ReadThrough(batch->OpenRead("C:\\WINDOWS\\BIG.DAT")), bytes);
    EXPECT_EQ(ReadThrough(batch->OpenRead("C:\\WINDOWS\\empty.dat")), "");
    EXPECT_EQ(ReadThrough(Files().OpenRead("C:\\WINDOWS\\big.dat")), bytes);

    auto grown = batch->OpenRead("C:\\WINDOWS\\big.dat");
    ASSERT_TRUE(grown);
    std::ofstream(Disk("drive_c/windows/big.dat"), std::ios::app) << "more";
    EXPECT_EQ(ReadThrough(std::move(grown)), bytes);

    auto cut = batch->OpenRead("C:\\WINDOWS\\big.dat");
    ASSERT_TRUE(cut);
    char piece[1000];
    ASSERT_EQ(cut->Read(piece, sizeof piece), sizeof piece);
    fs::resize_file(Disk("drive_c/windows/big.dat"), 1500);
    EXPECT_EQ(ReadThrough(std::move(cut)), bytes.substr(1000, 500));
}

// More folders than a batch keeps open, on a drive of its own, through a
// dosdevices link and on Z:, each read twice: the second time most folders
// have been closed again.
TEST_F(ResolveCacheTest, ABatchReadsFilesOfMoreFoldersThanItKeepsOpen) {
    fs::create_directories(Disk("dosdevices"));
    fs::create_directories(Disk("elsewhere"));
    fs::create_symlink("../elsewhere", Disk("dosdevices/e:"));
    // Z: is the Linux file system, as a Wine prefix maps it.
    fs::create_directory_symlink("/", Disk("dosdevices/z:"));
    std::vector<std::pair<std::string, std::string>> files;  // Windows path, bytes
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i);
        std::string windows;
        switch (i % 3) {
            case 0:
                WriteBytes(Disk("drive_c/Data/Dir" + n + "/f.txt"), "c" + n);
                windows = "C:\\DATA\\dir" + n + "\\F.TXT";
                files.emplace_back(windows, "c" + n);
                break;
            case 1:
                WriteBytes(Disk("elsewhere/Sub/d" + n + "/g.txt"), "e" + n);
                windows = "E:\\sub\\D" + n + "\\g.txt";
                files.emplace_back(windows, "e" + n);
                break;
            default:
                WriteBytes(Disk("z/z" + n + "/h.txt"), "z" + n);
                windows = Root().ToWindows(Disk("z/z" + n + "/h.txt"));
                files.emplace_back(windows, "z" + n);
                break;
        }
    }
    const auto batch = Files().StartLookupBatch();
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [path, bytes] : files) {
            EXPECT_TRUE(batch->LookupFile(path)) << path;
            EXPECT_EQ(ReadThrough(batch->OpenRead(path)), bytes) << path;
            EXPECT_EQ(ReadThrough(batch->OpenRead(path + ".missing")), std::nullopt) << path;
        }
    }
}

}  // namespace
}  // namespace quellon::posix
