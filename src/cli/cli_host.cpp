#include "cli/cli_host.h"

#include "platform/backend_factory.h"

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

}  // namespace quellon::cli
