// Live file definitions on a machine whose Z: maps the host's root, as
// every Wine prefix does: no scan finds, and no removal quarantines or
// deletes, a host file through Z:, another drive that maps the host, a
// share, a device path or "..".
#include <unistd.h>

#include "common/text.h"
#include "support/removal_fixture.h"

namespace quellon::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The Windows form of a host path through a drive that maps the host's root.
std::string ThroughZ(const fs::path& linux, char drive = 'Z') {
    std::string out = std::string(1, drive) + ":";
    for (const char c : linux.string()) {
        out += c == '/' ? '\\' : c;
    }
    return out;
}

TEST_F(RemovalTest, NoDefinitionReachesAHostFile) {
    // The machine maps Z: to "/" and H: to a folder that holds the machine.
    fs::create_directories(machine.Root() / "dosdevices");
    fs::create_symlink("/", machine.Root() / "dosdevices" / "z:");
    const fs::path hostFolder = machine.Root().parent_path();
    fs::create_symlink(hostFolder, machine.Root() / "dosdevices" / "h:");
    const fs::path thesis = hostFolder / "thesis.odt";
    WriteBytes(thesis, "years of work");
    machine.PlantFile("C:\\WINDOWS\\qpok.dll", "spy");
    machine.PlantFile("C:\\qpdots.dll", "inside, but named through ..");
    const std::string zFolder = ThroughZ(hostFolder);
    WriteDefinitions({"qpok.dll=Spy|[wDir]", "thesis.odt=Wiper|" + zFolder,
                      "thesis.odt=Wiper|" + text::Lower(zFolder), "thesis.odt=Wiper|H:\\",
                      "qpdots.dll=Wiper|[wDir]..", "x.dll=Wiper|\\\\\\\\qphost\\share",
                      "x.dll=Wiper|\\\\?\\C:\\WINDOWS", "x.dll=Wiper|\\\\.\\C:\\WINDOWS"});
    ASSERT_EQ(machine.Platform().files.HostRootDrives(), "HZ");
    std::vector<std::size_t> passed;
    Form().ScanContext().onPassedOver = [&](definitions::Kind, std::size_t line,
                                            const std::string&) { passed.push_back(line); };
    Scan(false, false, false);
    auto& f = Form();
    EXPECT_THAT(passed, ElementsAre(2u, 3u, 4u, 5u, 6u, 7u, 8u));
    EXPECT_THAT(Texts(f.lvwFilesToBeDeleted), ElementsAre(HasSubstr("qpok.dll")));
    EXPECT_EQ(f.lblFilesFolderInspected.Caption(), "8");

    // Even a row that names the host file directly is never removed.
    f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add("Planted", 3, {"x"});
    f.lvwFilesToBeDeleted.Add(ThroughZ(thesis), 0, {"Planted"});
    RemoveAll();
    EXPECT_EQ(ReadBytes(thesis), "years of work");
    EXPECT_FALSE(fs::exists(QuarantinePath("thesis.odt")));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\qpok.dll"));
    EXPECT_TRUE(Exists("C:\\qpdots.dll"));
    EXPECT_THAT(Texts(f.frmDelete.lstProblem),
                ElementsAre(HasSubstr("thesis.odt - not removed: a path through Z:")));
    EXPECT_THAT(Log(), ::testing::Not(HasSubstr("thesis")));
}

TEST(HostRootDrivesTest, ZIsTheHostsUnlessTheMachineMapsItElsewhere) {
    TestMachine plain;
    // No Z: of its own: "Z:\" + a Linux path is how the host's files are named.
    EXPECT_EQ(plain.Platform().files.HostRootDrives(), "Z");
    TestMachine own;
    fs::create_directories(own.Root() / "drive_z");
    EXPECT_EQ(own.Platform().files.HostRootDrives(), "");
}

}  // namespace
}  // namespace quellon::testing
