#include "update/frm_signature_updated.h"

namespace quellon::update {

FrmSignatureUpdated::FrmSignatureUpdated(std::string productName)
    : ui::Window(productName + " Live Update"), productName_(std::move(productName)) {
    SetVisible(false);
    tmrPopupSignatureUpdate.onTick = [this] { SlideUp(); };
    tmrEnablePopDownTimer.onTick = [this] {
        tmrEnablePopDownTimer.SetEnabled(false);
        tmrPopDown.SetEnabled(true);
    };
    tmrPopDown.onTick = [this] { SlideDown(); };
}

void FrmSignatureUpdated::Form_Load(int screenWidthPx, int screenHeightPx, int taskbarHeightPx) {
    tmrEnablePopDownTimer.SetEnabled(false);
    tmrPopDown.SetEnabled(false);
    lblUpdateInfo.SetCaption("All " + productName_ +
                             " signatures have been updated automatically.  You are now protected "
                             "from new malicious applications.  " +
                             productName_ + " will now be restarted.");
    // Pixel heights become twips at 14.5, widths at 14.7.
    const int taskbar = static_cast<int>(taskbarHeightPx * 14.5);
    const int screen = static_cast<int>(screenHeightPx * 14.5);
    left_ = static_cast<int>((screenWidthPx - kWidth / 15) * 14.7);
    restingTop_ = screen - (kHeight + 100);
    MoveTo(screen - taskbar);
    SetVisible(true);
}

void FrmSignatureUpdated::SlideUp() {
    SetVisible(true);
    if (top_ > restingTop_) {
        MoveTo(top_ - kStepUp);
        return;
    }
    tmrPopupSignatureUpdate.SetEnabled(false);
    tmrEnablePopDownTimer.SetEnabled(true);
}

void FrmSignatureUpdated::SlideDown() {
    SetVisible(true);
    MoveTo(top_ + kStepDown);
    if (top_ > kLowestTop) {
        tmrPopDown.SetEnabled(false);
        if (cmdUpdateSuccesfullOK.onClick) {
            cmdUpdateSuccesfullOK.onClick();
        }
    }
}

void FrmSignatureUpdated::MoveTo(int top) {
    if (top != top_) {
        top_ = top;
        Notify();
    }
}

}  // namespace quellon::update
