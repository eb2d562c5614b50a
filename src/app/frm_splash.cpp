#include "app/frm_splash.h"

namespace quellon::app {

FrmSplash::FrmSplash(ui::Host& host) : host_(host) {
    host_.AddTimer(Timer2);
    Timer2.onTick = [this] { Timer2_Timer(); };
}

FrmSplash::~FrmSplash() {
    host_.RemoveTimer(Timer2);
}

void FrmSplash::Form_Load() {
    counter_ = 0;
    window.SetVisible(true);
    Timer2.SetEnabled(true);
}

void FrmSplash::Timer2_Timer() {
    // The 75th tick, when the count reaches 148 before its step, hands over.
    if (counter_ == 148) {
        Timer2.SetEnabled(false);
        if (loadMainWindow) {
            loadMainWindow();
        }
        window.SetVisible(false);
    }
    counter_ += 2;
}

}  // namespace quellon::app
