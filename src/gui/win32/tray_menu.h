// The slide-up tray menu: a borderless window on top of the others that
// mirrors tray::FrmMenuPopUp (its place on the screen, its items) and tells
// the model of every mouse movement over it.
#pragma once

#include <string>

#include "gui/win32/bindings.h"
#include "gui/win32/window_class.h"
#include "tray/frm_menu_popup.h"

namespace quellon::gui::win32 {

class TrayMenu : public WindowBase {
public:
    TrayMenu(tray::FrmMenuPopUp& model, const std::string& productName);
    ~TrayMenu() override;
    tray::FrmMenuPopUp& Model() { return model_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Follow();
    static LRESULT CALLBACK ChildProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);
    tray::FrmMenuPopUp& model_;
    std::wstring title_;
    Binder bind_;
    HWND close_ = nullptr;
    bool closeBold_ = false;
};

}  // namespace quellon::gui::win32
