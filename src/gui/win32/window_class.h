// Windows made by this front-end: a class registered once per kind, whose
// window procedure hands every message to the C++ object that made the
// window. Panels (frames, pages, tab pages) pass the messages their controls
// send (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_HSCROLL) on to their parent,
// so the top-level window's Binder sees them all.
#pragma once

#include <windows.h>

#include <string>

namespace quellon::gui::win32 {

class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase();  // destroys the window when it still exists
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Handle() const { return hwnd_; }
    // The window's dots per inch (96 at 100 %).
    UINT Dpi() const;
    // 96-dpi pixels in this window's pixels.
    int Scale(int pixels96) const;

protected:
    // Makes the window (class `className`, registered on first use with the
    // program's icon and an arrow cursor). `box` is in 96-dpi pixels of the
    // monitor the window goes to; CW_USEDEFAULT in x keeps Windows' place.
    bool Create(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& title,
                HWND owner, int x, int y, int width, int height);
    // Every message of the window; the default passes it to DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// A child window that groups controls (a page, a frame, a tab's page). It
// paints the dialog background and passes its controls' messages on to its
// parent.
HWND MakePanel(HWND parent, int x, int y, int width, int height);

}  // namespace quellon::gui::win32
