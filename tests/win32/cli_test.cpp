// quellon-cli.exe end to end on the real Windows machine (run under Wine):
// files, registry keys and values, cookies in the user's cookie folder and a
// running program named like a listed one, planted where Windows keeps them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/lines.h"
#include "common/text.h"
#include "definitions/codec.h"
#include "platform/win32/backend.h"
#include "support/sleeper.h"
#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using ::testing::ElementsAre;

std::string Encoded(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto line : lines) {
        out += definitions::EncodeDefinitionLine(line) + "\r\n";
    }
    return out;
}

struct CliRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;
};

// Runs quellon-cli.exe from the test's folder with the arguments; its
// standard output and error go to files in `dir`.
CliRun RunCli(const TempDir& dir, const std::string& arguments) {
    CliRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    static int runs = 0;
    const std::string n = std::to_string(++runs);
    const std::filesystem::path outPath = dir.path() / ("out" + n + ".txt");
    const std::filesystem::path errPath = dir.path() / ("err" + n + ".txt");
    HANDLE out = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE err = ::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::filesystem::path cli = win32::ExecutableFolder() / "quellon-cli.exe";
    std::wstring commandLine =
        L"\"" + cli.wstring() + L"\" " + win32::PathFromAnsi(arguments).wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(cli.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                         nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        if (::WaitForSingleObject(info.hProcess, 120000) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(info.hProcess, &run.exitCode);
        } else {
            ::TerminateProcess(info.hProcess, 99);
            ADD_FAILURE() << "quellon-cli.exe did not end";
        }
        ::CloseHandle(info.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << cli.string();
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
    run.out = ReadBytes(outPath);
    run.err = ReadBytes(errPath);
    return run;
}

// The program's own settings, taken away again when this test made them.
class OwnSettingsKeys {
public:
    OwnSettingsKeys() {
        for (const char* app : {"Quellon Pro", "ZorazeRizavezOzuvuruz"}) {
            const std::string key = std::string(win32::kProgramSettingsKey) + "\\" + app;
            HKEY h = nullptr;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
                ::RegCloseKey(h);
            } else {
                made_.push_back(key);
            }
        }
    }
    ~OwnSettingsKeys() {
        auto& registry = backend_.Platform().registry;
        for (const auto& key : made_) {
            registry.DeleteKeyTree(platform::kHkeyCurrentUser, key);
        }
    }

private:
    std::vector<std::string> made_;
    win32::Backend backend_;
};

TEST(Win32CliTest, ScanFindsWhatWasPlantedAndStopsTheProgramWindowsOnly) {
    OwnSettingsKeys keep;
    TestMachine machine;
    TempDir home, programs, output;
    auto& shell = machine.Platform().shell;
    const std::string system = shell.SystemDirectory();
    const std::string cookies = shell.SpecialFolder(platform::kCsidlCookies).value();
    const std::string exe = UniqueProgramName("qe2ebar");
    const std::string exeUpper = text::Upper(exe);

    machine.PlantFile(system + "\\qe2ebar.dll", "planted");
    machine.PlantFile("C:\\Program Files\\QE2E Bar\\qe2ebar.exe", "planted");
    machine.WriteRegistry(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\QE2E Bar]\r\n\"Toolbar\"=\"1\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\QE2E Bar Helper]\r\n@=\"x\"\r\n");
    machine.PlantFile(cookies + "\\user@qe2ebar[1].txt",
                      "id\n1\nads.qe2ebar.example/\n1024\n1\n1\n*\n");
    machine.PlantFile(cookies + "\\user@harmless[1].txt", "id\n1\nharmless.example/\n1024\n*\n");
    Sleeper running(programs.path(), exe);

    WriteBytes(home.path() / "FileDefinition.dat",
               Encoded({"qe2ebar.dll=QE2E Bar", "qe2ebar.exe=QE2E Bar|[pfiles]QE2E Bar",
                        "qe2eabsent.dll=QE2E Absent"}));
    WriteBytes(home.path() / "RegistryDefinition.dat",
               Encoded({"1^Software\\QE2E Bar^Toolbar=QE2E Bar Value",
                        "2^Software\\QE2E Bar Helper^=QE2E Bar Helper"}));
    WriteBytes(home.path() / "ExeDefinition.dat", Encoded({exe}));
    WriteBytes(home.path() / "BlockedCookies.dat", Encoded({"qe2e?ar.example"}));

    const std::string homePath = win32::WindowsPathOf(home.path());
    CliRun run = RunCli(output, "--home \"" + homePath + "\" scan");
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    const std::vector<std::string> lines = lines::SplitLines(run.out);
    EXPECT_EQ(run.out.find('\r'), std::string::npos) << "lines end with LF alone";
    EXPECT_THAT(
        lines,
        ElementsAre("found\tCookie Found: user@qe2ebar[1].txt",
                    "found\tDetected in the memory : " + exeUpper + " was stopped from running.",
                    "found\tQE2E Bar Value - Found", "found\tQE2E Bar Helper - Found",
                    "found\tQE2E Bar - Found",
                    "item\tCookie: user@qe2ebar[1].txt\t" + cookies + "\\user@qe2ebar[1].txt",
                    "item\tQE2E Bar Value\tHKEY_CURRENT_USER\\Software\\QE2E Bar",
                    "item\tQE2E Bar Helper\tHKEY_LOCAL_MACHINE\\Software\\QE2E Bar Helper",
                    "item\tQE2E Bar\t" + system + "\\qe2ebar.dll", "Scanning complete."))
        << run.err;
    EXPECT_TRUE(running.Killed());
}

TEST(Win32CliTest, MachineRootsAreForLinuxAndSettingsGoToTheRegistryWindowsOnly) {
    OwnSettingsKeys keep;
    TempDir output;
    CliRun run = RunCli(output, "--machine C:\\ scan");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_THAT(run.err, ::testing::HasSubstr("--machine"));
    run = RunCli(output, "settings set \"Quellon Pro\" Settings QE2EProbe \"a b\"");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER,
                              "Software\\VB and VBA Program Settings\\Quellon Pro\\Settings", 0,
                              KEY_READ | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    char value[64] = {};
    DWORD size = sizeof value, type = 0;
    EXPECT_EQ(
        ::RegQueryValueExA(key, "QE2EProbe", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
        ERROR_SUCCESS);
    ::RegDeleteValueA(key, "QE2EProbe");
    ::RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(value, "a b");
    run = RunCli(output, "settings get \"Quellon Pro\" Settings QE2EProbe none");
    EXPECT_EQ(run.out, "none\n") << run.err;
    EXPECT_EQ(run.exitCode, 0u);
}

}  // namespace
}  // namespace quellon::testing
