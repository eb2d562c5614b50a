// The benchmark's machine on Windows: what it plants stays in its own
// folders, keys and cookie files, and all of it goes again, while the
// user's things beside them stay (run under Wine, in the real prefix).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_machine.h"

namespace quellon::testing {
namespace {

namespace fs = std::filesystem;

fs::path Special(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    EXPECT_TRUE(::SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE));
    return fs::path(buffer);
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

bool KeyExists(HKEY hive, const char* subKey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(hive, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "the user's";
}

// The user's things with names close to the benchmark's.
struct UsersThings {
    UsersThings() {
        const fs::path programFiles = Special(CSIDL_PROGRAM_FILES);
        files = {programFiles / "Quellon Bench Other" / "keep.txt",
                 programFiles / "Quellon Benchmark.txt",
                 Special(CSIDL_COOKIES) / "user@tracker0[1].txt",
                 Special(CSIDL_COOKIES) / "quellonbenchfan@tracker0[1].txt",
                 Special(CSIDL_COOKIES) / "quellonbench.txt"};
        for (const fs::path& f : files) {
            Touch(f);
        }
        for (const char* key : kKeys) {
            HKEY k = nullptr;
            EXPECT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr,
                                        &k, nullptr),
                      ERROR_SUCCESS);
            ::RegCloseKey(k);
        }
    }
    ~UsersThings() {
        std::error_code ec;
        for (const fs::path& f : files) {
            fs::remove(f, ec);
        }
        fs::remove(files[0].parent_path(), ec);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quellon Bench Other");
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quellon Bench Other");
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quellon Benchmark");
    }
    void ExpectKept() const {
        for (const fs::path& f : files) {
            EXPECT_TRUE(fs::exists(f)) << f.string();
        }
        for (const char* key : kKeys) {
            EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key)) << key;
        }
    }
    std::vector<fs::path> files;
    static constexpr const char* kKeys[] = {"Software\\Quellon Bench Other\\Inside",
                                            "Software\\Quellon Benchmark"};
};

bench::Sizes Tiny() {
    bench::Sizes s;
    s.fileLines = 300;
    s.registryLines = 300;
    s.exeLines = 10;
    s.cookiePatterns = 40;
    s.cookieFiles = 30;
    return s;
}

size_t OwnCookies() {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(Special(CSIDL_COOKIES))) {
        // Both spellings: "quellonbench@" and "QuellonBench@".
        n += Upper(e.path().filename().string()).rfind("QUELLONBENCH@", 0) == 0 ? 1 : 0;
    }
    return n;
}

void ExpectNothingPlanted(const bench::BenchMachine& m) {
    EXPECT_FALSE(fs::exists(m.dir));
    for (const std::string& path : m.filePaths) {
        EXPECT_FALSE(fs::exists(path)) << path;
    }
    for (const auto& [hive, key] : {std::pair{HKEY_CLASSES_ROOT, "Quellon Bench"},
                                    std::pair{HKEY_CURRENT_USER, "Software\\Quellon Bench"},
                                    std::pair{HKEY_LOCAL_MACHINE, "SOFTWARE\\Quellon Bench"},
                                    std::pair{HKEY_USERS, ".DEFAULT\\Software\\Quellon Bench"},
                                    std::pair{HKEY_CURRENT_CONFIG, "Software\\Quellon Bench"}}) {
        EXPECT_FALSE(KeyExists(hive, key)) << key;
    }
    EXPECT_EQ(OwnCookies(), 0u);
}

TEST(BenchMachineTest, PlantsOnlyInItsOwnPlacesAndRemovesAllOfItWindowsOnly) {
    UsersThings users;
    const bench::BenchMachine m = bench::Generate({}, Tiny());
    EXPECT_GT(m.filesPresent, 0);
    EXPECT_GT(m.registryPresent, 0);
    EXPECT_EQ(OwnCookies(), 30u);
    // Every path the definitions reach, present or not, lies in a folder
    // of the benchmark's own; so does every key.
    size_t present = 0;
    for (const std::string& path : m.filePaths) {
        EXPECT_NE(Upper(path).find("\\QUELLON BENCH\\"), std::string::npos) << path;
        present += fs::exists(path) ? 1 : 0;
    }
    EXPECT_EQ(present, static_cast<size_t>(m.filesPresent));
    for (const bench::RegistryProbe& p : m.registryProbes) {
        EXPECT_NE(Upper(p.subKey).find("QUELLON BENCH\\"), std::string::npos) << p.subKey;
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Quellon Bench"));

    bench::RemoveMachine(m);
    ExpectNothingPlanted(m);
    users.ExpectKept();
}

TEST(BenchMachineTest, ACookieFolderItMadeGoesOnlyWhenEmptyWindowsOnly) {
    // The folder and what is in it wait aside meanwhile.
    const fs::path cookies = Special(CSIDL_COOKIES);
    const fs::path aside = cookies.string() + " (aside)";
    std::error_code ec;
    fs::rename(cookies, aside, ec);
    ASSERT_FALSE(ec) << ec.message();
    struct Restore {
        const fs::path &cookies, &aside;
        ~Restore() {
            std::error_code ignored;
            fs::remove_all(cookies, ignored);
            fs::rename(aside, cookies, ignored);
        }
    } restore{cookies, aside};
    bench::BenchMachine m = bench::Generate({}, Tiny());
    EXPECT_TRUE(m.madeCookieFolder);
    bench::RemoveMachine(m);
    EXPECT_FALSE(fs::exists(cookies));

    // A cookie the user got meanwhile keeps the folder.
    m = bench::Generate({}, Tiny());
    Touch(cookies / "user@site[1].txt");
    bench::RemoveMachine(m);
    EXPECT_TRUE(fs::exists(cookies / "user@site[1].txt"));
    fs::remove(cookies / "user@site[1].txt", ec);

    // A folder that was there stays.
    m = bench::Generate({}, Tiny());
    EXPECT_FALSE(m.madeCookieFolder);
    bench::RemoveMachine(m);
    EXPECT_TRUE(fs::is_directory(cookies));
}

TEST(BenchMachineTest, LeftoversOfABrokenRunAreFoundByNameWindowsOnly) {
    UsersThings users;
    // A run that never removed what it planted, with a file its fresh scan
    // process wrote: the next run's clean-up finds all of it by name.
    const bench::BenchMachine m = bench::Generate({}, Tiny());
    Touch(m.home / "scan-peak-kib");
    EXPECT_TRUE(bench::RemoveLeftovers());
    ExpectNothingPlanted(m);
    users.ExpectKept();
    // Nothing left: again is fine.
    EXPECT_TRUE(bench::RemoveLeftovers());
}

}  // namespace
}  // namespace quellon::testing
