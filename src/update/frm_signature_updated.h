// The notice of an automatic update: it slides up from the taskbar, rests
// for 7 seconds, slides down again and then restarts the program; "OK"
// restarts at once. Positions are in twips, as the window sits on a screen
// measured in pixels.
#pragma once

#include <string>

#include "ui/controls.h"

namespace quellon::update {

class FrmSignatureUpdated : public ui::Window {
public:
    explicit FrmSignatureUpdated(std::string productName);

    // Its size as designed, in twips.
    static constexpr int kWidth = 4800;
    static constexpr int kHeight = 1950;
    // Twips a tick: up while sliding up, down while sliding down.
    static constexpr int kStepUp = 20;
    static constexpr int kStepDown = 40;
    // Below this top the slide-down ends.
    static constexpr int kLowestTop = 11167;

    // The load: the text, the place below the screen's bottom edge above the
    // taskbar and the resting place, from the screen's size and the
    // taskbar's height in pixels; makes the window visible. The slide starts
    // with tmrPopupSignatureUpdate.
    void Form_Load(int screenWidthPx, int screenHeightPx, int taskbarHeightPx);

    int Top() const { return top_; }
    int Left() const { return left_; }
    int RestingTop() const { return restingTop_; }

    ui::Label lblUpdateInfo;
    // Restarts the program; set up by the main window (also run when the
    // slide-down ends).
    ui::Button cmdUpdateSuccesfullOK{"OK"};
    ui::Timer tmrPopupSignatureUpdate{10, false}, tmrEnablePopDownTimer{7000, false},
        tmrPopDown{10, false};

private:
    void SlideUp();
    void SlideDown();
    void MoveTo(int top);

    std::string productName_;
    int top_ = 0, left_ = 0, restingTop_ = 0;
};

}  // namespace quellon::update
