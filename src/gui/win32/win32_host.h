// The window host of the engine on Windows: message boxes with MessageBoxW,
// pending events with a time-sliced message pump, model timers on SetTimer
// (a message-only window receives them), programs and documents through the
// backend. Keyboard navigation: Enter and Escape reach a top-level window
// as WM_COMMAND IDOK and IDCANCEL, so control ids start above them.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/host.h"

namespace quellon::gui::win32 {

// The class of the host's message-only window, one per running program.
inline constexpr wchar_t kHostWindowClass[] = L"QuellonHostTimers";

class Win32Host : public ui::Host {
public:
    Win32Host();
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    // Answers message boxes without showing them (tests).
    std::function<ui::MsgResult(std::string_view text, int style, std::string_view title)> answer;
    // Runs first when the program is asked to end (a running scan stops).
    std::function<void()> beforeEnd;
    // Opens a document the shell may open (tests); defaults to ShellExecuteW.
    std::function<bool(const std::wstring& path)> openDocument;
    bool Ended() const { return ended_; }

    // Runs one message (false when none waits): keyboard navigation of the
    // window it is for, then its window procedure.
    bool PumpOne();
    // Runs messages until `done` holds or the program ends; waits without
    // spinning while nothing arrives.
    void RunUntil(const std::function<bool()>& done);
    // The program's message loop: until EndProgram.
    int Run();

    // Pending events run at most once per slice, however often DoEvents is
    // called; the clock is read only every 64th call. A slice grows with
    // the time the messages took (ui::NextEventSlice); a new slice starts
    // with the next pump.
    void SetEventSlice(std::chrono::milliseconds slice);
    std::uint64_t DoEventsCalls() const { return calls_; }
    std::uint64_t EventSlices() const { return slices_; }

    // Runs `fn` once the messages already waiting have run (a posted
    // message; the start-up actions wait for the window's first events so).
    void Post(std::function<void()> fn);

    // The message-only window (class kHostWindowClass) that receives the
    // model timers' WM_TIMER; WM_CLOSE to it ends the program as Exit does
    // (the uninstaller finds it so).
    HWND TimerWindow() const;
    // Whether `timer` runs as a Windows timer, and with which interval.
    bool TimerRunning(const ui::Timer& timer, int* interval = nullptr) const;

    // ui::Host
    ui::MsgResult MsgBox(std::string_view text, int style, std::string_view title) override;
    void DoEvents() override;
    std::size_t DoEventsAfter(std::size_t count, const bool& stop) override;
    DateTime Now() override;
    void SetClipboardText(std::string_view text) override;
    bool StartProgram(std::string_view commandLine, bool minimized) override;
    bool OpenDocument(std::string_view path) override;
    void EndProgram() override;
    void AddTimer(ui::Timer& timer) override;
    void RemoveTimer(ui::Timer& timer) override;

private:
    // Runs one message taken from the queue; false for WM_QUIT.
    bool Dispatch(MSG& msg);
    // A 64th call: runs the waiting messages when the slice is over.
    void RunEventsIfDue();

    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool ended_ = false;
    std::uint64_t calls_ = 0;
    std::uint64_t slices_ = 0;
    std::chrono::milliseconds slice_{12};
};

// The message box result for the button IDOK, IDCANCEL, IDYES or IDNO; for
// anything else (no box could be shown) the answer that does nothing: No or
// Cancel where the box `style` has them.
ui::MsgResult ResultOfButton(int id, int style);

// Whether the shell may open `path` as a document or folder: it exists and
// is no program, script or shortcut the shell would run instead.
bool IsOpenableDocument(std::wstring_view path);

}  // namespace quellon::gui::win32
