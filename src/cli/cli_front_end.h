// The command line's services to the forms: no window, so nothing to lock,
// redraw, raise or show in a tray. A window that would be shown modally or
// as an alert goes to `answer`, which the command sets up to print it and
// press one of its buttons; unanswered it is closed, as by its close box.
#pragma once

#include <ostream>

#include "app/app_info.h"
#include "app/front_end.h"

namespace quellon::cli {

class CliFrontEnd : public app::FrontEnd {
public:
    CliFrontEnd(std::ostream& err, app::AppInfo info) : err_(err), info_(std::move(info)) {}

    // Another run of the command line may work beside this one.
    bool AnotherInstanceRunning() override { return false; }
    // The command line registers nothing with a desktop session.
    platform::StartupRegistration* StartupRegistration() override { return nullptr; }
    // The command line is not restarted: new definitions are read in place.
    bool StartCompanion(bool) override { return false; }
    void LockRedraw(bool) override {}
    // Answers a window the forms show: prints it and presses a button.
    std::function<void(ui::Window&)> answer;

    void ShowModal(ui::Window& window) override;
    void ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) override;
    void ShowAbout() override;
    // The command line restores with "quarantine restore NAME".
    std::optional<size_t> ChooseQuarantinedFile(
        const std::vector<removal::QuarantinedFile>&) override {
        return std::nullopt;
    }
    bool ShowTrayIcon(std::string_view) override { return false; }
    void RemoveTrayIcon() override {}
    void ChangeTrayTip(std::string_view) override {}
    app::ScreenArea Screen() override { return {}; }

private:
    std::ostream& err_;
    app::AppInfo info_;
};

}  // namespace quellon::cli
