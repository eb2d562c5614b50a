// quellon-cli against hostile input: definition lines no tool would write,
// a registry file that is broken in every way it can be, duplicate INI
// entries, huge files and folders that cannot be read. The scan runs to its
// end (exit status 0 or 1); 2 only when it cannot run, with the reason.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_fixture.h"
#include "definitions/codec.h"

namespace quellon::cli {
namespace {

class CliBadInput : public CliOnMachine {
protected:
    void SetUp() override {
        CliOnMachine::SetUp();
        fs::create_directories(machine_ / "drive_c" / "WINDOWS" / "system32");
        fs::create_directories(config_);
        WriteDefinitions("", {});
    }
    static std::string Encoded(const std::vector<std::string>& lines) {
        std::string out;
        for (const auto& line : lines) {
            out += definitions::EncodeDefinitionLine(line) + "\r\n";
        }
        return out;
    }
    fs::path Cookies() const {
        return machine_ / "drive_c" / "Documents and Settings" / "User" / "Cookies";
    }
};

TEST_F(CliBadInput, DefinitionLinesNoToolWouldWrite) {
    const std::string nul("a\0b.dll=Nul\0Ware|[wDir]", 23);
    const std::string huge(1 << 20, 'x');
    WriteAll(home_ / "FileDefinition.dat",
             Encoded({nul, huge, "=|=|", "|||", "====", "\\\\..\\..=Up|[wDir]..\\..\\.."}) +
                 std::string(3, '\0') + "\r\n\r\r\n");
    WriteAll(home_ / "RegistryDefinition.dat",
             Encoded({"9^SOFTWARE\\X^=Odd", "^^^=", "22^SOFTWARE^=Two", "-1^X^=Neg",
                      std::string("2^SOFT\0WARE^v=Nul", 17), huge + "^" + huge + "=Huge"}));
    WriteAll(home_ / "ExeDefinition.dat", Encoded({huge, "", std::string(1, '\0')}));
    WriteAll(home_ / "BlockedCookies.dat", Encoded({"[", "[!", "[z-a]", huge, "*"}));
    fs::create_directories(Cookies());
    WriteAll(Cookies() / "user@x[1].txt", "id\nx.example/\n");
    const Result r = Run({"scan"});
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << " " << r.err;
    EXPECT_NE(r.out.find("Scanning complete."), std::string::npos) << r.out;
}

TEST_F(CliBadInput, ABrokenRegistryFileStillScans) {
    std::string reg =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Good]\r\n\"V\"=\"1\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Broken\r\n"
        "\"Unterminated=\"abc\r\n"
        "\"Escapes\"=\"\\q\\\\\\\"\\\r\n"
        "\"Hex\"=hex:zz,01,\\\r\n"
        "\"Dword\"=dword:xyz\r\n"
        "[HKEY_NOWHERE\\X]\r\n\"A\"=\"b\"\r\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Never]\r\n"
        "\"Tail\"=hex(7):41,\\\r\n";
    for (int i = 0; i < 100000; ++i) {
        reg += "[HKEY_CURRENT_USER\\Software\\Many\\K" + std::to_string(i) + "]\r\n\"v\"=\"" +
               std::to_string(i) + "\"\r\n";
    }
    WriteAll(machine_ / "registry.reg", reg);
    WriteAll(home_ / "RegistryDefinition.dat",
             Encoded({"2^SOFTWARE\\Good^V=Good", "1^Software\\Many\\K99999^v=Last",
                      "1^Software\\Many\\K100000^=Absent"}));
    const Result r = Run({"scan"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.Tagged("found"), (std::vector<std::string>{"Good - Found", "Last - Found"}));
}

TEST_F(CliBadInput, DuplicateSectionsAndKeysTakeTheFirst) {
    WriteAll(config_ / "Quellon Pro.ini",
             "[OptionAndSettings]\nchkScanCookies=0\nchkScanCookies=1\n"
             "[optionandsettings]\nchkScanCookies=1\nchkSweepMemory=0\n"
             "[OptionAndSettings]\nchkScanRegistry=0\n= no key\n[]\nx\n[unclosed\n");
    const Result got =
        Run({"settings", "get", "Quellon Pro", "OptionAndSettings", "chkScanCookies"});
    EXPECT_EQ(got.out, "0\n");
    const Result r = Run({"scan"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Scanning complete."), std::string::npos);
}

// A cookie file of 2 GB and a listed file of 3 GB (both sparse): the scan
// reads no more of them than it needs and its memory stays small.
TEST_F(CliBadInput, HugeFilesDoNotFillTheMemory) {
    fs::create_directories(Cookies());
    const fs::path cookie = Cookies() / "user@huge[1].txt";
    WriteAll(cookie, "id\nhuge.example/\n");
    ASSERT_EQ(::truncate(cookie.c_str(), off_t{2} << 30), 0);
    const fs::path big = machine_ / "drive_c" / "WINDOWS" / "system32" / "big.dll";
    WriteAll(big, "MZ");
    ASSERT_EQ(::truncate(big.c_str(), off_t{3} << 30), 0);
    WriteAll(home_ / "FileDefinition.dat", Encoded({"big.dll=Big"}));
    WriteAll(home_ / "BlockedCookies.dat", Encoded({"huge.example"}));
    const Result r = Run({"scan"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.Tagged("found"),
              (std::vector<std::string>{"Big - Found", "Cookie Found: user@huge[1].txt"}));
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    // The largest child so far (kilobytes): no copy of either file.
    std::cout << "largest quellon-cli: " << usage.ru_maxrss / 1024 << " MiB\n";
    EXPECT_LT(usage.ru_maxrss, 400 * 1024);
}

TEST_F(CliBadInput, FoldersThatCannotBeReadAreSaidOrPassedOver) {
    // A cookie folder that is a loop of links reads as empty.
    fs::create_directories(Cookies().parent_path());
    fs::create_symlink("Cookies", Cookies());
    const Result loop = Run({"scan"});
    EXPECT_EQ(loop.status, 0) << loop.err;

    // A program folder whose definitions cannot be read cannot scan: the
    // user is told to run Live Update, and the exit status is 2.
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the administrator reads every folder: the rest needs a normal user";
    }
    fs::permissions(home_, fs::perms::none);
    const Result locked = Run({"scan"});
    fs::permissions(home_, fs::perms::owner_all);
    EXPECT_EQ(locked.status, 2);
    EXPECT_NE(locked.err.find("Definition files are missing"), std::string::npos) << locked.err;
}

TEST_F(CliBadInput, AMachineThatIsNoFolderIsSaid) {
    const Result r =
        Cli({"--home", home_.string(), "--machine", (home_ / "nowhere").string(), "scan"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;
}

// A file whose read fails after it opened (a folder here; a process's file
// in /proc whose process ends) is a file that cannot be read, not a crash.
TEST_F(CliBadInput, AReadThatFailsMidwayIsAnError) {
    const fs::path folder = tmp_.path() / "a-folder";
    fs::create_directories(folder);
    for (const char* command : {"decode", "encode"}) {
        const Result r = Cli({command, folder.string()});
        EXPECT_EQ(r.status, 2) << command << ": " << r.err;
        EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadAll(folder), "");
}

}  // namespace
}  // namespace quellon::cli
