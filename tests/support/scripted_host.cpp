#include "support/scripted_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quellon::testing {

ScriptedHost::ScriptedHost() : clockMs_(DateTime{2026, 1, 15, 10, 0, 0}.ToUnixSeconds() * 1000) {}

ScriptedHost::~ScriptedHost() {
    for (const Expected& e : expected_) {
        ADD_FAILURE() << "expected message box was never shown: \"" << e.substring << "\"";
    }
}

void ScriptedHost::ExpectMsgBox(std::string textSubstring, ui::MsgResult answer) {
    expected_.push_back({std::move(textSubstring), answer});
}

void ScriptedHost::AllowAnyMsgBox(ui::MsgResult answer) {
    allowAny_ = true;
    anyAnswer_ = answer;
}

ui::MsgResult ScriptedHost::MsgBox(std::string_view text, int style, std::string_view title) {
    shown_.push_back({std::string(text), style, std::string(title)});
    if (!expected_.empty()) {
        Expected e = std::move(expected_.front());
        expected_.pop_front();
        if (text.find(e.substring) == std::string_view::npos) {
            ADD_FAILURE() << "message box \"" << text << "\" does not contain \"" << e.substring
                          << "\"";
        }
        return e.answer;
    }
    if (allowAny_)
        return anyAnswer_;
    ADD_FAILURE() << "unexpected message box \"" << text << "\" (title \"" << title << "\")";
    // The safe answer: decline whatever the box asks.
    return ui::DeclinedAnswer(style);
}

void ScriptedHost::SetNow(const DateTime& t) {
    clockMs_ = t.ToUnixSeconds() * 1000;
}

void ScriptedHost::Advance(int ms) {
    clockMs_ += ms;
    loopMs_ += ms;
}

DateTime ScriptedHost::Now() {
    std::int64_t s = clockMs_ / 1000;
    if (clockMs_ % 1000 < 0)
        --s;
    return DateTime::FromUnixSeconds(s);
}

void ScriptedHost::SyncTimers() {
    for (TimerEntry& e : timers_) {
        const bool enabled = e.timer->Enabled();
        const int interval = e.timer->Interval();
        if (enabled != e.enabled || interval != e.interval) {
            e.enabled = enabled;
            e.interval = interval;
            e.due = loopMs_ + interval;
        }
    }
}

void ScriptedHost::RunFor(int ms) {
    const std::int64_t end = loopMs_ + ms;
    for (;;) {
        SyncTimers();
        TimerEntry* next = nullptr;
        for (TimerEntry& e : timers_) {
            if (e.enabled && e.interval > 0 && e.due <= end && (!next || e.due < next->due)) {
                next = &e;
            }
        }
        if (!next)
            break;
        const std::int64_t step = std::max<std::int64_t>(next->due - loopMs_, 0);
        loopMs_ += step;
        clockMs_ += step;
        next->due = loopMs_ + next->interval;
        ui::Timer* timer = next->timer;  // the tick may add or remove timers
        timer->Tick();
    }
    clockMs_ += end - loopMs_;
    loopMs_ = end;
}

void ScriptedHost::AtDoEvents(size_t n, std::function<void()> fn) {
    atDoEvents_.emplace(n, std::move(fn));
}

void ScriptedHost::OnEveryDoEvents(std::function<void()> fn) {
    everyDoEvents_.push_back(std::move(fn));
}

void ScriptedHost::DoEvents() {
    const size_t n = ++doEvents_;
    auto range = atDoEvents_.equal_range(n);
    std::vector<std::function<void()>> due;
    for (auto it = range.first; it != range.second; ++it)
        due.push_back(std::move(it->second));
    atDoEvents_.erase(range.first, range.second);
    for (auto& fn : due)
        fn();
    for (size_t i = 0; i < everyDoEvents_.size(); ++i) {
        auto fn = everyDoEvents_[i];
        fn();
    }
}

void ScriptedHost::SetClipboardText(std::string_view text) {
    clipboard.emplace_back(text);
}

bool ScriptedHost::StartProgram(std::string_view commandLine, bool minimized) {
    startedPrograms.push_back({std::string(commandLine), minimized});
    return startProgramResult;
}

bool ScriptedHost::OpenDocument(std::string_view path) {
    openedDocuments.emplace_back(path);
    return openDocumentResult;
}

void ScriptedHost::EndProgram() {
    ended_ = true;
}

void ScriptedHost::AddTimer(ui::Timer& timer) {
    for (const TimerEntry& e : timers_) {
        if (e.timer == &timer)
            return;
    }
    timers_.push_back({&timer, timer.Enabled(), timer.Interval(), loopMs_ + timer.Interval()});
}

void ScriptedHost::RemoveTimer(ui::Timer& timer) {
    std::erase_if(timers_, [&timer](const TimerEntry& e) { return e.timer == &timer; });
}

}  // namespace quellon::testing
