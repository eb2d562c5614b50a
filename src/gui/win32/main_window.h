// The main window: a view of FrmMain's control models. Every control mirrors
// its model (caption, value, visible, enabled); every user action goes
// through the model, whose handlers are the form's procedures. It owns the
// tray icon (its messages come here), the slide-up tray menu, the notice and
// the engine's other windows.
#pragma once

#include <memory>
#include <vector>

#include "app/frm_main.h"
#include "gui/win32/bindings.h"
#include "gui/win32/window_class.h"

namespace quellon::gui::win32 {

class NoticeWindow;
class TrayIcon;
class TrayMenu;
class Win32FrontEnd;
class Win32Host;
class WindowDialog;

class MainWindow : public WindowBase {
public:
    // Attaches itself to the front-end, whose window services act on it
    // while it lives.
    MainWindow(app::FrmMain& form, Win32Host& host, Win32FrontEnd& frontEnd);
    ~MainWindow() override;

    // Shows the window as the model says (after Form_Load) and follows the
    // model's visibility and state from then on.
    void Present();
    bool Presented() const { return presented_; }
    app::FrmMain& Form() { return form_; }
    Binder& Bindings() { return bind_; }
    TrayIcon& Tray() { return *tray_; }
    // The slide-up tray menu (a window of its own).
    TrayMenu* Menu() { return trayMenu_.get(); }
    // The window that shows one of the engine's other windows; null for a
    // window this one has none for.
    WindowDialog* DialogFor(const ui::Window& model);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    app::FrmMain& form_;
    Win32Host& host_;
    Win32FrontEnd& frontEnd_;
    Binder bind_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<TrayMenu> trayMenu_;
    std::vector<std::unique_ptr<WindowDialog>> dialogs_;
    std::unique_ptr<NoticeWindow> notice_;
    bool presented_ = false;
};

}  // namespace quellon::gui::win32
