#include "cli/cli_host.h"

#include <chrono>
#include <ctime>

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
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    localtime_r(&now, &tm);
    DateTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

bool CliHost::StartProgram(std::string_view commandLine, bool) {
    return platform::StartDetached(commandLine);
}

}  // namespace quellon::cli
