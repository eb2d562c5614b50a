// The host of the command line: no window. Message boxes are printed to
// standard error and answered by rule; pending events are an interrupt check;
// timers run only inside RunTimers, which "watch" uses.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "ui/host.h"

namespace quellon::cli {

class CliHost : public ui::Host {
public:
    explicit CliHost(std::ostream& err) : err_(err) {}

    // Run once from DoEvents after Ctrl-C was pressed.
    std::function<void()> onInterrupt;
    std::atomic<bool>& InterruptFlag() { return interrupted_; }

    // A question is answered Yes (the command line asked for the action);
    // every other box with OK.
    ui::MsgResult MsgBox(std::string_view text, int style, std::string_view title) override;
    void DoEvents() override;
    // Ctrl-C is handled at the first call of a run; the others find
    // nothing to do.
    std::size_t DoEventsAfter(std::size_t count, const bool& stop) override {
        if (count == 0 || stop) {
            return 0;
        }
        DoEvents();
        return stop ? 1 : count;
    }
    DateTime Now() override;
    void SetClipboardText(std::string_view) override {}
    bool StartProgram(std::string_view commandLine, bool minimized) override;
    bool OpenDocument(std::string_view) override { return false; }
    void EndProgram() override { ended_ = true; }
    void AddTimer(ui::Timer& timer) override;
    void RemoveTimer(ui::Timer& timer) override;
    bool Ended() const { return ended_; }

    // Runs the enabled timers, each whenever its interval has passed since it
    // was switched on (or last ticked), for `duration` (zero: without end)
    // or until an interrupt or the end of the program. Between ticks the
    // process sleeps.
    void RunTimers(std::chrono::milliseconds duration);

private:
    using Clock = std::chrono::steady_clock;
    struct TimerEntry {
        ui::Timer* timer;
        size_t slot;
        bool enabled;
        int interval;
        Clock::time_point due;
    };
    void Sync(TimerEntry& entry);

    std::ostream& err_;
    std::atomic<bool> interrupted_{false};
    bool interruptHandled_ = false;
    bool ended_ = false;
    std::vector<TimerEntry> timers_;
};

}  // namespace quellon::cli
