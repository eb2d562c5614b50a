// The tray menu: a small borderless window that slides up above the taskbar
// at the bottom right of the screen when the tray icon is right-clicked,
// offers its items, and slides away by itself after about 42 seconds
// without a mouse movement over it.
//
// Positions are kept in twips as the window places itself: pixel heights
// become twips at 14.5 a pixel, pixel widths at 14.7.
#pragma once

#include <cstdint>

#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::tray {

// The screen in pixels: its size and the height of the taskbar along its
// bottom edge.
struct MenuScreen {
    int width = 0;
    int height = 0;
    int taskbarHeight = 0;
};

class FrmMenuPopUp : public ui::Window {
public:
    // The menu's size in twips.
    static constexpr int kWidth = 2850;
    static constexpr int kHeight = 2700;
    // Twips a tick of the slide up and of the slide down.
    static constexpr int kStepUp = 80;
    static constexpr int kStepDown = 100;
    // Idle ticks of TmrEnablePopDown after which the menu slides down.
    static constexpr std::int32_t kIdleTicks = 20;

    explicit FrmMenuPopUp(ui::Host& host);
    ~FrmMenuPopUp();
    FrmMenuPopUp(const FrmMenuPopUp&) = delete;
    FrmMenuPopUp& operator=(const FrmMenuPopUp&) = delete;

    // Opens the menu: "Exit Program" is greyed when `exitEnabled` is false,
    // "Show Program" while the main window is visible; the menu is placed
    // below the bottom of the screen above the taskbar and starts to slide up.
    void Form_Load(const MenuScreen& screen, bool mainWindowVisible, bool exitEnabled);
    // Closes the menu at once: hidden, every timer stopped.
    void Unload();
    // The mouse moved over the menu: the idle count starts again, and
    // "Close This Menu" is no longer hovered.
    void Form_MouseMove();
    // The mouse moved over "Close This Menu": it shows in bold (and the
    // idle count starts again, as over any part of the menu).
    void lblMenuClose_MouseMove();
    // "Close This Menu": the menu slides down and unloads itself.
    void lblMenuClose_Click();

    // Where the menu is, in twips, and where its slide up ends.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int TargetTop() const { return targetTop_; }
    // The same in pixels, for the window that shows the menu.
    int PixelLeft() const;
    int PixelTop() const;
    static int PixelWidth();
    static int PixelHeight();
    bool MenuCloseBold() const { return menuCloseBold_; }

    // Idle ticks since the last mouse movement.
    std::int32_t lTimDown = 0;

    // The items. The main window wires what they do, except "Close This Menu".
    ui::Button mnuMaxmimaize{"Show Program"};
    ui::Button mnuShowOptions{"Options..."};
    ui::Button mnuScanNow{"Scan Now"};
    ui::Button mnuClose{"Exit Program"};
    ui::Label lblMenuClose{"Close This Menu"};

    ui::Timer tmrMenuPopup{1, false};
    ui::Timer TmrEnablePopDown{2000, false};
    ui::Timer tmrPopDown{10, false};

private:
    void tmrMenuPopup_Timer();
    void TmrEnablePopDown_Timer();
    void tmrPopDown_Timer();
    void MoveTo(int top);
    void SetMenuCloseBold(bool bold);

    ui::Host& host_;
    int left_ = 0;
    int top_ = 0;
    int targetTop_ = 0;
    // The top of the taskbar in twips: the bottom of the area the menu uses.
    int screenBottom_ = 0;
    bool menuCloseBold_ = false;
};

}  // namespace quellon::tray
