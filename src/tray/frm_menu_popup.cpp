#include "tray/frm_menu_popup.h"

#include <algorithm>
#include <cmath>

namespace quellon::tray {
namespace {

constexpr double kTwipsPerPixelHeight = 14.5;
constexpr double kTwipsPerPixelWidth = 14.7;
// The window's own size converts at the usual 15 twips a pixel.
constexpr int kTwipsPerPixel = 15;
// The slide down ends this far above the bottom of the area.
constexpr int kGoneAbove = 2000;

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

}  // namespace

FrmMenuPopUp::FrmMenuPopUp(ui::Host& host) : ui::Window("Quellon Pro"), host_(host) {
    SetVisible(false);
    for (ui::Timer* t : {&tmrMenuPopup, &TmrEnablePopDown, &tmrPopDown}) {
        host_.AddTimer(*t);
    }
    tmrMenuPopup.onTick = [this] { tmrMenuPopup_Timer(); };
    TmrEnablePopDown.onTick = [this] { TmrEnablePopDown_Timer(); };
    tmrPopDown.onTick = [this] { tmrPopDown_Timer(); };
    lblMenuClose.onClick = [this] { lblMenuClose_Click(); };
}

FrmMenuPopUp::~FrmMenuPopUp() {
    for (ui::Timer* t : {&tmrMenuPopup, &TmrEnablePopDown, &tmrPopDown}) {
        host_.RemoveTimer(*t);
    }
}

void FrmMenuPopUp::Form_Load(const MenuScreen& screen, bool mainWindowVisible, bool exitEnabled) {
    lTimDown = 0;
    tmrPopDown.SetEnabled(false);
    TmrEnablePopDown.SetEnabled(false);
    tmrMenuPopup.SetEnabled(false);
    SetMenuCloseBold(false);
    mnuClose.SetEnabled(exitEnabled);
    mnuMaxmimaize.SetEnabled(!mainWindowVisible);

    screenBottom_ = Round((screen.height - screen.taskbarHeight) * kTwipsPerPixelHeight);
    left_ = Round(screen.width * kTwipsPerPixelWidth) - kWidth;
    targetTop_ = screenBottom_ - (kHeight + 100);
    // It comes up from behind the taskbar.
    top_ = screenBottom_;
    Notify();
    tmrMenuPopup.SetEnabled(true);
}

void FrmMenuPopUp::Unload() {
    tmrMenuPopup.SetEnabled(false);
    TmrEnablePopDown.SetEnabled(false);
    tmrPopDown.SetEnabled(false);
    lTimDown = 0;
    SetMenuCloseBold(false);
    SetVisible(false);
}

void FrmMenuPopUp::Form_MouseMove() {
    lTimDown = 0;
    SetMenuCloseBold(false);
}

void FrmMenuPopUp::lblMenuClose_MouseMove() {
    lTimDown = 0;
    SetMenuCloseBold(true);
}

void FrmMenuPopUp::lblMenuClose_Click() {
    TmrEnablePopDown.SetEnabled(false);
    tmrMenuPopup.SetEnabled(false);
    tmrPopDown.SetEnabled(true);
}

int FrmMenuPopUp::PixelLeft() const {
    return Round(left_ / kTwipsPerPixelWidth);
}

int FrmMenuPopUp::PixelTop() const {
    return Round(top_ / kTwipsPerPixelHeight);
}

int FrmMenuPopUp::PixelWidth() {
    return kWidth / kTwipsPerPixel;
}

int FrmMenuPopUp::PixelHeight() {
    return kHeight / kTwipsPerPixel;
}

void FrmMenuPopUp::tmrMenuPopup_Timer() {
    SetVisible(true);
    if (top_ > targetTop_) {
        MoveTo(std::max(targetTop_, top_ - kStepUp));
    }
    if (top_ <= targetTop_) {
        tmrMenuPopup.SetEnabled(false);
        TmrEnablePopDown.SetEnabled(true);
    }
}

void FrmMenuPopUp::TmrEnablePopDown_Timer() {
    ++lTimDown;
    if (lTimDown > kIdleTicks) {
        lTimDown = 0;
        TmrEnablePopDown.SetEnabled(false);
        tmrPopDown.SetEnabled(true);
    }
}

void FrmMenuPopUp::tmrPopDown_Timer() {
    SetVisible(true);
    MoveTo(top_ + kStepDown);
    if (top_ > screenBottom_ - kGoneAbove) {
        Unload();
    }
}

void FrmMenuPopUp::MoveTo(int top) {
    if (top == top_) {
        return;
    }
    top_ = top;
    Notify();
}

void FrmMenuPopUp::SetMenuCloseBold(bool bold) {
    if (bold == menuCloseBold_) {
        return;
    }
    menuCloseBold_ = bold;
    Notify();
}

}  // namespace quellon::tray
