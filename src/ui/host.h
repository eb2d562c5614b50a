// What the engine needs from the front-end it runs in: message boxes, letting
// pending events run, the clock, the clipboard and starting other programs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/datetime.h"

namespace quellon::ui {

// Message box buttons and icons, combinable like the classic style flags.
enum MsgStyle : int {
    kOkOnly = 0,
    kOkCancel = 1,
    kYesNoCancel = 3,
    kYesNo = 4,
    kCritical = 16,
    kQuestion = 32,
    kExclamation = 48,
    kInformation = 64,
};

enum class MsgResult { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };

// The answer of a box that closed without a button, or could not be shown:
// its way of saying no (Cancel where it has one, No, or OK when OK is all
// it offers), never yes.
constexpr MsgResult DeclinedAnswer(int style) {
    switch (style & 7) {
        case kOkCancel:
        case kYesNoCancel:
            return MsgResult::kCancel;
        case kYesNo:
            return MsgResult::kNo;
        default:
            return MsgResult::kOk;
    }
}

class Timer;

class Host {
public:
    virtual ~Host() = default;
    // Shows a modal message box and returns the button pressed.
    virtual MsgResult MsgBox(std::string_view text, int style, std::string_view title) = 0;
    // Lets pending window events (clicks, timers, painting) run.
    virtual void DoEvents() = 0;
    // What up to `count` calls of DoEvents in a row would do, each made
    // only while `stop` (which an event may set) is not set; returns how
    // many were made. A loop that makes an event check per item hands over
    // a run of items that need nothing else, and a host that looks for
    // pending events only now and then looks only where a call would.
    virtual std::size_t DoEventsAfter(std::size_t count, const bool& stop) {
        std::size_t made = 0;
        for (; made < count && !stop; ++made) {
            DoEvents();
        }
        return made;
    }
    virtual DateTime Now() = 0;
    virtual void SetClipboardText(std::string_view text) = 0;
    // Starts another program with a command line; false when it cannot start.
    virtual bool StartProgram(std::string_view commandLine, bool minimized) = 0;
    // Opens a document or folder with the desktop's own opener.
    virtual bool OpenDocument(std::string_view path) = 0;
    // Ends the program after the current event.
    virtual void EndProgram() = 0;
    // Timers register here so that the event loop can run them.
    virtual void AddTimer(Timer& timer) = 0;
    virtual void RemoveTimer(Timer& timer) = 0;
};

}  // namespace quellon::ui
