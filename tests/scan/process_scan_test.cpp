#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/text.h"
#include "scan_fixture.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A real running process: a copy of sleep under a name of our choosing.
class Sleeper {
public:
    Sleeper(const std::filesystem::path& folder, const std::string& name,
            std::string_view extra = {}) {
        std::filesystem::create_directories(folder);
        path_ = folder / name;
        std::filesystem::copy_file("/bin/sleep", path_);
        if (!extra.empty()) {
            std::string bytes = ReadBytes(path_) + std::string(extra);
            WriteBytes(path_, bytes);
            std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
        }
        pid_ = fork();
        if (pid_ == 0) {
            execl(path_.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait until the exec has happened and /proc shows the new image.
        for (int i = 0; i < 200; ++i) {
            std::error_code ec;
            if (std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec) ==
                path_) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~Sleeper() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    // True when the process was killed (reaps it).
    bool Killed() {
        int status = 0;
        for (int i = 0; i < 400; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFSIGNALED(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    pid_t Pid() const { return pid_; }

private:
    std::filesystem::path path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

std::string Unique(std::string_view stem) {
    return std::string(stem) + std::to_string(getpid()) + ".exe";
}

class ProcessScanTest : public ScanTest {};

TEST_F(ProcessScanTest, ListedRunningProgramIsReportedAndStopped) {
    const std::string name = Unique("qbad");
    Sleeper bad(machine.Root() / "drive_c" / "Program Files" / "Bad", name);
    const std::string upper = text::Upper(name);
    WriteDefinitions({}, {}, {"harmless.exe", "prefix" + name});
    Scan(false, true, false);
    auto& f = Form();
    EXPECT_THAT(Texts(f.lvwSpywareFound),
                ElementsAre("Detected in the memory : " + upper + " was stopped from running."));
    EXPECT_TRUE(bad.Killed());
    EXPECT_EQ(f.Session().counters.SpywareFound, 1);
    EXPECT_NE(f.lblTotalNoOfRunningItems.Caption(), "0");
    // The process list does not go to the removal list.
    EXPECT_THAT(Texts(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved), IsEmpty());
}

TEST_F(ProcessScanTest, ExcludedMicrosoftAndFirstOccurrenceRules) {
    const std::string excluded = Unique("qexcl");
    const std::string microsoft = Unique("qmsft");
    const std::string inside = Unique("qins");
    std::string msBlock = scan::ToWideBytes("StringFileInfo") + scan::ToWideBytes("CompanyName") +
                          std::string(4, '\0') + scan::ToWideBytes("Microsoft Corporation") +
                          std::string(4, '\0');
    Sleeper a(machine.Root() / "drive_c" / "x", excluded);
    Sleeper b(machine.Root() / "drive_c" / "x", microsoft, msBlock);
    Sleeper c(machine.Root() / "drive_c" / "x", inside);
    machine.HomeFile("ENoSignature.txt", excluded + "\r\n");
    // The name first occurs inside a longer line that does not end with it,
    // so the exact line that follows is never reached.
    WriteDefinitions({}, {}, {excluded, microsoft, inside + ".bak", inside});
    Scan(false, true, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), IsEmpty());
    EXPECT_FALSE(a.Killed());
}

TEST_F(ProcessScanTest, NinetyFiveFamilyAsksOutsideAScan) {
    machine.WriteMachineIni("[Version]\r\nPlatformId=1\r\nMajor=4\r\nMinor=90\r\n");
    const std::string name = Unique("qnine");
    Sleeper bad(machine.Root() / "drive_c" / "x", name);
    WriteDefinitions({}, {}, {name});
    const std::string upper = text::Upper(name);
    host.ExpectMsgBox("Quellon Pro has found  [" + upper +
                          "] using you system memory.Click YES to stop [" + upper +
                          "] from using your system memory. Otherwise click No.",
                      ui::MsgResult::kNo);
    Form().ScanRunningProcesses();
    ASSERT_EQ(host.Shown().size(), 1u);
    EXPECT_EQ(host.Shown()[0].title, "Quellon Pro  - Alert");
    // No: the name is excluded from now on.
    EXPECT_EQ(machine.ReadHome("ENoSignature.txt"), upper + "\r\n");
    Form().ScanRunningProcesses();
    EXPECT_EQ(host.Shown().size(), 1u);
    // Inside a scan the program is listed and stopped without a question.
    machine.HomeFile("ENoSignature.txt", "");
    Form().Exclusions().Load();
    Scan(false, true, false);
    EXPECT_THAT(Texts(Form().lvwSpywareFound), ElementsAre("Detected in the memory : " + upper +
                                                           " and was stopped being from ruuning."));
    EXPECT_TRUE(bad.Killed());
}

TEST(StopProcessByNameTest, ShortAndLongNameForms) {
    TestMachine machine;
    const std::string longName = "qlongname" + std::to_string(getpid()) + "abcdefgh.exe";
    Sleeper longOne(machine.Root() / "x", longName);
    // Only the first 15 characters are compared.
    EXPECT_TRUE(
        scan::StopProcessByName(machine.Platform().processes, longName.substr(0, 15) + "zzz.exe"));
    EXPECT_TRUE(longOne.Killed());

    const std::string shortName = "QSHORT~1";
    Sleeper shortOne(machine.Root() / "x", "qshort~1");
    EXPECT_TRUE(scan::StopProcessByName(machine.Platform().processes, "qshortab.exe"));
    EXPECT_TRUE(shortOne.Killed());
    // Nothing of that name runs: reported as stopped.
    EXPECT_TRUE(scan::StopProcessByName(machine.Platform().processes, "qnosuchprocess.exe"));
}

TEST(NormalizeSystemPathTest, MapsSystemRootPrefixes) {
    TestMachine machine;
    auto& shell = machine.Platform().shell;
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "\\SystemRoot\\System32\\SMSS.EXE"),
              "C:\\WINDOWS\\system32\\SMSS.EXE");
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "\\??\\C:\\WINDOWS\\system32\\csrss.exe"),
              "C:\\WINDOWS\\system32\\csrss.exe");
    EXPECT_EQ(scan::NormalizeSystemPath(shell, "C:\\Other\\a.exe"), "C:\\Other\\a.exe");
}

}  // namespace
}  // namespace quellon::testing
