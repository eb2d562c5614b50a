// The window host of the engine: message boxes with QMessageBox, pending
// events with a time-sliced QCoreApplication::processEvents, model timers as
// QTimers, documents opened with the desktop's own opener.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "ui/host.h"

class QTimer;
class QUrl;

namespace quellon::gui {

class QtHost : public ui::Host {
public:
    // The local path of a Windows path (the backend's LocalPathOf), for
    // OpenDocument; none: documents cannot be opened.
    using LocalPathOf = std::function<std::optional<std::filesystem::path>(std::string_view)>;
    explicit QtHost(LocalPathOf localPathOf = nullptr);
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // Answers message boxes without showing them (tests).
    std::function<ui::MsgResult(std::string_view text, int style, std::string_view title)> answer;
    // Opens a local file or folder; defaults to QDesktopServices::openUrl.
    std::function<bool(const QUrl&)> openUrl;
    // Runs first when the program is asked to end (a running scan stops).
    std::function<void()> beforeEnd;
    // Ends the program; defaults to leaving the application's event loop
    // once the current event is done.
    std::function<void()> endProgram;

    bool Ended() const { return ended_; }

    // Pending events run at most once per slice, however often DoEvents is
    // called; the clock is read only every 64th call. A slice grows with
    // the time the events took (ui::NextEventSlice); a slice of zero looks
    // at every 64th call.
    void SetEventSlice(std::chrono::milliseconds slice) { slice_ = slice; }
    std::uint64_t DoEventsCalls() const { return calls_; }
    std::uint64_t EventSlices() const { return slices_; }
    // The time spent running pending events inside DoEvents.
    std::chrono::nanoseconds EventTime() const { return eventTime_; }
    // The longest time from the end of one run of pending events inside
    // DoEvents to the start of the next (how long a click may wait during a
    // scan; the benchmark makes a host for each scan, as the time between
    // two scans counts too).
    std::chrono::nanoseconds LongestEventWait() const { return longestWait_; }

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
    using Clock = std::chrono::steady_clock;
    struct TimerEntry {
        ui::Timer* model;
        size_t slot;
        std::unique_ptr<QTimer> timer;
    };
    static void SyncTimer(TimerEntry& entry);
    // Runs pending events when this slice has passed.
    void RunEventsIfDue();

    LocalPathOf localPathOf_;
    bool ended_ = false;
    std::uint64_t calls_ = 0;
    std::uint64_t slices_ = 0;
    std::chrono::nanoseconds eventTime_{0};
    std::chrono::nanoseconds longestWait_{0};
    Clock::time_point lastRunEnd_ = Clock::time_point::min();
    Clock::time_point nextSlice_ = Clock::time_point::min();
    std::chrono::milliseconds slice_{12};
    std::vector<std::unique_ptr<TimerEntry>> timers_;
    std::vector<std::unique_ptr<TimerEntry>> retired_;
    TimerEntry* ticking_ = nullptr;
};

// The message box result for a standard button of QMessageBox.
ui::MsgResult ResultOfButton(int standardButton, int style);

}  // namespace quellon::gui
