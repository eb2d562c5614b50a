#include "cli/cli_host.h"

#include <algorithm>
#include <thread>

#include "platform/backend_factory.h"
#include "ui/controls.h"

namespace quellon::cli {

ui::MsgResult CliHost::MsgBox(std::string_view text, int style, std::string_view title) {
    err_ << text << '\n';
    err_.flush();
    switch (style & 7) {
        case ui::kYesNo:
        case ui::kYesNoCancel:
            return ui::MsgResult::kYes;
        default:
            return ui::MsgResult::kOk;
    }
}

void CliHost::DoEvents() {
    if (interrupted_.load(std::memory_order_relaxed) && !interruptHandled_) {
        interruptHandled_ = true;
        if (onInterrupt) {
            onInterrupt();
        }
    }
}

DateTime CliHost::Now() {
    return LocalNow();
}

bool CliHost::StartProgram(std::string_view commandLine, bool) {
    return platform::StartDetached(commandLine);
}

void CliHost::Sync(TimerEntry& entry) {
    const ui::Timer& t = *entry.timer;
    if (t.Enabled() != entry.enabled || t.Interval() != entry.interval) {
        // A timer starts its interval again when it is switched on or its
        // interval changes.
        entry.enabled = t.Enabled();
        entry.interval = t.Interval();
        entry.due = Clock::now() + std::chrono::milliseconds(entry.interval);
    }
}

void CliHost::AddTimer(ui::Timer& timer) {
    TimerEntry entry{&timer, 0, false, 0, {}};
    timers_.push_back(entry);
    Sync(timers_.back());
    timers_.back().slot = timer.Observe([this, &timer] {
        for (TimerEntry& e : timers_) {
            if (e.timer == &timer) {
                Sync(e);
            }
        }
    });
}

void CliHost::RemoveTimer(ui::Timer& timer) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->timer == &timer) {
            timer.Unobserve(it->slot);
            timers_.erase(it);
            return;
        }
    }
}

void CliHost::RunTimers(std::chrono::milliseconds duration) {
    // A run longer than the clock can count to has no end (it would wrap).
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        duration.count() > 0 && duration < std::chrono::duration_cast<std::chrono::milliseconds>(
                                               Clock::time_point::max() - start)
            ? start + duration
            : Clock::time_point::max();
    // An interrupt is seen within this long, also while nothing is due.
    constexpr std::chrono::milliseconds kLongestSleep{250};
    while (!ended_ && !interrupted_.load()) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            return;
        }
        // The earliest due timer ticks; the rest wait their turn.
        TimerEntry* next = nullptr;
        for (TimerEntry& e : timers_) {
            if (e.enabled && e.interval > 0 && (next == nullptr || e.due < next->due)) {
                next = &e;
            }
        }
        if (next == nullptr || next->due > now) {
            Clock::time_point wake = std::min(end, now + kLongestSleep);
            if (next != nullptr) {
                wake = std::min(wake, next->due);
            }
            std::this_thread::sleep_until(wake);
            continue;
        }
        next->due = now + std::chrono::milliseconds(next->interval);
        ui::Timer* timer = next->timer;
        timer->Tick();
    }
}

}  // namespace quellon::cli
