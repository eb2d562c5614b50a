// The start window: the product name on a small borderless picture, shown
// while the splash model's window is visible.
#pragma once

#include <string>

#include "app/frm_splash.h"
#include "gui/win32/bindings.h"
#include "gui/win32/window_class.h"

namespace quellon::gui::win32 {

class SplashWindow : public WindowBase {
public:
    SplashWindow(app::FrmSplash& splash, const std::string& product, const std::string& line);
    ~SplashWindow() override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::string product_, line_;
    Binder bind_;
};

}  // namespace quellon::gui::win32
