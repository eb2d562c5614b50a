// The whole window program on the real Windows machine (Wine): started as
// quellon-pro.exe starts it, a scan through its window finds what
// quellon-cli.exe finds on the same machine, the memory shield's alert is
// answered through its window, the tray menu slides above the taskbar, the
// single-instance lock holds and Run at Startup names the program.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "common/lines.h"
#include "common/text.h"
#include "definitions/codec.h"
#include "gui/win32/dialogs.h"
#include "gui/win32/main_window.h"
#include "gui/win32/program.h"
#include "gui/win32/text.h"
#include "gui/win32/tray_icon.h"
#include "gui/win32/tray_menu.h"
#include "gui/win32/win32_front_end.h"
#include "gui/win32/win32_host.h"
#include "platform/win32/backend.h"
#include "support/sleeper.h"
#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::gui::win32 {
namespace {

using testing::Sleeper;
using testing::TempDir;
using testing::TestMachine;
using Clock = std::chrono::steady_clock;

std::string Encoded(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto line : lines) {
        out += definitions::EncodeDefinitionLine(line) + "\r\n";
    }
    return out;
}

std::string Join(const std::vector<std::string>& parts, const std::string& between) {
    std::string out;
    for (const auto& part : parts) {
        out += (out.empty() ? "" : between) + part;
    }
    return out;
}

// A registry key the test may make, taken away again when it made it.
class OwnKey {
public:
    OwnKey(HKEY root, std::wstring key) : root_(root), key_(std::move(key)) {
        HKEY h = nullptr;
        if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
            RegCloseKey(h);
        } else {
            made_ = true;
        }
    }
    ~OwnKey() {
        if (made_) {
            RegDeleteTreeW(root_, key_.c_str());
        }
    }

private:
    HKEY root_;
    std::wstring key_;
    bool made_ = false;
};

// The Run value `name` of `root`; nullopt when there is none.
std::optional<std::wstring> RunValue(HKEY root, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", name,
                     RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
}

// Runs quellon-cli.exe (beside this test program) with `arguments`;
// returns its standard output.
std::string RunCli(const TempDir& dir, const std::string& arguments, DWORD* exitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const std::filesystem::path outPath = dir.path() / "cli-out.txt";
    HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::filesystem::path cli = ThisExecutable().parent_path() / "quellon-cli.exe";
    std::wstring commandLine = L"\"" + cli.wstring() + L"\" " + Wide(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(cli.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        if (WaitForSingleObject(info.hProcess, 120000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info.hProcess, exitCode);
        } else {
            TerminateProcess(info.hProcess, 99);
            ADD_FAILURE() << "quellon-cli.exe did not end";
        }
        CloseHandle(info.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << cli.string();
    }
    CloseHandle(out);
    return testing::ReadBytes(outPath);
}

// The rows of a report-style list view as it shows them.
std::vector<std::string> RowsOf(HWND list) {
    std::vector<std::string> rows;
    const auto count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        rows.push_back(Ansi(text));
    }
    return rows;
}

// The first window among `parent`'s descendants with the text `text`.
HWND FindByText(HWND parent, const std::wstring& text) {
    struct Search {
        const std::wstring* text;
        HWND found = nullptr;
    } search{&text};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t buffer[256] = {};
            GetWindowTextW(hwnd, buffer, 256);
            if (*s->text == buffer) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof init,
                                  ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&init);
        machine.HomeFile("Help.html", "<html><body>Help</body></html>");
    }
    void TearDown() override {
        program.reset();
        // A WM_QUIT a refused start left behind is not the next test's.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    void Definitions(std::initializer_list<std::string_view> files,
                     std::initializer_list<std::string_view> registry,
                     std::initializer_list<std::string_view> listed) {
        machine.HomeFile("FileDefinition.dat", Encoded(files));
        machine.HomeFile("RegistryDefinition.dat", Encoded(registry));
        machine.HomeFile("ExeDefinition.dat", Encoded(listed));
        machine.HomeFile("BlockedCookies.dat", "");
    }

    std::unique_ptr<Program> Make(bool lock = false) {
        ProgramOptions options;
        options.home = machine.Home();
        options.noLock = !lock;
        options.executable = L"C:\\Program Files\\Quellon Pro\\quellon-pro.exe";
        auto made = std::make_unique<Program>(options);
        made->Host().answer = [this](std::string_view text, int style, std::string_view) {
            boxes.emplace_back(text);
            return (style & 7) == ui::kYesNo ? ui::MsgResult::kNo : ui::MsgResult::kOk;
        };
        made->Host().openDocument = [](const std::wstring&) { return true; };
        return made;
    }

    // Starts `p` and runs its messages until its main window is up (or it
    // refused to start).
    static void Start(Program& p) {
        p.Start();
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        p.Host().RunUntil([&] { return p.Loaded() || p.Refused() || Clock::now() > deadline; });
    }

    bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        program->Host().RunUntil([&] { return done() || Clock::now() > deadline; });
        return done();
    }

    OwnKey settings{HKEY_CURRENT_USER,
                    Wide(std::string(quellon::win32::kProgramSettingsKey) + "\\Quellon Pro")};
    TestMachine machine;
    TempDir programs, output;
    std::unique_ptr<Program> program;
    std::vector<std::string> boxes;
};

TEST_F(ProgramTest, AScanThroughTheWindowFindsWhatTheCommandLineFinds) {
    OwnKey planted(HKEY_CURRENT_USER, L"Software\\QPW Bar");
    auto& shell = machine.Platform().shell;
    const std::string system = shell.SystemDirectory();
    const std::string exe = testing::UniqueProgramName("qpwbar");
    machine.PlantFile(system + "\\qpwbar.dll", "planted");
    machine.WriteRegistry(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\QPW Bar]\r\n\"Toolbar\"=\"1\"\r\n");
    Definitions({"qpwbar.dll=QPW Bar", "qpwabsent.dll=QPW Absent"},
                {"1^Software\\QPW Bar^Toolbar=QPW Bar Value"}, {exe});

    std::vector<std::string> shown;
    {
        Sleeper running(programs.path(), exe);
        program = Make();
        Start(*program);
        ASSERT_TRUE(program->Loaded());
        // As the user presses Start.
        program->Form().cmdScanNow.Click();
        EXPECT_FALSE(program->Form().Session().ScanRunning);
        HWND list = program->Window().Find("lvwSpywareFound");
        ASSERT_NE(list, nullptr);
        program->Window().Bindings().FlushLists();
        shown = RowsOf(list);
        EXPECT_TRUE(running.Killed()) << "the listed program still runs";
        // The program stays up after the scan.
        EXPECT_FALSE(program->Host().Ended());
        EXPECT_TRUE(IsWindow(program->Window().Handle()));
        program.reset();
    }
    ASSERT_EQ(shown.size(), 3u) << Join(shown, " | ");

    // The same machine again, the listed program running again, scanned by
    // the command line.
    machine.PlantFile(system + "\\qpwbar.dll", "planted");
    Sleeper again(programs.path(), exe);
    DWORD exitCode = 0;
    const std::string out = RunCli(
        output, "--home \"" + quellon::win32::WindowsPathOf(machine.Home()) + "\" scan", &exitCode);
    EXPECT_EQ(exitCode, 1u) << out;
    std::vector<std::string> found;
    for (const std::string& line : lines::SplitLines(out)) {
        if (line.rfind("found\t", 0) == 0) {
            found.push_back(line.substr(6));
        }
    }
    EXPECT_EQ(shown, found);
    const std::string all = Join(shown, "\n");
    EXPECT_NE(all.find("QPW Bar - Found"), std::string::npos) << all;
    EXPECT_NE(all.find("QPW Bar Value - Found"), std::string::npos) << all;
    EXPECT_NE(all.find(text::Upper(exe)), std::string::npos) << all;
}

TEST_F(ProgramTest, TheMemoryShieldsAlertIsAnsweredThroughItsWindow) {
    const std::string exe = testing::UniqueProgramName("qpwalert");
    Definitions({}, {}, {exe});
    Sleeper running(programs.path(), exe);
    program = Make();
    Start(*program);
    ASSERT_TRUE(program->Loaded());
    app::FrmMain& form = program->Form();
    auto& alert = form.frmSpywareFoundAlert;
    WindowDialog* dialog = program->Window().DialogFor(alert);
    ASSERT_NE(dialog, nullptr);

    // The user sees the alert on top and presses STOP; until then the
    // shield waits with the windows running.
    bool seen = false, onTop = false;
    const auto giveUp = Clock::now() + std::chrono::seconds(15);
    std::function<void()> pressStop = [&] {
        HWND window = dialog->Handle();
        HWND stop = window != nullptr ? FindByText(window, L"STOP") : nullptr;
        if (window == nullptr || !IsWindowVisible(window) || stop == nullptr) {
            if (Clock::now() < giveUp) {
                program->Host().Post(pressStop);
            } else {
                // Never shown: the wait ends and the test fails, not hangs.
                alert.SetVisible(false);
            }
            return;
        }
        seen = true;
        onTop = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        SendMessageW(stop, BM_CLICK, 0, 0);
    };
    program->Host().Post(pressStop);
    form.tmrMemoryInspected_Timer(protection::Trigger::kRequest);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(onTop);
    EXPECT_TRUE(alert.AlertAnswered);
    EXPECT_FALSE(alert.Visible());
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
    EXPECT_TRUE(running.Killed());
    EXPECT_FALSE(program->Host().Ended());
}

// The user's start page; nullopt when there is none.
std::optional<std::wstring> StartPage() {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main",
                     L"Start Page", RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
}

void SetStartPage(const std::optional<std::wstring>& page) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main", 0, nullptr,
                    0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (page) {
        RegSetValueExW(key, L"Start Page", 0, REG_SZ, reinterpret_cast<const BYTE*>(page->c_str()),
                       static_cast<DWORD>((page->size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, L"Start Page");
    }
    RegCloseKey(key);
}

TEST_F(ProgramTest, TheHomePageAlertIsAnsweredModallyThroughItsWindow) {
    const std::optional<std::wstring> before = StartPage();
    SetStartPage(L"https://start.example/");
    // No page remembered from an earlier run of the program in this prefix.
    RegDeleteKeyValueW(
        HKEY_CURRENT_USER,
        Wide(std::string(quellon::win32::kProgramSettingsKey) + "\\Quellon Pro\\OptionAndSettings")
            .c_str(),
        L"Homepage");
    Definitions({}, {}, {});
    program = Make();
    Start(*program);
    ASSERT_TRUE(program->Loaded());
    app::FrmMain& form = program->Form();
    // The first look remembers the page; then something changes it.
    form.tmrCheckHomePage_Timer();
    SetStartPage(L"https://hijack.example/");
    auto& alert = form.frmHomePageChangedAlert;
    WindowDialog* dialog = program->Window().DialogFor(alert);
    ASSERT_NE(dialog, nullptr);
    HWND main = program->Window().Handle();
    bool seen = false, mainDisabled = false;
    const auto giveUp = Clock::now() + std::chrono::seconds(15);
    std::function<void()> pressYes = [&] {
        HWND window = dialog->Handle();
        HWND yes = window != nullptr ? FindByText(window, L"Yes") : nullptr;
        if (window == nullptr || !IsWindowVisible(window) || yes == nullptr) {
            if (Clock::now() < giveUp) {
                program->Host().Post(pressYes);
            } else {
                // Never shown: the wait ends and the test fails, not hangs.
                alert.SetVisible(false);
            }
            return;
        }
        seen = true;
        // Modal: the main window takes no input meanwhile.
        mainDisabled = !IsWindowEnabled(main);
        SendMessageW(yes, BM_CLICK, 0, 0);
    };
    program->Host().Post(pressYes);
    form.tmrCheckHomePage_Timer();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(alert.Visible());
    EXPECT_EQ(alert.LastOutcome(), protection::FrmHomePageChangedAlert::Outcome::kRestored);
    EXPECT_EQ(StartPage(), std::optional<std::wstring>(L"https://start.example/"));
    EXPECT_FALSE(program->Host().Ended());
    SetStartPage(before);
}

TEST_F(ProgramTest, TheTrayMenuSlidesUpAboveTheTaskbarAndDownAgain) {
    Definitions({}, {}, {});
    program = Make();
    Start(*program);
    ASSERT_TRUE(program->Loaded());
    app::FrmMain& form = program->Form();
    form.SendToTray();
    ASSERT_TRUE(WaitFor([&] { return program->Window().Tray().Shown(); }));
    // A right click on the icon, as the notification area sends it.
    SendMessageW(program->Window().Handle(), TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
    auto& menu = form.frmMenuPopUp;
    ASSERT_TRUE(WaitFor([&] { return menu.Visible(); }));
    TrayMenu* window = program->Window().Menu();
    ASSERT_NE(window, nullptr);
    // Its timers move it up, tick by tick, until it stands on the taskbar.
    std::vector<int> tops;
    EXPECT_TRUE(WaitFor([&] {
        RECT r{};
        GetWindowRect(window->Handle(), &r);
        if (tops.empty() || tops.back() != r.top) {
            tops.push_back(r.top);
        }
        return menu.Top() == menu.TargetTop();
    }));
    EXPECT_GT(tops.size(), 3u) << "the menu did not slide";
    EXPECT_TRUE(std::is_sorted(tops.rbegin(), tops.rend())) << "the menu went down meanwhile";
    const app::ScreenArea screen = program->FrontEnd().Screen();
    RECT r{};
    GetWindowRect(window->Handle(), &r);
    EXPECT_TRUE(IsWindowVisible(window->Handle()));
    // Where its model says, at the bottom right above the taskbar.
    EXPECT_EQ(r.left, menu.PixelLeft());
    EXPECT_EQ(r.top, menu.PixelTop());
    EXPECT_EQ(r.right - r.left, tray::FrmMenuPopUp::PixelWidth());
    EXPECT_LE(r.bottom, screen.height - screen.taskbarHeight);
    EXPECT_GT(r.bottom, screen.height - screen.taskbarHeight - 16);
    EXPECT_LE(r.right, screen.width);
    EXPECT_GT(r.right, screen.width - 16);

    // "Close This Menu": down again and gone.
    menu.lblMenuClose_Click();
    EXPECT_TRUE(WaitFor([&] { return !menu.Visible(); }));
    EXPECT_FALSE(IsWindowVisible(window->Handle()));
    EXPECT_TRUE(program->Window().Tray().Shown());
}

TEST_F(ProgramTest, ASecondCopyForTheSameUserEndsAtOnce) {
    Definitions({}, {}, {});
    program = Make(true);
    Start(*program);
    ASSERT_TRUE(program->Loaded());
    auto second = Make(true);
    Start(*second);
    EXPECT_TRUE(second->Refused());
    EXPECT_FALSE(second->Loaded());
    EXPECT_TRUE(second->Host().Ended());
    EXPECT_FALSE(program->Host().Ended());
    second.reset();
    // Once the first ends, a new copy starts.
    program.reset();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    program = Make(true);
    Start(*program);
    EXPECT_TRUE(program->Loaded());
}

TEST_F(ProgramTest, RunAtStartupNamesTheQuotedProgramInTheUsersRunKey) {
    const std::optional<std::wstring> before = RunValue(HKEY_CURRENT_USER, L"quellon-pro");
    Definitions({}, {}, {});
    program = Make();
    Start(*program);
    ASSERT_TRUE(program->Loaded());
    auto& check = program->Form().chkRunAtStartup;
    check.SetChecked(true);
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, L"quellon-pro"),
              std::optional<std::wstring>(L"\"C:\\Program Files\\Quellon Pro\\quellon-pro.exe\""));
    check.SetChecked(false);
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, L"quellon-pro").has_value());
    if (before) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        RegSetValueExW(key, L"quellon-pro", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(before->c_str()),
                       static_cast<DWORD>((before->size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

}  // namespace
}  // namespace quellon::gui::win32
