// What a front-end (the window program, the command line) supplies to the
// forms beyond the Host's message boxes, events and clock: the windows it
// shows (ui::Windows, which the subsystems' forms use too), the
// single-instance lock, the start-up registration and the notification area.
// Every front-end implements every service, so a service a front-end lacks
// is a compile error rather than a hook left unset.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/startup.h"
#include "removal/quarantine_store.h"
#include "tray/cls_tray.h"
#include "ui/controls.h"
#include "ui/windows.h"

namespace quellon::app {

// The screen as the slide-up windows place themselves on it, in pixels.
struct ScreenArea {
    int width = 0;
    int height = 0;
    // The height of the taskbar at the bottom of the screen (0 when none).
    int taskbarHeight = 0;
};

// The notification area's icon (ShowTrayIcon, RemoveTrayIcon, ChangeTrayTip)
// comes from tray::TrayIconService, which ClsTray works over.
class FrontEnd : public ui::Windows, public tray::TrayIconService {
public:
    virtual ~FrontEnd() = default;

    // --- the program
    // Whether another instance of the program runs already.
    virtual bool AnotherInstanceRunning() = 0;
    // Registers the program with the desktop session beside the Run-list
    // value; null where the Run list is all there is.
    virtual platform::StartupRegistration* StartupRegistration() = 0;
    // Starts the restart companion (AppRestart.exe; quellon-restart on
    // Linux) beside the program, which waits for this program to end and
    // starts it again with the same folders. False where there is none (the
    // program then takes new definitions in without a restart).
    virtual bool StartCompanion(bool visible) = 0;

    // --- windows
    // Suspends (true) or resumes (false) the main window's redrawing.
    virtual void LockRedraw(bool lock) = 0;
    virtual void ShowAbout() = 0;
    // Lets the user pick one of the quarantined files; nullopt to cancel.
    virtual std::optional<size_t> ChooseQuarantinedFile(
        const std::vector<removal::QuarantinedFile>& files) = 0;

    // --- the notification area (the icon: tray::TrayIconService)
    // Where the slide-up windows (the tray menu, the update notice) go.
    virtual ScreenArea Screen() = 0;
};

}  // namespace quellon::app
