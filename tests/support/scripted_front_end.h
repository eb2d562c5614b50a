// A FrontEnd for tests: each service is recorded and answered as the test
// sets it up.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/front_end.h"

namespace quellon::testing {

class ScriptedFrontEnd : public app::FrontEnd {
public:
    // What AnotherInstanceRunning answers.
    bool anotherInstance = false;
    platform::StartupRegistration* registration = nullptr;
    // Runs while a window is shown modally (it is hidden afterwards when the
    // handler left it shown); unset, the window is only hidden again.
    std::function<void(ui::Window&)> onShowModal;
    // Runs while an alert waits; it answers by pressing the alert's buttons.
    // Unset, or when it leaves the alert unanswered, the alert is closed.
    std::function<void(ui::Window&)> onAlert;
    // What ChooseQuarantinedFile answers.
    std::optional<size_t> quarantineChoice;
    // Whether the desktop has a notification area.
    bool hasTray = true;
    app::ScreenArea screen{1024, 768, 40};

    // --- recorded calls
    std::vector<bool> redrawLocks;
    std::vector<ui::Window*> modalShown;
    std::vector<ui::Window*> alertsShown;
    int aboutShown = 0;
    bool trayIconShown = false;
    std::string trayTip;

    // What StartCompanion answers; the starts are counted.
    bool companionStarts = true;
    int companionsStarted = 0;

    bool AnotherInstanceRunning() override { return anotherInstance; }
    bool StartCompanion(bool) override {
        companionsStarted += companionStarts;
        return companionStarts;
    }
    platform::StartupRegistration* StartupRegistration() override { return registration; }
    void LockRedraw(bool lock) override { redrawLocks.push_back(lock); }
    void ShowModal(ui::Window& window) override {
        modalShown.push_back(&window);
        if (onShowModal) {
            onShowModal(window);
        }
        window.SetVisible(false);
    }
    void ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) override {
        alertsShown.push_back(&alert);
        alert.SetVisible(true);
        if (onAlert) {
            onAlert(alert);
        }
        if (!answered()) {
            alert.SetVisible(false);
        }
    }
    void ShowAbout() override { ++aboutShown; }
    std::optional<size_t> ChooseQuarantinedFile(
        const std::vector<removal::QuarantinedFile>&) override {
        return quarantineChoice;
    }
    bool ShowTrayIcon(std::string_view tip) override {
        trayIconShown = hasTray;
        trayTip = tip;
        return hasTray;
    }
    void RemoveTrayIcon() override { trayIconShown = false; }
    void ChangeTrayTip(std::string_view tip) override {
        if (trayIconShown) {
            trayTip = tip;
        }
    }
    app::ScreenArea Screen() override { return screen; }
};

}  // namespace quellon::testing
