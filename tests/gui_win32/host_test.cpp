// The Windows host and the front-end's own services on the real API under
// Wine: model timers on SetTimer, the time-sliced message pump, message
// boxes answered by the test, the document opener's refusals, the
// single-instance mutex, the Run value, the screen's taskbar and the tray
// icon's messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "gui/win32/program.h"
#include "gui/win32/text.h"
#include "gui/win32/tray_icon.h"
#include "gui/win32/win32_front_end.h"
#include "gui/win32/win32_host.h"
#include "support/temp_dir.h"
#include "ui/controls.h"

namespace quellon::gui::win32 {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Runs the host's messages until `done` holds or `limit` passes.
bool RunFor(Win32Host& host, const std::function<bool()>& done,
            std::chrono::milliseconds limit = 3000ms) {
    const auto end = Clock::now() + limit;
    host.RunUntil([&] { return done() || Clock::now() >= end; });
    return done();
}

// Lets messages run for `time`, whatever happens meanwhile.
void RunAWhile(Win32Host& host, std::chrono::milliseconds time) {
    const auto end = Clock::now() + time;
    host.RunUntil([&] { return Clock::now() >= end; });
}

TEST(Win32HostTimers, FollowTheirModelsEnabledAndInterval) {
    Win32Host host;
    ui::Timer timer(20, false);
    int ticks = 0;
    timer.onTick = [&] { ++ticks; };
    host.AddTimer(timer);
    EXPECT_FALSE(host.TimerRunning(timer));
    RunAWhile(host, 80ms);
    EXPECT_EQ(ticks, 0) << "a disabled timer ticked";

    timer.SetEnabled(true);
    int interval = 0;
    EXPECT_TRUE(host.TimerRunning(timer, &interval));
    EXPECT_EQ(interval, 20);
    EXPECT_TRUE(RunFor(host, [&] { return ticks >= 3; }));

    timer.SetInterval(35);
    EXPECT_TRUE(host.TimerRunning(timer, &interval));
    EXPECT_EQ(interval, 35);

    // An interval of 0 stops the timer though it stays enabled.
    timer.SetInterval(0);
    EXPECT_FALSE(host.TimerRunning(timer));
    const int before = ticks;
    RunAWhile(host, 80ms);
    EXPECT_EQ(ticks, before);

    timer.SetInterval(10);
    timer.SetEnabled(false);
    EXPECT_FALSE(host.TimerRunning(timer));
    RunAWhile(host, 60ms);
    EXPECT_EQ(ticks, before);
    host.RemoveTimer(timer);
    EXPECT_FALSE(host.TimerRunning(timer));
}

TEST(Win32HostTimers, ATickThatLetsEventsRunIsNotEnteredAgain) {
    Win32Host host;
    host.SetEventSlice(0ms);
    ui::Timer slow(5, true);
    ui::Timer other(5, true);
    int depth = 0, deepest = 0, slowTicks = 0, otherTicks = 0;
    slow.onTick = [&] {
        ++slowTicks;
        deepest = std::max(deepest, ++depth);
        // A scan inside a tick: events run for a while, as DoEvents does.
        const auto end = Clock::now() + 60ms;
        while (Clock::now() < end) {
            host.DoEvents();
        }
        --depth;
    };
    other.onTick = [&] { ++otherTicks; };
    host.AddTimer(slow);
    host.AddTimer(other);
    EXPECT_TRUE(RunFor(host, [&] { return slowTicks >= 3; }));
    EXPECT_EQ(deepest, 1) << "the timer's tick ran inside itself";
    // Other timers go on ticking inside the long tick.
    EXPECT_GT(otherTicks, slowTicks);
    host.RemoveTimer(slow);
    host.RemoveTimer(other);
}

TEST(Win32HostTimers, ATimerRemovedWhileItTicksStopsAndOthersGoOn) {
    Win32Host host;
    ui::Timer once(5, true);
    ui::Timer later(5, true);
    int onceTicks = 0, laterTicks = 0;
    once.onTick = [&] {
        ++onceTicks;
        host.RemoveTimer(once);
        // Adding one meanwhile keeps the removed entry until the tick ends.
        host.AddTimer(later);
    };
    later.onTick = [&] { ++laterTicks; };
    host.AddTimer(once);
    EXPECT_TRUE(RunFor(host, [&] { return laterTicks >= 3; }));
    EXPECT_EQ(onceTicks, 1);
    EXPECT_FALSE(host.TimerRunning(once));
    host.RemoveTimer(later);
    const int before = laterTicks;
    RunAWhile(host, 50ms);
    EXPECT_EQ(laterTicks, before);
}

TEST(Win32HostEvents, DoEventsRunsPostedMessagesOncePerSlice) {
    Win32Host host;
    host.SetEventSlice(std::chrono::hours(1));
    int runs = 0;
    host.Post([&] { ++runs; });
    for (int i = 0; i < 63; ++i) {
        host.DoEvents();
    }
    EXPECT_EQ(runs, 0) << "the pump ran before the 64th call";
    host.DoEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(host.EventSlices(), 1u);

    // The slice is not over: the next message waits for the next one.
    host.Post([&] { ++runs; });
    for (int i = 0; i < 640; ++i) {
        host.DoEvents();
    }
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(host.DoEventsCalls(), 704u);

    // A new slice begins with the next pump.
    host.SetEventSlice(0ms);
    for (int i = 0; i < 64; ++i) {
        host.DoEvents();
    }
    EXPECT_EQ(runs, 2);
}

// A scan loop hands over a run of event checks at once: the run looks for
// messages exactly where single calls would, and ends at the call whose
// message stopped it.
TEST(Win32HostEvents, ARunOfEventChecksLooksWhereSingleCallsWouldAndEndsAtAStop) {
    Win32Host host;
    host.SetEventSlice(0ms);
    bool stop = false;
    int runs = 0;
    host.Post([&] { ++runs; });
    EXPECT_EQ(host.DoEventsAfter(63, stop), 63u);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(host.DoEventsAfter(1, stop), 1u);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(host.EventSlices(), 1u);
    EXPECT_EQ(host.DoEventsAfter(64 * 10 + 5, stop), std::size_t{64 * 10 + 5});
    EXPECT_EQ(host.EventSlices(), 11u);
    EXPECT_EQ(host.DoEventsCalls(), std::uint64_t{64 * 11 + 5});

    host.Post([&] { stop = true; });
    EXPECT_EQ(host.DoEventsAfter(1000, stop), 59u);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.DoEventsCalls(), std::uint64_t{64 * 12});
    EXPECT_EQ(host.DoEventsAfter(10, stop), 0u);
    EXPECT_EQ(host.DoEventsCalls(), std::uint64_t{64 * 12});
}

TEST(Win32HostEvents, TheEndRequestedInsideDoEventsEndsTheOuterLoops) {
    Win32Host host;
    host.SetEventSlice(0ms);
    bool stopped = false;
    host.beforeEnd = [&] { stopped = true; };
    host.Post([&] { host.EndProgram(); });
    for (int i = 0; i < 64; ++i) {
        host.DoEvents();
    }
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(host.Ended());
    // The message loop sees the end at once (it does not wait for a message
    // that never comes), and so does every loop after it.
    const auto start = Clock::now();
    EXPECT_EQ(host.Run(), 0);
    EXPECT_LT(Clock::now() - start, 2s);
    host.RunUntil([] { return false; });
    EXPECT_FALSE(host.PumpOne());
}

TEST(Win32HostEvents, RunEndsWithEndProgram) {
    Win32Host host;
    ui::Timer timer(10, true);
    int ticks = 0;
    timer.onTick = [&] {
        if (++ticks == 3) {
            host.EndProgram();
        }
    };
    host.AddTimer(timer);
    EXPECT_EQ(host.Run(), 0);
    EXPECT_EQ(ticks, 3);
    host.RemoveTimer(timer);
}

TEST(Win32HostEvents, AnotherProgramsCloseRequestEndsTheProgramAsExitDoes) {
    Win32Host host;
    bool stopped = false;
    host.beforeEnd = [&] { stopped = true; };
    // The uninstaller finds the window among the message-only windows by
    // its class.
    bool found = false;
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, kHostWindowClass, nullptr); w != nullptr;
         w = FindWindowExW(HWND_MESSAGE, w, kHostWindowClass, nullptr)) {
        found = found || w == host.TimerWindow();
    }
    EXPECT_TRUE(found);
    ASSERT_TRUE(PostMessageW(host.TimerWindow(), WM_CLOSE, 0, 0));
    EXPECT_EQ(host.Run(), 0);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(host.Ended());
}

TEST(Win32HostBoxes, TheAnswerHookAnswersWithoutABox) {
    Win32Host host;
    std::string seenText, seenTitle;
    int seenStyle = -1;
    host.answer = [&](std::string_view text, int style, std::string_view title) {
        seenText = text;
        seenTitle = title;
        seenStyle = style;
        return ui::MsgResult::kNo;
    };
    EXPECT_EQ(host.MsgBox("Delete\x92s files?", ui::kYesNo | ui::kQuestion, "Quellon Pro"),
              ui::MsgResult::kNo);
    EXPECT_EQ(seenText, "Delete\x92s files?");
    EXPECT_EQ(seenTitle, "Quellon Pro");
    EXPECT_EQ(seenStyle, ui::kYesNo | ui::kQuestion);
}

TEST(Win32HostBoxes, ButtonsMapToResultsAndNoBoxNeverSaysYes) {
    EXPECT_EQ(ResultOfButton(IDOK, ui::kOkCancel), ui::MsgResult::kOk);
    EXPECT_EQ(ResultOfButton(IDCANCEL, ui::kOkCancel), ui::MsgResult::kCancel);
    EXPECT_EQ(ResultOfButton(IDYES, ui::kYesNo), ui::MsgResult::kYes);
    EXPECT_EQ(ResultOfButton(IDNO, ui::kYesNoCancel), ui::MsgResult::kNo);
    // MessageBoxW's 0: the box could not be shown.
    EXPECT_EQ(ResultOfButton(0, ui::kYesNo | ui::kExclamation), ui::MsgResult::kNo);
    EXPECT_EQ(ResultOfButton(0, ui::kYesNoCancel), ui::MsgResult::kCancel);
    EXPECT_EQ(ResultOfButton(0, ui::kOkCancel), ui::MsgResult::kCancel);
    EXPECT_EQ(ResultOfButton(0, ui::kOkOnly | ui::kCritical), ui::MsgResult::kOk);
    // The model's styles are the box's own flags.
    EXPECT_EQ(ui::kYesNoCancel, MB_YESNOCANCEL);
    EXPECT_EQ(ui::kQuestion, MB_ICONQUESTION);
    EXPECT_EQ(static_cast<int>(ui::MsgResult::kNo), IDNO);
}

TEST(Win32HostDocuments, TheOpenerOpensDocumentsAndFoldersButNeverRunsAProgram) {
    testing::TempDir dir;
    auto make = [&](const char* name) {
        std::ofstream(dir.path() / name) << "x";
        return (dir.path() / name).string();
    };
    const std::string text = make("Exclusions.txt");
    const std::string help = make("Help.chm");
    const std::string program = make("qpadbar.exe");
    const std::string shouting = make("SETUP.EXE.Bat");
    const std::string shortcut = make("readme.lnk");
    std::vector<std::wstring> opened;
    Win32Host host;
    host.openDocument = [&](const std::wstring& path) {
        opened.push_back(path);
        return true;
    };
    EXPECT_TRUE(host.OpenDocument(text));
    EXPECT_TRUE(host.OpenDocument(help));
    EXPECT_TRUE(host.OpenDocument(dir.path().string()));
    EXPECT_FALSE(host.OpenDocument(program));
    EXPECT_FALSE(host.OpenDocument(shouting));
    EXPECT_FALSE(host.OpenDocument(shortcut));
    EXPECT_FALSE(host.OpenDocument((dir.path() / "gone.txt").string()));
    EXPECT_FALSE(host.OpenDocument(""));
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], Wide(text));
}

TEST(Win32HostClipboard, CopiedTextIsUnicodeText) {
    Win32Host host;
    host.SetClipboardText("C:\\Windows\\qp\xE9.dll\r\nsecond");
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring text;
    if (data != nullptr) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ(text, L"C:\\Windows\\qp\u00e9.dll\r\nsecond");
}

TEST(Win32FrontEndLock, ASecondCopySeesAnotherInstanceUntilTheFirstEnds) {
    Win32Host host;
    const std::wstring name = L"Local\\QuellonProTest-" + std::to_wstring(GetCurrentProcessId());
    auto first = std::make_unique<Win32FrontEnd>(app::AppInfo{}, host, name, nullptr);
    EXPECT_FALSE(first->AnotherInstanceRunning());
    // Asked again, the answer stays (the lock is its own).
    EXPECT_FALSE(first->AnotherInstanceRunning());
    Win32FrontEnd second(app::AppInfo{}, host, name, nullptr);
    EXPECT_TRUE(second.AnotherInstanceRunning());
    first.reset();
    Win32FrontEnd third(app::AppInfo{}, host, name, nullptr);
    EXPECT_FALSE(third.AnotherInstanceRunning());

    Win32FrontEnd unlocked(app::AppInfo{}, host, L"", nullptr);
    EXPECT_FALSE(unlocked.AnotherInstanceRunning());
}

TEST(Win32FrontEndLock, TheLockIsTheUsersOwn) {
    const std::wstring name = Win32FrontEnd::MutexNameForUser();
    EXPECT_EQ(name.rfind(L"Local\\QuellonPro-", 0), 0u);
    EXPECT_GT(name.size(), std::wstring(L"Local\\QuellonPro-").size());
    // No second '\': the name is one object in the session's namespace.
    EXPECT_EQ(name.find(L'\\', 6), std::wstring::npos);
    EXPECT_EQ(name, Win32FrontEnd::MutexNameForUser());
}

// The user's Run value `name`; nullopt when there is none.
std::optional<std::wstring> RunValue(const std::wstring& name, DWORD* type = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    DWORD kind = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                     name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &kind, data,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type != nullptr) {
        *type = kind;
    }
    return std::wstring(data);
}

TEST(Win32RunValue, RunAtStartupWritesTheQuotedProgramInTheUsersRunKey) {
    const std::wstring name = L"quellon-pro-test-" + std::to_wstring(GetCurrentProcessId());
    RunValueRegistration registration(
        name, std::filesystem::path(L"C:\\Program Files\\Quellon Pro\\quellon-pro.exe"));
    ASSERT_TRUE(registration.SetRunAtStartup(true));
    DWORD type = 0;
    EXPECT_EQ(RunValue(name, &type),
              std::optional<std::wstring>(L"\"C:\\Program Files\\Quellon Pro\\quellon-pro.exe\""));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // Again: still one value, the same.
    ASSERT_TRUE(registration.SetRunAtStartup(true));
    EXPECT_TRUE(RunValue(name).has_value());

    ASSERT_TRUE(registration.SetRunAtStartup(false));
    EXPECT_FALSE(RunValue(name).has_value());
    // Nothing to remove is no failure.
    EXPECT_TRUE(registration.SetRunAtStartup(false));
}

TEST(Win32Screen, TheTaskbarIsWhatTheWorkAreaLeavesAtTheBottom) {
    const RECT screen{0, 0, 1280, 800};
    app::ScreenArea bottom = ScreenOf(screen, RECT{0, 0, 1280, 760});
    EXPECT_EQ(bottom.width, 1280);
    EXPECT_EQ(bottom.height, 800);
    EXPECT_EQ(bottom.taskbarHeight, 40);
    // A taskbar along the top or a side leaves the bottom free.
    EXPECT_EQ(ScreenOf(screen, RECT{0, 30, 1280, 800}).taskbarHeight, 0);
    EXPECT_EQ(ScreenOf(screen, RECT{60, 0, 1280, 800}).taskbarHeight, 0);

    Win32Host host;
    Win32FrontEnd frontEnd(app::AppInfo{}, host, L"", nullptr);
    const app::ScreenArea real = frontEnd.Screen();
    EXPECT_EQ(real.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(real.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GE(real.taskbarHeight, 0);
    EXPECT_LT(real.taskbarHeight, real.height);
}

TEST(Win32Arguments, ArgumentsTheCodePageCannotHoldAreRefused) {
    std::wstring bad;
    const auto plain = AnsiArguments({L"--home", L"C:\\Quellon Pro", L"--scan", L""}, &bad);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(*plain, (std::vector<std::string>{"--home", "C:\\Quellon Pro", "--scan", ""}));
    // A character no ANSI code page of the West holds, and one a "best fit"
    // would turn into a plain letter.
    EXPECT_FALSE(AnsiArguments({L"--home", L"C:\\\u4e2d\u6587"}, &bad).has_value());
    EXPECT_EQ(bad, L"C:\\\u4e2d\u6587");
    EXPECT_FALSE(AnsiArguments({L"C:\\\u0100dmin"}, &bad).has_value());
}

// A window of the test's own that receives the tray icon's messages.
class TrayOwner {
public:
    TrayOwner() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuellonTrayTestOwner";
        RegisterClassExW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~TrayOwner() { DestroyWindow(hwnd); }
    HWND hwnd;
};

TEST(Win32TrayIcon, MouseMessagesReachTheOwnerAndTheTaskbarsReturnAddsItAgain) {
    TrayOwner owner;
    ASSERT_NE(owner.hwnd, nullptr);
    TrayIcon tray(owner.hwnd, LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
    std::vector<int> mouse;
    auto onMouse = [&](int m) { mouse.push_back(m); };
    EXPECT_TRUE(tray.HandleMessage(TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK, onMouse));
    EXPECT_TRUE(tray.HandleMessage(TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP, onMouse));
    EXPECT_FALSE(tray.HandleMessage(WM_COMMAND, 1, WM_RBUTTONUP, onMouse));
    EXPECT_EQ(mouse, (std::vector<int>{0x203, 0x205}));

    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // Not shown: the taskbar's return adds nothing.
    EXPECT_TRUE(tray.HandleMessage(taskbarCreated, 0, 0, onMouse));
    EXPECT_FALSE(tray.Shown());

    // A tip longer than the notification area keeps is cut, not refused.
    const bool shown = tray.Show(std::wstring(300, L'x'));
    if (!shown) {
        GTEST_SKIP() << "no notification area on this display";
    }
    EXPECT_TRUE(tray.Shown());
    tray.SetTip(L"Quellon Pro - protected");
    EXPECT_TRUE(tray.HandleMessage(taskbarCreated, 0, 0, onMouse));
    EXPECT_TRUE(tray.Shown());
    tray.Remove();
    EXPECT_FALSE(tray.Shown());
}

}  // namespace
}  // namespace quellon::gui::win32
