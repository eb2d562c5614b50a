#include "support/removal_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kBadRegistry =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BadCo]\r\n\"Mode\"=\"1\"\r\n\"Keep\"=\"1\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\BadKey]\r\n@=\"x\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\BadKey\\Sub]\r\n\"y\"=\"2\"\r\n";

TEST_F(RemovalTest, FilesRegistryEntriesAndCookiesAreQuarantinedLoggedAndRemoved) {
    machine.WriteRegistry(kBadRegistry);
    machine.PlantFile("C:\\Program Files\\BadCo\\bad.dll", "library");
    machine.PlantFile("C:\\Program Files\\BadCo\\notes.txt", "notes");
    const std::string cookie = CookieFolder() + "user@adclick[1].txt";
    machine.PlantFile(cookie, "www.adclick.net/\n");
    WriteDefinitions(
        {"bad.dll=BadCo|C:\\Program Files\\BadCo", "notes.txt=BadCo|C:\\Program Files\\BadCo"},
        {"2^SOFTWARE\\BadCo^Mode=BadCo", "1^Software\\BadKey^=BadKey"}, {}, {"adclick.net"});
    Scan(true, false, true);
    ASSERT_EQ(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 3u);
    const std::string found = Form().lblRemovePicSoftwareFound.Caption();
    const std::string traces = Form().lbltracesFound.Caption();

    RemoveAll();

    EXPECT_FALSE(Exists("C:\\Program Files\\BadCo\\bad.dll"));
    EXPECT_FALSE(Exists("C:\\Program Files\\BadCo\\notes.txt"));
    EXPECT_FALSE(Exists(cookie));
    EXPECT_EQ(ReadBytes(QuarantinePath("bad.dll")), "library");
    EXPECT_EQ(ReadBytes(QuarantinePath("notes.txt")), "notes");
    EXPECT_EQ(ReadBytes(QuarantinePath("user@adclick[1].txt")), "www.adclick.net/\n");
    // Files first, then registry entries (a whole key: its default value,
    // then the key with the hive as a signed number), then cookies; every
    // entry once although the run makes two passes.
    EXPECT_EQ(Log(), FileEntry("bad.dll", "C:\\Program Files\\BadCo\\bad.dll") +
                         FileEntry("notes.txt", "C:\\Program Files\\BadCo\\notes.txt") +
                         KeyEntry("HKEY_LOCAL_MACHINE\\SOFTWARE\\BadCo", "Mode") +
                         KeyEntry("HKEY_CURRENT_USER\\Software\\BadKey", "") +
                         KeyEntry("-2147483647\\Software\\BadKey", "All Values") +
                         FileEntry("user@adclick[1].txt", cookie));

    auto& reg = machine.Platform().registry;
    EXPECT_FALSE(
        scan::RegistryValueExists(reg, platform::kHkeyLocalMachine, "SOFTWARE\\BadCo", "Mode"));
    EXPECT_TRUE(
        scan::RegistryValueExists(reg, platform::kHkeyLocalMachine, "SOFTWARE\\BadCo", "Keep"));
    EXPECT_FALSE(scan::RegistryKeyExists(reg, platform::kHkeyCurrentUser, "Software\\BadKey"));
    EXPECT_FALSE(scan::RegistryKeyExists(reg, platform::kHkeyCurrentUser, "Software\\BadKey\\Sub"));

    // The handled rows leave the lists; the cookie rows and the scan's own
    // result list (never ticked) stay.
    EXPECT_THAT(Texts(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved), IsEmpty());
    EXPECT_EQ(Form().lvwSpywareFound.Count(), 3u);
    EXPECT_THAT(Texts(Form().lvwFilesToBeDeleted), IsEmpty());
    EXPECT_THAT(Texts(Form().lvwRegistryToBeDeleted), IsEmpty());
    EXPECT_THAT(Texts(Form().lvwCookiesToDelete), ElementsAre(cookie));
    EXPECT_THAT(Texts(Form().frmDelete.lstProblem), IsEmpty());
    EXPECT_FALSE(Form().frmDelete.Visible());

    // The running total adds both found counters of the run.
    const std::string total = std::to_string(std::stoi(found) + std::stoi(traces));
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblDefRemoved), total);
    EXPECT_EQ(Form().lblDefRemoved.Caption(), total);
    EXPECT_EQ(Form().lblDeletingPercentageCompleted.Caption(), "100% complete");
    EXPECT_FALSE(Form().pgbDeleteSpywaresFound.Visible());
    EXPECT_TRUE(Form().lblRemove.Enabled());

    // A second run adds to the total.
    WriteDefinitions({"again.txt=Again|C:\\Again"});
    machine.PlantFile("C:\\Again\\again.txt", "a");
    Scan(false, false, false);
    RemoveAll();
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblDefRemoved),
              std::to_string(std::stoi(total) + 2));
}

TEST_F(RemovalTest, SameNamedFilesAreAllKeptTracedAndRestorable) {
    machine.PlantFile("C:\\One\\twin.txt", "first");
    machine.PlantFile("C:\\Two\\twin.txt", "second");
    machine.PlantFile("C:\\Three\\TWIN.TXT", "third");
    WriteDefinitions(
        {"twin.txt=TwinA|C:\\One", "twin.txt=TwinB|C:\\Two", "twin.txt=TwinC|C:\\Three"});
    Scan(false, false, false);
    RemoveAll();

    EXPECT_EQ(ReadBytes(QuarantinePath("twin.txt")), "first");
    EXPECT_EQ(ReadBytes(QuarantinePath("twin.txt.001")), "second");
    // The names are the definitions' (the disk's own case may differ).
    EXPECT_EQ(ReadBytes(QuarantinePath("twin.txt.002")), "third");
    EXPECT_EQ(Log(), FileEntry("twin.txt", "C:\\One\\twin.txt") +
                         FileEntry("twin.txt.001", "C:\\Two\\twin.txt") +
                         FileEntry("twin.txt.002", "C:\\Three\\twin.txt"));

    auto& q = Form().Quarantine();
    const auto listed = q.List();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].name, "twin.txt");
    EXPECT_EQ(listed[0].location, "C:\\One\\twin.txt");
    EXPECT_EQ(listed[0].quarantinedAt, "12/7/2026 10:35:12 AM");
    EXPECT_EQ(listed[1].location, "C:\\Two\\twin.txt");

    // Each copy goes back to its own folder; an occupied place is refused.
    machine.PlantFile("C:\\One\\twin.txt", "newer");
    std::string to;
    EXPECT_EQ(q.Restore("twin.txt", {}, &to), removal::RestoreResult::kTargetExists);
    EXPECT_EQ(to, "C:\\One\\twin.txt");
    EXPECT_EQ(Read("C:\\One\\twin.txt"), "newer");
    EXPECT_EQ(ReadBytes(QuarantinePath("twin.txt")), "first");
    EXPECT_EQ(q.Restore("Twin.TXT.001"), removal::RestoreResult::kRestored);
    EXPECT_EQ(Read("C:\\Two\\twin.txt"), "second");
    EXPECT_EQ(q.Restore("twin.txt.001"), removal::RestoreResult::kNotInQuarantine);
    const std::string elsewhere = machine.HomeWindowsPath() + "\\restored\\deep\\twin.txt";
    EXPECT_EQ(q.Restore("twin.txt", elsewhere), removal::RestoreResult::kRestored);
    EXPECT_EQ(Read(elsewhere), "first");
    ASSERT_EQ(q.List().size(), 1u);

    // A copy the log says nothing about needs a place to go.
    WriteBytes(QuarantinePath("stray.bin"), "?");
    EXPECT_EQ(q.Restore("stray.bin"), removal::RestoreResult::kNoLocation);
    EXPECT_EQ(q.Restore("stray.bin", machine.HomeWindowsPath() + "\\nowhere\\"),
              removal::RestoreResult::kFailed);
}

TEST_F(RemovalTest, NothingIsDeletedWithoutItsCopyAndLogEntry) {
    machine.PlantFile("C:\\Bad\\one.txt", "1");
    machine.PlantFile("C:\\Bad\\two.exe", "2");
    WriteDefinitions({"one.txt=BadOne|C:\\Bad", "two.exe=BadTwo|C:\\Bad"});

    // The quarantine folder cannot be made: a file holds its name.
    machine.HomeFile("quarantine", "in the way");
    Scan(false, false, false);
    RemoveAll();
    EXPECT_TRUE(Exists("C:\\Bad\\one.txt"));
    EXPECT_TRUE(Exists("C:\\Bad\\two.exe"));
    EXPECT_THAT(Texts(Form().frmDelete.lstProblem),
                ElementsAre("C:\\Bad\\one.txt", "C:\\Bad\\two.exe"));
    EXPECT_TRUE(Form().frmDelete.Visible());
    // Their rows stay, unticked, for another try.
    EXPECT_THAT(Texts(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved),
                ElementsAre("BadOne", "BadTwo"));
    EXPECT_FALSE(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(0).checked);
    EXPECT_THAT(Texts(Form().lvwFilesToBeDeleted),
                ElementsAre("C:\\Bad\\one.txt", "C:\\Bad\\two.exe"));

    // The log cannot be written (a folder holds its name): the copies are
    // made, but without their entries the files stay where they are.
    std::filesystem::remove(machine.Home() / "quarantine");
    std::filesystem::create_directories(QuarantinePath("QuarantineLog.txt"));
    Scan(false, false, false);
    RemoveAll();
    EXPECT_TRUE(Exists("C:\\Bad\\one.txt"));
    EXPECT_TRUE(Exists("C:\\Bad\\two.exe"));
    EXPECT_THAT(Texts(Form().frmDelete.lstProblem),
                ElementsAre("C:\\Bad\\one.txt", "C:\\Bad\\two.exe"));

    // Once the log can be written the same run's copies are used, not doubled.
    std::filesystem::remove(QuarantinePath("QuarantineLog.txt"));
    auto& q = Form().Quarantine();
    q.FirstRemovalPass = false;
    EXPECT_TRUE(q.QuarantineFile("C:\\Bad\\one.txt"));
    EXPECT_FALSE(Exists("C:\\Bad\\one.txt"));
    EXPECT_EQ(Log(), FileEntry("one.txt", "C:\\Bad\\one.txt"));
    EXPECT_FALSE(std::filesystem::exists(QuarantinePath("one.txt.001")));
}

TEST_F(RemovalTest, ConfirmationAndItsRefusals) {
    machine.PlantFile("C:\\Bad\\keep.txt", "k");
    WriteDefinitions({"keep.txt=Keep|C:\\Bad"});
    Scan(false, false, false);

    host.ExpectMsgBox(
        "No entries are selected.  You must check the box next to at least one "
        "item in the list.",
        ui::MsgResult::kOk);
    Form().Command4.Click();
    EXPECT_EQ(host.Shown().back().title, "Quellon Pro");
    EXPECT_EQ(host.Shown().back().style, ui::kOkOnly | ui::kInformation);

    // A scheduled removal asks nothing.
    Form().Session().UnattendedRemoval = true;
    Form().Command4.Click();
    Form().Session().UnattendedRemoval = false;
    EXPECT_EQ(host.Shown().size(), 1u);

    Form().cmdSelectAll.Click();
    host.ExpectMsgBox(
        "Deleted files will be backed up in the following folder in case you need "
        "to recover them:\r\n\r\n" +
            machine.HomeWindowsPath() + "\\quarantine",
        ui::MsgResult::kNo);
    Form().Command4.Click();
    EXPECT_EQ(host.Shown().back().title, "Really Delete?");
    EXPECT_EQ(host.Shown().back().style, ui::kYesNo);
    EXPECT_TRUE(Exists("C:\\Bad\\keep.txt"));
    EXPECT_EQ(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 1u);
}

// Clicks reach the window while a removal runs: neither a scan (which would
// refill the lists under it) nor Exclude (which drops the ticked rows under
// it) may end the program or make it touch rows that are gone.
TEST_F(RemovalTest, ARemovalSurvivesWhatItsEventsDoToTheLists) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        machine.PlantFile(std::string("C:\\Bad\\") + name, name);
    }
    WriteDefinitions({"a.txt=A|C:\\Bad", "b.txt=B|C:\\Bad", "c.txt=C|C:\\Bad"}, {}, {}, {});
    Scan(false, false, false);
    const size_t gathering = host.DoEventsCount() + 20001;
    // Start, pressed while the first file is removed, is not a second scan.
    host.AtDoEvents(gathering + 2, [&] { Form().lblStart.Click(); });
    RemoveAll();
    EXPECT_FALSE(Exists("C:\\Bad\\a.txt"));
    EXPECT_FALSE(Exists("C:\\Bad\\c.txt"));
    EXPECT_EQ(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count(), 0u);
    EXPECT_EQ(Stored(settings::kSettings, settings::keys::kLblDefRemoved), "6");

    // Exclude, pressed in the second pass, drops every ticked row at once.
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        machine.PlantFile(std::string("C:\\Bad\\") + name, name);
    }
    Scan(false, false, false);
    const size_t secondPass = host.DoEventsCount() + 20001 + 30;
    host.AtDoEvents(secondPass, [&] {
        host.ExpectMsgBox("Are you sure you want to exclude the selected files?",
                          ui::MsgResult::kYes);
        Form().cmdExclude.Click();
    });
    RemoveAll();
    EXPECT_EQ(Form().lvwFilesToBeDeleted.Count(), 0u);
    EXPECT_FALSE(Exists("C:\\Bad\\b.txt"));
    EXPECT_EQ(host.PendingMsgBoxes(), 0u);
}

// A file found by the scan and gone before the removal: nothing to copy,
// log or list, and the rest goes on.
TEST_F(RemovalTest, AFileThatWentBeforeTheRemovalIsPassedOver) {
    machine.PlantFile("C:\\Bad\\gone.txt", "g");
    machine.PlantFile("C:\\Bad\\here.txt", "h");
    WriteDefinitions({"gone.txt=Gone|C:\\Bad", "here.txt=Here|C:\\Bad"});
    Scan(false, false, false);
    ASSERT_TRUE(machine.Platform().files.Delete("C:\\Bad\\gone.txt"));
    RemoveAll();
    EXPECT_FALSE(Exists("C:\\Bad\\here.txt"));
    EXPECT_EQ(Form().frmDelete.lstProblem.Count(), 0u);
    EXPECT_EQ(Log(), FileEntry("here.txt", "C:\\Bad\\here.txt"));
    EXPECT_FALSE(std::filesystem::exists(QuarantinePath("gone.txt")));
}

TEST_F(RemovalTest, DeletePressedDuringARunStartsNoSecondRun) {
    machine.PlantFile("C:\\Bad\\one.txt", "1");
    WriteDefinitions({"one.txt=One|C:\\Bad"});
    Scan(false, false, false);
    host.AtDoEvents(host.DoEventsCount() + 5, [this] {
        Form().Command4.Click();
        Form().lblRemove.Click();
    });
    RemoveAll();
    EXPECT_EQ(host.Shown().size(), 1u);
    EXPECT_FALSE(Exists("C:\\Bad\\one.txt"));
    EXPECT_EQ(Log(), FileEntry("one.txt", "C:\\Bad\\one.txt"));
}

TEST_F(RemovalTest, ProblemWindowCopiesItsList) {
    auto& d = Form().frmDelete;
    d.lstProblem.Add("C:\\a\\b.exe");
    d.lstProblem.Add("C:\\c.dll");
    d.Command2.Click();
    ASSERT_FALSE(host.clipboard.empty());
    EXPECT_EQ(host.clipboard.back(), "C:\\a\\b.exe\r\nC:\\c.dll\r\n");
    d.Show();
    d.Command1.Click();
    EXPECT_FALSE(d.Visible());
}

}  // namespace
}  // namespace quellon::testing
