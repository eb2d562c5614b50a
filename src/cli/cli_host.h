// The host of the command line: no window. Message boxes are printed to
// standard error and answered by rule; pending events are an interrupt check.
#pragma once

#include <atomic>
#include <functional>
#include <ostream>

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
    DateTime Now() override;
    void SetClipboardText(std::string_view) override {}
    bool StartProgram(std::string_view commandLine, bool minimized) override;
    bool OpenDocument(std::string_view) override { return false; }
    void EndProgram() override { ended_ = true; }
    void AddTimer(ui::Timer&) override {}
    void RemoveTimer(ui::Timer&) override {}
    bool Ended() const { return ended_; }

private:
    std::ostream& err_;
    std::atomic<bool> interrupted_{false};
    bool interruptHandled_ = false;
    bool ended_ = false;
};

}  // namespace quellon::cli
