// A Host for tests: queued answers for message boxes, a clock the test sets,
// a manual event loop for timers and scripted actions at the n-th DoEvents.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::testing {

class ScriptedHost : public ui::Host {
public:
    struct ShownBox {
        std::string text;
        int style = 0;
        std::string title;
    };
    struct StartedProgram {
        std::string commandLine;
        bool minimized = false;
    };

    ScriptedHost();
    // Fails the test when expected message boxes were never shown.
    ~ScriptedHost() override;

    // --- message boxes
    // The next box must contain `textSubstring`; it is answered with `answer`.
    void ExpectMsgBox(std::string textSubstring, ui::MsgResult answer);
    // Boxes beyond the expected ones are answered with `answer` instead of
    // failing the test.
    void AllowAnyMsgBox(ui::MsgResult answer);
    const std::vector<ShownBox>& Shown() const { return shown_; }
    size_t PendingMsgBoxes() const { return expected_.size(); }

    // --- clock and event loop
    void SetNow(const DateTime& t);
    // Moves the clock without running timers.
    void Advance(int ms);
    // Runs the event loop for `ms` milliseconds of virtual time: enabled
    // timers tick whenever their interval has elapsed, earliest first (ties
    // in the order the timers were added). A timer restarts its interval
    // when it is enabled or its interval changes.
    void RunFor(int ms);
    size_t DoEventsCount() const { return doEvents_; }
    // Runs `fn` once, during the n-th DoEvents call (1-based).
    void AtDoEvents(size_t n, std::function<void()> fn);
    // Runs `fn` during every DoEvents call.
    void OnEveryDoEvents(std::function<void()> fn);

    // --- recorded calls
    std::vector<std::string> clipboard;
    std::vector<StartedProgram> startedPrograms;
    std::vector<std::string> openedDocuments;
    bool startProgramResult = true;
    bool openDocumentResult = true;
    bool Ended() const { return ended_; }
    size_t TimerCount() const { return timers_.size(); }

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
    struct Expected {
        std::string substring;
        ui::MsgResult answer;
    };
    struct TimerEntry {
        ui::Timer* timer;
        bool enabled;
        int interval;
        std::int64_t due;  // on the event loop's own millisecond count
    };
    void SyncTimers();

    std::deque<Expected> expected_;
    std::vector<ShownBox> shown_;
    bool allowAny_ = false;
    ui::MsgResult anyAnswer_ = ui::MsgResult::kOk;

    std::int64_t clockMs_;  // wall clock in milliseconds since 1970
    std::int64_t loopMs_ = 0;
    std::vector<TimerEntry> timers_;

    size_t doEvents_ = 0;
    std::multimap<size_t, std::function<void()>> atDoEvents_;
    std::vector<std::function<void()>> everyDoEvents_;
    bool ended_ = false;
};

}  // namespace quellon::testing
