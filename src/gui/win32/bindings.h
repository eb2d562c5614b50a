// Binds control models to Win32 controls both ways: a model change updates
// its control; a user's action on the control goes through the model's
// setter, so the model's change handler runs exactly as for a change made
// from code. Places are given in 96-dpi pixels of the parent and scaled to
// the window's DPI (Rescale follows a DPI change). Every control gets the
// desktop's message font.
//
// The top-level window that owns a Binder passes WM_COMMAND and WM_NOTIFY
// to OnCommand/OnNotify; panels pass them up to it (window_class.h).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/controls.h"

namespace quellon::gui::win32 {

// A control's place on its parent, in 96-dpi pixels.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class Binder {
public:
    Binder();
    ~Binder();  // stops observing every model (the controls die with their window)
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    // Runs `fn` now and after every change of `model`.
    void Watch(ui::Observable& model, std::function<void()> fn);

    // Visible and enabled state of a control made elsewhere.
    void Control(ui::Control& model, HWND control);
    // A static text; `style` adds SS_* flags (SS_CENTER, SS_RIGHT ...).
    HWND Label(ui::Label& model, HWND parent, Box box, DWORD style = 0);
    // A static text of the binder's own that no model holds.
    HWND Caption(const std::string& text, HWND parent, Box box, DWORD style = 0);
    HWND PushButton(ui::Label& model, HWND parent, Box box);
    // A label that acts as a link: link colour, hand cursor, a click runs
    // the model's Click.
    HWND LinkButton(ui::Label& model, HWND parent, Box box);
    // A menu item with command id `id`: caption, enabled and (for a hidden
    // model) greyed; choosing it runs the model's Click.
    void MenuItem(ui::Label& model, HMENU menu, UINT id);
    HWND CheckBox(ui::CheckBox& model, HWND parent, Box box);
    HWND Option(ui::OptionButton& model, HWND parent, Box box);
    HWND Progress(ui::ProgressBar& model, HWND parent, Box box);
    // A read-only multi-line text box with scroll bars.
    HWND Text(ui::TextBox& model, HWND parent, Box box);
    // A report-style list view with the model's columns; check boxes on the
    // rows when `checkable`; small icons by kind. Rows follow the model once
    // pending events have run (FlushLists: now).
    HWND List(ui::ListView& model, HWND parent, Box box, bool checkable);
    HWND Combo(ui::ComboBox& model, HWND parent, Box box);
    // A date picker, or a time picker when `time`; both with a check box
    // for the empty state.
    HWND DatePicker(ui::DateTimePicker& model, HWND parent, Box box, bool time);
    // A tab control whose tab i (from 1) shows `pages[i - 1]` and hides the
    // others; choosing a tab selects it in the model.
    HWND Tabs(ui::TabStrip& model, HWND parent, Box box, std::vector<HWND> pages);
    // A panel (MakePanel) shown while the frame model is visible.
    HWND Frame(ui::Frame& model, HWND parent, Box box);

    // A picture of the binder's own (an SS_ICON static showing `icon`).
    HWND Icon(HICON icon, HWND parent, Box box);
    // Gives a control made here a bold, larger (percent of the message
    // font) or fixed-pitch font; kept through Rescale.
    struct FontStyle {
        bool bold = false;
        int percent = 100;
        bool fixed = false;
    };
    void Emphasis(HWND control, FontStyle style);

    // Makes every list show the model's rows now.
    void FlushLists();
    // Moves and sizes every control made here for the window's new DPI.
    void Rescale(UINT dpi);

    // The messages the controls send their parent; true when handled.
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    bool OnNotify(LPARAM lParam, LRESULT& result);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quellon::gui::win32
