// quellon-cli scan --remove and the quarantine commands on a machine root.
#include "cli_fixture.h"
#include "definitions/codec.h"

namespace quellon::cli {
namespace {

class CliRemoval : public CliOnMachine {
protected:
    void SetUp() override {
        CliOnMachine::SetUp();
        WriteDefinitions("FileDefinition.dat",
                         {"a.txt=Aware|C:\\Bad", "twin.txt=TwinOne|C:\\One",
                          "twin.txt=TwinTwo|C:\\Two", "stuck.txt=Stuck|C:\\Locked"});
        Plant("Bad/a.txt", "a");
        Plant("One/twin.txt", "one");
        Plant("Two/twin.txt", "two");
        Plant("Locked/stuck.txt", "stuck");
        fs::permissions(Drive() / "Locked", fs::perms::owner_read | fs::perms::owner_exec);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(Drive() / "Locked", fs::perms::owner_all, ec);
    }
    fs::path Drive() const { return machine_ / "drive_c"; }
    void Plant(const std::string& relative, const std::string& bytes) {
        fs::create_directories((Drive() / relative).parent_path());
        WriteAll(Drive() / relative, bytes);
    }
};

TEST_F(CliRemoval, ScanRemoveQuarantinesAndListsWhatStayed) {
    const Result removed = Run({"scan", "--remove"});
    EXPECT_EQ(removed.status, 1) << removed.err;
    EXPECT_EQ(removed.Tagged("problem"), std::vector<std::string>{"C:\\Locked\\stuck.txt"});
    EXPECT_EQ(removed.err.find("Really Delete?"), std::string::npos) << removed.err;
    EXPECT_FALSE(fs::exists(Drive() / "Bad" / "a.txt"));
    EXPECT_FALSE(fs::exists(Drive() / "Two" / "twin.txt"));
    EXPECT_TRUE(fs::exists(Drive() / "Locked" / "stuck.txt"));

    const Result listed = Run({"quarantine", "list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = listed.Lines();
    ASSERT_EQ(lines.size(), 4u) << listed.out;
    EXPECT_EQ(lines[0].substr(0, lines[0].rfind('\t')), "a.txt\tC:\\Bad\\a.txt");
    EXPECT_EQ(lines[3].substr(0, lines[3].rfind('\t')), "twin.txt.001\tC:\\Two\\twin.txt");

    const Result back = Run({"quarantine", "restore", "twin.txt.001"});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, "restored\ttwin.txt.001\tC:\\Two\\twin.txt\n");
    EXPECT_EQ(ReadAll(Drive() / "Two" / "twin.txt"), "two");

    // An occupied place is never overwritten; --to takes a local path.
    Plant("One/twin.txt", "newer");
    const Result refused = Run({"quarantine", "restore", "twin.txt"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadAll(Drive() / "One" / "twin.txt"), "newer");
    const fs::path elsewhere = tmp_.path() / "saved twin.txt";
    const Result moved = Run({"quarantine", "restore", "TWIN.txt", "--to", elsewhere.string()});
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(ReadAll(elsewhere), "one");

    const Result unknown = Run({"quarantine", "restore", "nothing.here"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("not in the quarantine"), std::string::npos) << unknown.err;
    EXPECT_EQ(Run({"quarantine", "restore"}).status, 2);
}

// A copy's name comes from the machine and may hold any byte but NUL: a
// line break in it must not forge a line of the listing.
TEST_F(CliRemoval, QuarantineListKeepsOneFileALine) {
    ASSERT_EQ(Run({"scan", "--remove"}).status, 1);
    fs::path folder;
    for (const auto& entry : fs::recursive_directory_iterator(home_)) {
        if (entry.path().filename() == "a.txt") {
            folder = entry.path().parent_path();
        }
    }
    ASSERT_FALSE(folder.empty());
    WriteAll(folder / "evil\nrestored\tC:\\Windows\\x", "e");

    const Result listed = Run({"quarantine", "list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = listed.Lines();
    ASSERT_EQ(lines.size(), 5u) << listed.out;
    EXPECT_TRUE(listed.Tagged("restored").empty()) << listed.out;
    EXPECT_NE(listed.out.find("evil\\x0Arestored\\x09C:"), std::string::npos) << listed.out;
}

}  // namespace
}  // namespace quellon::cli
