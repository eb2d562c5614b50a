// The program folder of an installed copy: the per-user folder chosen over
// the executable's, its first filling with the starter definitions, and the
// program's own files (help, Run-list value) staying where it was installed.
#include <fstream>

#include "app/application.h"
#include "support/form_fixture.h"
#include "support/temp_dir.h"

namespace quellon::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDefinitionNames[] = {"FileDefinition.dat", "RegistryDefinition.dat",
                                            "ExeDefinition.dat", "BlockedCookies.dat"};

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
    return ReadBytes(path);
}

TEST(HomeFolderTest, AWritableProgramFolderStaysTheHomeUnlessTheCopyWasInstalled) {
    TempDir tmp;
    const fs::path program = tmp.path() / "program";
    const fs::path user = tmp.path() / "user";
    fs::create_directories(program);
    EXPECT_EQ(app::ChooseHome(program, user), program);
    // Choosing leaves nothing behind in the folder it probed.
    EXPECT_TRUE(fs::is_empty(program));

    Write(program / app::kInstalledMarkerName, "installed\r\n");
    EXPECT_EQ(app::ChooseHome(program, user), user);
    // Without a user folder to go to, the program folder it is.
    EXPECT_EQ(app::ChooseHome(program, fs::path()), program);
}

TEST(HomeFolderTest, AProgramFolderThatTakesNoFilesGivesWayToTheUserFolder) {
    TempDir tmp;
    const fs::path user = tmp.path() / "user";
    // A "folder" below a plain file takes no files, whoever runs the test.
    Write(tmp.path() / "file", "x");
    EXPECT_EQ(app::ChooseHome(tmp.path() / "file" / "program", user), user);

    const fs::path locked = tmp.path() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const bool lockHolds = !std::ofstream(locked / "probe").is_open();
    std::error_code ec;
    fs::remove(locked / "probe", ec);
    if (lockHolds) {
        // Not for a user whom the permission bits do not stop (root).
        EXPECT_EQ(app::ChooseHome(locked, user), user);
    }
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(HomeFolderTest, SeedingCopiesOnlyTheDefinitionFilesThatAreMissing) {
    TempDir tmp;
    const fs::path shipped = tmp.path() / "shipped";
    for (const char* name : kDefinitionNames) {
        Write(shipped / name, std::string("shipped ") + name);
    }
    Write(shipped / "Scan_Log.txt", "not a definition file");
    const fs::path home = tmp.path() / "data" / "quellon-pro";
    // A newer copy that Live Update brought stays.
    Write(home / "ExeDefinition.dat", "downloaded");

    ASSERT_TRUE(app::SeedHome(home, shipped));
    EXPECT_EQ(Read(home / "ExeDefinition.dat"), "downloaded");
    for (const char* name :
         {"FileDefinition.dat", "RegistryDefinition.dat", "BlockedCookies.dat"}) {
        EXPECT_EQ(Read(home / name), std::string("shipped ") + name);
    }
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(home)) {
        EXPECT_EQ(entry.path().extension(), ".dat") << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 4u);

    // The next start changes nothing, also when the shipped set changed.
    Write(shipped / "FileDefinition.dat", "shipped again");
    ASSERT_TRUE(app::SeedHome(home, shipped));
    EXPECT_EQ(Read(home / "FileDefinition.dat"), "shipped FileDefinition.dat");
}

TEST(HomeFolderTest, SeedingFailsWhenTheFolderCannotBeMadeAndSkipsWhatIsNotShipped) {
    TempDir tmp;
    Write(tmp.path() / "file", "x");
    EXPECT_FALSE(app::SeedHome(tmp.path() / "file" / "home", tmp.path()));

    // Nothing shipped: the folder is made and stays empty; the form then
    // reports the missing definitions.
    const fs::path home = tmp.path() / "home";
    EXPECT_TRUE(app::SeedHome(home, tmp.path() / "nothing-here"));
    EXPECT_TRUE(fs::is_directory(home));
    EXPECT_TRUE(fs::is_empty(home));
}

// A form whose program folder is not the folder of the program's files.
class InstalledCopyTest : public FormTest {
protected:
    app::FrmMain& Installed() {
        fs::create_directories(installed.path());
        app::AppInfo info;
        info.programFolder = machine.HomeWindowsPath();
        info.installFolder = machine.Backend().WindowsPathOf(installed.path());
        form = std::make_unique<app::FrmMain>(info, machine.Platform(), host, frontEnd);
        return *form;
    }
    TempDir installed;
    std::unique_ptr<app::FrmMain> form;
};

TEST_F(InstalledCopyTest, TheHelpFileIsTheInstalledOne) {
    WriteDefinitions();
    // A help file among the user's data is not the program's.
    machine.HomeFile("Help.chm", "stray");
    Write(installed.path() / "Help.chm", "help");
    auto& f = Installed();
    ASSERT_TRUE(f.Form_Load());
    ASSERT_EQ(host.openedDocuments.size(), 1u);
    EXPECT_EQ(host.openedDocuments[0], f.Info().installFolder + "\\Help.chm");
}

TEST_F(InstalledCopyTest, TheRunValueNamesTheInstalledProgramLinuxOnly) {
    WriteDefinitions();
    auto& f = Installed();
    f.LoadSettingsIntoForm();
    f.chkRunAtStartup.SetChecked(true);
    auto& reg = machine.Platform().registry;
    const auto key = reg.OpenKey(platform::kHkeyLocalMachine,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 63);
    ASSERT_NE(key, 0u);
    const auto value = reg.QueryValue(key, "quellon-pro");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data, f.Info().installFolder + "\\quellon-pro" + std::string(1, '\0'));
    reg.CloseKey(key);
}

}  // namespace
}  // namespace quellon::testing
