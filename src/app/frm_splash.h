// The start window: shows a picture for a fixed count of timer ticks, then
// hands over to the main window.
#pragma once

#include <functional>

#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::app {

class FrmSplash {
public:
    explicit FrmSplash(ui::Host& host);
    ~FrmSplash();
    FrmSplash(const FrmSplash&) = delete;
    FrmSplash& operator=(const FrmSplash&) = delete;

    // Starts the hand-over timer.
    void Form_Load();
    // Loads and shows the main window; set by the front-end.
    std::function<void()> loadMainWindow;

    ui::Window window;
    ui::Timer Timer2{2, false};

private:
    void Timer2_Timer();
    ui::Host& host_;
    int counter_ = 0;
};

}  // namespace quellon::app
