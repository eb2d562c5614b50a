// The main window: a view of FrmMain's control models. Every control mirrors
// its model (caption, value, visible, enabled); every user action goes
// through the model, whose handlers are the form's procedures. It owns the
// tray icon (its messages come here), the slide-up tray menu, the notice and
// the engine's other windows.
//
// Controls sit at fixed places in 96-dpi pixels; the Binder scales them to
// the window's DPI and moves them again when the DPI changes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
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
    // The client area in 96-dpi pixels.
    static constexpr int kClientWidth = 780;
    static constexpr int kClientHeight = 580;
    static constexpr int kBannerHeight = 84;
    // The first command id of the menu items.
    static constexpr UINT kFirstMenuId = 100;

    // Attaches itself to the front-end, whose window services act on it
    // while it lives.
    MainWindow(app::FrmMain& form, Win32Host& host, Win32FrontEnd& frontEnd);
    ~MainWindow() override;

    // Shows the window as the model says (after Form_Load) and follows the
    // model's visibility and state from then on.
    void Present();
    bool Presented() const { return presented_; }
    // The DPI the controls are placed for (it follows WM_DPICHANGED).
    UINT PlacedDpi() const { return dpi_; }
    app::FrmMain& Form() { return form_; }
    Binder& Bindings() { return bind_; }
    TrayIcon& Tray() { return *tray_; }
    // The slide-up tray menu (a window of its own).
    TrayMenu* Menu() { return trayMenu_.get(); }
    // The window that shows one of the engine's other windows; null for a
    // window this one has none for.
    WindowDialog* DialogFor(const ui::Window& model);

    // A control by the name of its model ("cmdScan", "lvwSpywareFound",
    // "frmStatus", "TabStrip1", "guard1" ...); null for an unknown name.
    HWND Find(const std::string& name) const;
    // The command id of a menu item by the name of its model
    // ("mnuFileScanNow"); 0 for an unknown name.
    UINT MenuId(const std::string& name) const;
    // Brings the window up to date with its model now (the changes of a
    // procedure are otherwise applied together once messages run).
    void SyncWindow();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A text shown in a font of its own: `grow` points larger, bold or not.
    struct Styled {
        int grow = 0;
        bool bold = false;
    };

    void BuildMenus();
    void BuildBanner();
    void BuildNavigation();
    void BuildStatusPage(HWND page);
    void BuildScanPage(HWND page);
    void BuildResultsPage(HWND page);
    void BuildOptionsPage(HWND page);
    void BuildScanOptionsTab(HWND panel);
    void BuildScheduleTab(HWND panel);
    void BuildProtectionTab(HWND panel);
    void BuildUpdateTab(HWND panel);
    // A page: a panel shown while `frame` is, with the frame's caption as
    // its title; returns the panel.
    HWND Page(ui::Frame& frame, const std::string& name);
    void BuildDialogs();

    // The kinds of control made here, recorded under their model's name.
    HWND Named(const std::string& name, HWND control);
    HWND GroupBox(const std::string& title, HWND parent, Box box);
    void SetStyle(HWND control, int grow, bool bold);
    void ApplyFonts();
    HFONT FontFor(Styled style);
    void MoveOwnControls();
    // 96-dpi pixels at the DPI the controls are placed for.
    int Px(int pixels96) const;

    void ScheduleWindowSync();
    void FollowTaskList();
    void OnSize(WPARAM kind);
    // The window's size for the client area at the placed DPI.
    SIZE OuterSize() const;
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void PaintBanner(HDC dc);
    LRESULT ColourStatic(HDC dc, HWND control);

    app::FrmMain& form_;
    Win32Host& host_;
    Win32FrontEnd& frontEnd_;
    Binder bind_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<TrayMenu> trayMenu_;
    std::vector<std::unique_ptr<WindowDialog>> dialogs_;
    std::unique_ptr<NoticeWindow> notice_;
    bool presented_ = false;
    bool syncing_ = false;
    bool syncPending_ = false;
    unsigned frontRequests_ = 0;
    WPARAM lastSize_ = SIZE_RESTORED;

    HMENU menuBar_ = nullptr;
    std::map<std::string, HWND> named_;
    std::map<std::string, UINT> menuIds_;
    // Controls the Binder does not place (group boxes): moved here on a
    // DPI change.
    std::vector<std::pair<HWND, Box>> own_;
    std::map<HWND, Styled> styled_;
    // Fonts for the current DPI by (grow, bold).
    std::map<std::pair<int, bool>, HFONT> fonts_;
    UINT fontsDpi_ = 0;
    // The banner's links and the protection lines' colours.
    std::map<HWND, HBRUSH> linkBrushes_;
    std::map<HWND, COLORREF> colours_;
    // The DPI the controls are placed for.
    UINT dpi_ = 96;
};

}  // namespace quellon::gui::win32
