// The window host of the engine on Windows: message boxes with MessageBoxW,
// pending events with a time-sliced message pump, model timers on SetTimer
// (a message-only window receives them), programs and documents through the
// backend's shell.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "ui/host.h"

namespace quellon::gui::win32 {

class Win32Host : public ui::Host {
public:
    explicit Win32Host(platform::Platform& platform);
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    // Answers message boxes without showing them (tests).
    std::function<ui::MsgResult(std::string_view text, int style, std::string_view title)> answer;
    // Runs first when the program is asked to end (a running scan stops).
    std::function<void()> beforeEnd;
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
    // called; the clock is read only every 64th call.
    void SetEventSlice(std::chrono::milliseconds slice) { slice_ = slice; }
    std::uint64_t DoEventsCalls() const { return calls_; }

    // ui::Host
    ui::MsgResult MsgBox(std::string_view text, int style, std::string_view title) override;
    void DoEvents() override;
    DateTime Now() override;
    void SetClipboardText(std::string_view text) override;
    bool StartProgram(std::string_view commandLine, bool minimized) override;
    bool OpenDocument(std::string_view path) override;
    void EndProgram() override;
    void AddTimer(ui::Timer& timer) override;
    void RemoveTimer(ui::Timer& timer) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool ended_ = false;
    std::uint64_t calls_ = 0;
    std::chrono::milliseconds slice_{12};
};

// The message box result for the button IDOK, IDCANCEL, IDYES or IDNO.
ui::MsgResult ResultOfButton(int id);

}  // namespace quellon::gui::win32
