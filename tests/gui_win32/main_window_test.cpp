// The main window of the Windows program on the real Windows machine (run
// under Wine): the program started as a user starts it, driven through its
// real controls and menu, with message boxes answered by script.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/frm_main.h"
#include "definitions/codec.h"
#include "gui/win32/dialogs.h"
#include "gui/win32/main_window.h"
#include "gui/win32/program.h"
#include "gui/win32/text.h"
#include "gui/win32/tray_icon.h"
#include "gui/win32/win32_host.h"
#include "platform/win32/backend.h"
#include "settings/settings_store.h"
#include "support/test_machine.h"

namespace quellon::testing {
namespace {

using gui::win32::MainWindow;
namespace keys = settings::keys;

std::string Encoded(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto line : lines) {
        out += definitions::EncodeDefinitionLine(line) + "\r\n";
    }
    return out;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[64] = {};
    GetClassNameW(hwnd, buffer, 64);
    return buffer;
}

bool Bold(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW logical{};
    return font != nullptr && GetObjectW(font, sizeof logical, &logical) != 0 &&
           logical.lfWeight >= FW_BOLD;
}

// The program's own settings, taken away again when the test made them.
class OwnSettingsKey {
public:
    OwnSettingsKey() {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
            RegCloseKey(h);
        } else {
            made_ = true;
        }
    }
    ~OwnSettingsKey() {
        if (made_) {
            RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
        }
    }

private:
    std::string key_ = std::string(win32::kProgramSettingsKey) + "\\Quellon Pro";
    bool made_ = false;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof init,
                                  ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&init);
        WriteDefinitions({"qmwtest.dll=QMW Test"});
        machine.HomeFile("Help.html", "<html><body>Help</body></html>");
    }
    void TearDown() override {
        program.reset();
        if (wakeUp_ != 0) {
            KillTimer(nullptr, wakeUp_);
        }
    }

    void WriteDefinitions(std::initializer_list<std::string_view> files) {
        machine.HomeFile("FileDefinition.dat", Encoded(files));
        machine.HomeFile("RegistryDefinition.dat", "");
        machine.HomeFile("ExeDefinition.dat", "");
        machine.HomeFile("BlockedCookies.dat", "");
    }

    // Starts the program and runs its messages until the main window is up.
    void Start() {
        gui::win32::ProgramOptions options;
        options.home = machine.Home();
        options.noLock = true;
        program = std::make_unique<gui::win32::Program>(options);
        auto& host = program->Host();
        host.answer = [this](std::string_view text, int style, std::string_view) {
            shown.emplace_back(text);
            if (!script.empty() && text.find(script.front().first) != std::string_view::npos) {
                const ui::MsgResult answer = script.front().second;
                script.pop_front();
                return answer;
            }
            unexpected.emplace_back(text);
            return (style & 7) == ui::kYesNo ? ui::MsgResult::kNo : ui::MsgResult::kOk;
        };
        host.openDocument = [this](const std::wstring& path) {
            opened.push_back(path);
            return true;
        };
        // Messages keep coming while the start window waits.
        wakeUp_ = SetTimer(nullptr, 0, 20, nullptr);
        program->Start();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        host.RunUntil([&] {
            return program->Loaded() || program->Refused() ||
                   std::chrono::steady_clock::now() > deadline;
        });
        ASSERT_TRUE(program->Loaded());
        Settle();
    }

    // Runs the messages that wait; the lists show their rows.
    void Settle() {
        for (int round = 0; round < 3; ++round) {
            while (program->Host().PumpOne()) {
            }
            Window().Bindings().FlushLists();
        }
    }

    // Runs messages (timers too) until `done` holds; false after `ms`.
    bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        program->Host().RunUntil(
            [&] { return done() || std::chrono::steady_clock::now() > deadline; });
        Settle();
        return done();
    }

    app::FrmMain& Form() { return program->Form(); }
    MainWindow& Window() { return program->Window(); }
    HWND Control(const char* name) {
        HWND control = Window().Find(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    // A click on a button as the user's mouse makes it.
    void Click(const char* name) {
        SendMessageW(Control(name), BM_CLICK, 0, 0);
        Settle();
    }
    void Menu(const char* name) {
        const UINT id = Window().MenuId(name);
        ASSERT_NE(id, 0u) << name;
        SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Settle();
    }
    bool Shown(const char* name) { return IsWindowVisible(Control(name)) != FALSE; }
    void Expect(std::string text, ui::MsgResult answer) {
        script.emplace_back(std::move(text), answer);
    }

    OwnSettingsKey keep;
    TestMachine machine;
    std::unique_ptr<gui::win32::Program> program;
    std::deque<std::pair<std::string, ui::MsgResult>> script;
    std::vector<std::string> shown, unexpected;
    std::vector<std::wstring> opened;

private:
    UINT_PTR wakeUp_ = 0;
};

TEST_F(MainWindowTest, NavigationButtonsSwitchThePagesAndTheTabsTheirPanels) {
    Start();
    HWND window = Window().Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(TextOf(window), L"Quellon Pro by Quellon Software");
    EXPECT_TRUE(Shown("frmStatus"));
    EXPECT_EQ(TextOf(Control("frmStatusTitle")), L"Quellon Pro Status");
    EXPECT_EQ(TextOf(Control("Label22")), L"Welcome to Quellon Pro");
    EXPECT_TRUE(Bold(Control("cmdStatus")));

    Click("cmdSettings");
    EXPECT_TRUE(Form().frmOptions.Visible());
    EXPECT_TRUE(Shown("frmOptions"));
    EXPECT_FALSE(Shown("frmStatus"));
    EXPECT_TRUE(Bold(Control("cmdSettings")));
    EXPECT_FALSE(Bold(Control("cmdStatus")));
    EXPECT_TRUE(Shown("frmView0"));
    EXPECT_TRUE(Shown("chkSweepMemory"));

    // The user picks the third tab: its panel shows, the first one goes.
    HWND tabs = Control("TabStrip1");
    EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
    SendMessageW(tabs, TCM_SETCURSEL, 2, 0);
    NMHDR change{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), TCN_SELCHANGE};
    SendMessageW(GetParent(tabs), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    Settle();
    EXPECT_EQ(Form().TabStrip1.SelectedIndex(), 3);
    EXPECT_TRUE(Shown("frmView2"));
    EXPECT_FALSE(Shown("frmView0"));
    EXPECT_TRUE(Shown("optAlwaysnotifybeforerestoring"));

    Click("cmdScan");
    EXPECT_TRUE(Shown("frmScan"));
    EXPECT_FALSE(Shown("frmOptions"));
    EXPECT_FALSE(Shown("optAlwaysnotifybeforerestoring"));
    Click("cmdResults");
    EXPECT_TRUE(Shown("frmResults"));
    EXPECT_FALSE(Shown("frmScan"));
    EXPECT_TRUE(unexpected.empty()) << unexpected.front();
}

TEST_F(MainWindowTest, MenuItemsShowTheirModelsAndRunTheirProcedures) {
    Start();
    HMENU bar = GetMenu(Window().Handle());
    ASSERT_NE(bar, nullptr);
    const wchar_t* titles[] = {L"&File", L"&Settings", L"&Quarantine",
                               L"&Help", L"&About",    L"&Debug"};
    ASSERT_EQ(GetMenuItemCount(bar), 6);
    for (int i = 0; i < 6; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, titles[i]);
    }
    HMENU file = GetSubMenu(bar, 0);
    const wchar_t* items[] = {L"Scan Now",         L"View Log", L"Run Live Update",
                              L"Minimize to Tray", L"",         L"Exit"};
    ASSERT_EQ(GetMenuItemCount(file), 6);
    for (int i = 0; i < 6; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(file, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i]);
    }
    // A greyed model greys its item.
    const UINT scanNow = Window().MenuId("mnuFileScanNow");
    Form().mnuFileScanNow.SetEnabled(false);
    EXPECT_TRUE(GetMenuState(file, scanNow, MF_BYCOMMAND) & MF_GRAYED);
    Form().mnuFileScanNow.SetEnabled(true);
    EXPECT_FALSE(GetMenuState(file, scanNow, MF_BYCOMMAND) & MF_GRAYED);

    // Settings > Schedule: the option page on its second tab.
    Menu("mnuSettingsItem2");
    EXPECT_TRUE(Shown("frmOptions"));
    EXPECT_EQ(Form().TabStrip1.SelectedIndex(), 3);
    EXPECT_EQ(SendMessageW(Control("TabStrip1"), TCM_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(Shown("frmView2"));
    Menu("mnuFileScanNow");
    EXPECT_TRUE(Shown("frmScan"));
    // Help opens the help file through the shell.
    opened.clear();
    Menu("mnuViewHelp");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find(L"Help"), std::wstring::npos);
}

TEST_F(MainWindowTest, TheEngineWindowsBelongToTheMainWindow) {
    Start();
    auto& f = Form();
    for (ui::Window* model :
         std::initializer_list<ui::Window*>{&f.frmDelete, &f.frmReport, &f.frmSpywareFoundAlert,
                                            &f.frmHomePageChangedAlert, &f.frmDownload}) {
        gui::win32::WindowDialog* dialog = Window().DialogFor(*model);
        ASSERT_NE(dialog, nullptr) << model->Caption();
        EXPECT_EQ(&dialog->Model(), model);
        EXPECT_EQ(GetWindow(dialog->Handle(), GW_OWNER), Window().Handle());
    }
    EXPECT_EQ(Window().DialogFor(f.frmMenuPopUp), nullptr);
    // Debug > Show SpywareFound shows the memory shield's alert window.
    gui::win32::WindowDialog* alert = Window().DialogFor(f.frmSpywareFoundAlert);
    EXPECT_FALSE(IsWindowVisible(alert->Handle()));
    Menu("mnuDebugSpyware");
    EXPECT_TRUE(f.frmSpywareFoundAlert.Visible());
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(alert->Handle()) != FALSE; }));
    f.frmSpywareFoundAlert.SetVisible(false);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(alert->Handle()) == FALSE; }));
}

TEST_F(MainWindowTest, TheTrayIconsMessagesReachTheForm) {
    Start();
    HWND window = Window().Handle();
    Menu("mnuFileMinimize");
    EXPECT_TRUE(Form().clsTray.bRunningInTray());
    EXPECT_FALSE(Form().frmMainWindow.Visible());
    if (Window().Tray().Shown()) {
        EXPECT_FALSE(IsWindowVisible(window));
        // The icon holds the program: it is off the taskbar.
        EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    } else {
        // Without a notification area the window waits on the taskbar.
        EXPECT_TRUE(IsIconic(window));
    }
    EXPECT_EQ(Form().Settings().Get(settings::kSettings, keys::kMinimized, ""), "Yes");

    // The right button opens the slide-up menu; a double click brings the
    // window back.
    constexpr WPARAM kIcon = 1;
    SendMessageW(window, gui::win32::TrayIcon::kCallbackMessage, kIcon, WM_RBUTTONUP);
    EXPECT_TRUE(WaitFor([&] { return Form().frmMenuPopUp.Visible(); }));
    SendMessageW(window, gui::win32::TrayIcon::kCallbackMessage, kIcon, WM_LBUTTONDBLCLK);
    Settle();
    EXPECT_TRUE(Form().frmMainWindow.Visible());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(Form().Settings().Get(settings::kSettings, keys::kMinimized, ""), "No");

    // A mouse message while the program is not in the tray does nothing.
    Form().frmMenuPopUp.Unload();
    Form().clsTray.RemoveIcon(Form().frmMainWindow);
    SendMessageW(window, gui::win32::TrayIcon::kCallbackMessage, kIcon, WM_RBUTTONUP);
    Settle();
    EXPECT_FALSE(Form().frmMenuPopUp.Visible());
}

TEST_F(MainWindowTest, MinimisingAndRestoringGoThroughTheForm) {
    Start();
    HWND window = Window().Handle();
    ASSERT_TRUE(Form().chkAutoProtect.Checked());
    // Shown in normal state the memory shield pauses.
    EXPECT_FALSE(Form().tmrMemoryInspected.Enabled());
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    ShowWindow(window, SW_MINIMIZE);
    Settle();
    EXPECT_EQ(Form().frmMainWindow.WindowState(), ui::Window::State::kMinimized);
    EXPECT_TRUE(Form().tmrMemoryInspected.Enabled());
    EXPECT_FALSE(Form().frmMainWindow.ShowInTaskList());
    // Nothing in the tray holds the program: the window stays on the
    // taskbar, where the user finds it again.
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    ShowWindow(window, SW_RESTORE);
    Settle();
    EXPECT_EQ(Form().frmMainWindow.WindowState(), ui::Window::State::kNormal);
    EXPECT_FALSE(Form().tmrMemoryInspected.Enabled());
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    // The model minimises the window as well.
    Form().frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
    Settle();
    EXPECT_TRUE(IsIconic(window));
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgramThroughTheForm) {
    Start();
    HWND window = Window().Handle();
    SendMessageW(window, WM_CLOSE, 0, 0);
    Settle();
    EXPECT_TRUE(program->Host().Ended());
    EXPECT_EQ(Form().Settings().Get(settings::kOptionAndSettings, keys::kSTATUS, ""), "STOPPED");
    EXPECT_FALSE(Form().frmMainWindow.Visible());
    EXPECT_FALSE(IsWindowVisible(window));
    // The window still lives (the program ends it), and a second close
    // does not ask the form again.
    ASSERT_TRUE(IsWindow(window));
    Form().Settings().Save(settings::kOptionAndSettings, keys::kSTATUS, "RUNNING");
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Form().Settings().Get(settings::kOptionAndSettings, keys::kSTATUS, ""), "RUNNING");
}

TEST_F(MainWindowTest, ControlsAndModelsFollowEachOther) {
    Start();
    auto& f = Form();
    Click("cmdSettings");
    // The user's tick reaches the model and is stored.
    ASSERT_TRUE(f.chkMakeLog.Checked());
    Click("chkMakeLog");
    EXPECT_FALSE(f.chkMakeLog.Checked());
    EXPECT_EQ(SendMessageW(Control("chkMakeLog"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(f.Settings().GetNumber(settings::kOptionAndSettings, keys::kChkMakeLog, -1), 0);

    // Model changes show in their controls.
    f.lblStatus.SetCaption("Scanning C:\\WINDOWS");
    EXPECT_EQ(TextOf(Control("lblStatus")), L"Scanning C:\\WINDOWS");
    f.pb1.SetValue(40);
    EXPECT_EQ(SendMessageW(Control("pb1"), PBM_GETPOS, 0, 0), 40);
    f.cmdStop.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(Control("cmdStop")));
    f.cmdStop.SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(Control("cmdStop")));
    // The protection lines follow the options.
    EXPECT_EQ(TextOf(Control("guard1")), L"On, paused while this window is shown");
    EXPECT_EQ(TextOf(Control("guard3")), L"Off");
    f.chkAutoProtect.SetChecked(false);
    EXPECT_EQ(TextOf(Control("guard1")), L"Off");
    // The banner's links are the models' and run their procedures.
    EXPECT_EQ(TextOf(Control("lblOptions")), L"Options");
    SendMessageW(Window().Handle(), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(Control("lblOptions")), STN_CLICKED),
                 reinterpret_cast<LPARAM>(Control("lblOptions")));
    Settle();
    EXPECT_TRUE(f.PicOptions.Visible());
    EXPECT_FALSE(f.lblOptions.Enabled());
    EXPECT_FALSE(IsWindowEnabled(Control("lblOptions")));
}

TEST_F(MainWindowTest, AScanThroughTheWindowListsTheTraceAndStopsOnRequest) {
    auto& shell = machine.Platform().shell;
    const std::string planted = shell.SystemDirectory() + "\\qmwtest.dll";
    machine.PlantFile(planted, "planted");
    // Many files to look for, the planted one last: the scan takes a while.
    std::string files;
    for (int i = 0; i < 4000; ++i) {
        files +=
            definitions::EncodeDefinitionLine("qmwabsent" + std::to_string(i) + ".dll=QMW Absent") +
            "\r\n";
    }
    machine.HomeFile("FileDefinition.dat",
                     files + definitions::EncodeDefinitionLine("qmwtest.dll=QMW Test") + "\r\n");
    Start();
    Click("cmdScan");
    ASSERT_TRUE(IsWindowEnabled(Control("cmdScanNow")));
    Click("cmdScanNow");
    EXPECT_FALSE(Form().Session().ScanRunning);
    HWND found = Control("lvwSpywareFound");
    ASSERT_GE(SendMessageW(found, LVM_GETITEMCOUNT, 0, 0), 1);
    bool listed = false;
    for (int i = 0; i < SendMessageW(found, LVM_GETITEMCOUNT, 0, 0); ++i) {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(found, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        listed = listed || std::wstring(text).find(L"QMW Test") != std::wstring::npos;
    }
    EXPECT_TRUE(listed);
    EXPECT_EQ(TextOf(Control("lblSoftwareFound")), L"1");

    // "Click Here to Continue": the removal list with the row ticked.
    ASSERT_TRUE(IsWindowVisible(Control("cmdRemove")));
    Click("cmdRemove");
    EXPECT_TRUE(Shown("frmResults"));
    HWND removal = Control("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    ASSERT_EQ(
        SendMessageW(removal, LVM_GETITEMCOUNT, 0, 0),
        static_cast<LRESULT>(Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Items().size()));

    // A second scan: Stop, clicked while it runs, is asked about and ends
    // it before it reaches the listed file at the end; the window answers
    // meanwhile.
    Click("cmdScan");
    Expect("Are you sure you want to stop the scan?", ui::MsgResult::kYes);
    PostMessageW(Control("cmdStop"), BM_CLICK, 0, 0);
    Click("cmdScanNow");
    EXPECT_TRUE(script.empty()) << "Stop was not clicked during the scan";
    EXPECT_FALSE(Form().Session().ScanRunning);
    EXPECT_EQ(TextOf(Control("lblSoftwareFound")), L"0");
    EXPECT_TRUE(unexpected.empty()) << unexpected.front();
}

TEST_F(MainWindowTest, TensOfThousandsOfRowsShowWithoutHoldingTheWindow) {
    Start();
    auto& list = Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 30000; ++i) {
        list.Add("Trace " + std::to_string(i), 3).SetSubItems({"C:\\x\\" + std::to_string(i)});
    }
    Click("cmdResults");
    const auto took = std::chrono::steady_clock::now() - began;
    HWND removal = Control("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    EXPECT_EQ(SendMessageW(removal, LVM_GETITEMCOUNT, 0, 0), 30000);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 5000);
    // The window answers at once.
    DWORD_PTR result = 0;
    EXPECT_NE(
        SendMessageTimeoutW(Window().Handle(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
}

// Whether a control's text fits its place in the control's own font.
std::string Unfitting(HWND control, UINT dpi) {
    const std::wstring text = TextOf(control);
    const std::wstring kind = ClassOf(control);
    if (text.empty() || (kind != L"Static" && kind != L"Button")) {
        return {};
    }
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (kind == L"Static" && (style & SS_ENDELLIPSIS) == SS_ENDELLIPSIS) {
        return {};
    }
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    RECT need{0, 0, client.right, 0};
    UINT format = DT_CALCRECT | DT_NOPREFIX;
    const LONG type = style & BS_TYPEMASK;
    int room = client.right;
    if (kind == L"Static") {
        format |= DT_WORDBREAK;
    } else {
        format |= DT_SINGLELINE;
        need.right = 0;
        const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                         type == BS_AUTORADIOBUTTON;
        room -= box ? GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) + MulDiv(6, dpi, 96)
                    : MulDiv(type == BS_GROUPBOX ? 16 : 8, dpi, 96);
    }
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const bool fits = need.right <= room && (type == BS_GROUPBOX || need.bottom <= client.bottom);
    return fits ? std::string() : gui::win32::Ansi(text);
}

// Every control inside its parent, no two controls on the same parent on
// top of each other (group boxes hold controls, panels are places), and
// every text whole.
void ExpectLaidOut(HWND window, UINT dpi) {
    std::vector<HWND> all;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM out) {
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    ASSERT_GT(all.size(), 100u);
    auto placeOf = [](HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto container = [](HWND control) {
        const std::wstring kind = ClassOf(control);
        return kind == L"QuellonPanel" || kind == WC_TABCONTROLW ||
               (kind == L"Button" &&
                (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX);
    };
    for (HWND control : all) {
        HWND parent = GetParent(control);
        // The list view's header and the pickers' parts are not laid out here.
        if (ClassOf(parent) == WC_LISTVIEWW || ClassOf(parent) == L"ComboBox" ||
            ClassOf(parent) == L"SysDateTimePick32") {
            continue;
        }
        RECT place = placeOf(control);
        RECT room;
        GetClientRect(parent, &room);
        const std::string what = gui::win32::Ansi(ClassOf(control)) + " \"" +
                                 gui::win32::Ansi(TextOf(control)) + "\" at " +
                                 std::to_string(place.left) + "," + std::to_string(place.top);
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= room.right &&
                    place.bottom <= room.bottom)
            << what << " is cut off at " << dpi << " dpi";
        EXPECT_EQ(Unfitting(control, dpi), "") << "text cut off at " << dpi << " dpi";
        if (container(control)) {
            continue;
        }
        for (HWND other : all) {
            if (other == control || GetParent(other) != parent || container(other) ||
                other < control) {
                continue;
            }
            RECT a = placeOf(other), overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &place, &a))
                << what << " overlaps " << gui::win32::Ansi(ClassOf(other)) << " \""
                << gui::win32::Ansi(TextOf(other)) << "\" at " << dpi << " dpi";
        }
    }
}

TEST_F(MainWindowTest, NothingIsCutOffOrOverlapsAt96And144Dpi) {
    Start();
    HWND window = Window().Handle();
    RECT client;
    GetClientRect(window, &client);
    const UINT dpi = Window().PlacedDpi();
    EXPECT_EQ(client.right, MulDiv(MainWindow::kClientWidth, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(MainWindow::kClientHeight, dpi, 96));
    ExpectLaidOut(window, dpi);

    // Moved to a monitor at 150 %: Windows proposes the larger place.
    RECT outer;
    GetWindowRect(window, &outer);
    RECT suggested{outer.left, outer.top, outer.left + MulDiv(outer.right - outer.left, 144, 96),
                   outer.top + MulDiv(outer.bottom - outer.top, 144, 96)};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    Settle();
    EXPECT_EQ(Window().PlacedDpi(), 144u);
    RECT page;
    GetWindowRect(Control("frmStatus"), &page);
    EXPECT_EQ(page.right - page.left, MulDiv(MainWindow::kClientWidth - 188, 144, 96));
    ExpectLaidOut(window, 144);
}

}  // namespace
}  // namespace quellon::testing
