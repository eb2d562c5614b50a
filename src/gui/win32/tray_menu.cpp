#include "gui/win32/tray_menu.h"

#include <commctrl.h>

#include "gui/win32/icons.h"
#include "gui/win32/text.h"

namespace quellon::gui::win32 {
namespace {

constexpr wchar_t kTrayMenuClass[] = L"QuellonTrayMenu";
constexpr COLORREF kFill = RGB(0xf4, 0xf7, 0xfc);
constexpr COLORREF kDark = RGB(0x12, 0x36, 0x74);
constexpr COLORREF kLight = RGB(0x2f, 0x7b, 0xd0);
constexpr int kHeaderHeight = 30;

// A band from `left` colour to `right` colour, drawn in strips.
void FillGradient(HDC dc, const RECT& r, COLORREF left, COLORREF right) {
    const int width = r.right - r.left;
    const int strips = width > 0 ? (width < 64 ? width : 64) : 0;
    for (int i = 0; i < strips; ++i) {
        const auto mix = [i, strips](int a, int b) {
            return a + (b - a) * i / (strips - 1 > 0 ? strips - 1 : 1);
        };
        const COLORREF c =
            RGB(mix(GetRValue(left), GetRValue(right)), mix(GetGValue(left), GetGValue(right)),
                mix(GetBValue(left), GetBValue(right)));
        const RECT strip{r.left + width * i / strips, r.top, r.left + width * (i + 1) / strips,
                         r.bottom};
        HBRUSH brush = CreateSolidBrush(c);
        FillRect(dc, &strip, brush);
        DeleteObject(brush);
    }
}

}  // namespace

TrayMenu::TrayMenu(tray::FrmMenuPopUp& model, const std::string& productName)
    : model_(model), title_(Wide(productName)) {
    const int width = tray::FrmMenuPopUp::PixelWidth();
    const int height = tray::FrmMenuPopUp::PixelHeight();
    Create(kTrayMenuClass, WS_POPUP | WS_CLIPCHILDREN,
           WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, Wide(productName + " menu"),
           nullptr, 0, 0, width, height);
    const HWND w = Handle();
    if (w == nullptr) {
        return;
    }
    ui::Label* items[] = {&model_.mnuMaxmimaize, &model_.mnuShowOptions, &model_.mnuScanNow,
                          &model_.mnuClose};
    int y = kHeaderHeight + 6;
    const int inner = width - 16;
    for (ui::Label* item : items) {
        const HWND button = bind_.PushButton(*item, w, {8, y, inner, 26});
        SetWindowSubclass(button, ChildProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
        y += 28;
    }
    // Below the items, inside the menu's height (180 pixels).
    close_ = bind_.LinkButton(model_.lblMenuClose, w, {8, y + 4, inner, 20});
    SetWindowLongW(close_, GWL_STYLE, GetWindowLongW(close_, GWL_STYLE) | SS_RIGHT);
    SetWindowSubclass(close_, ChildProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
    bind_.Watch(model_, [this] { Follow(); });
}

TrayMenu::~TrayMenu() = default;

void TrayMenu::Follow() {
    const HWND w = Handle();
    if (w == nullptr) {
        return;
    }
    if (closeBold_ != model_.MenuCloseBold()) {
        closeBold_ = model_.MenuCloseBold();
        bind_.Emphasis(close_, {closeBold_, 100, false});
        InvalidateRect(close_, nullptr, TRUE);
    }
    if (!model_.Visible()) {
        if (IsWindowVisible(w)) {
            ShowWindow(w, SW_HIDE);
        }
        return;
    }
    // The model's place is in pixels of the screen.
    RECT r;
    GetWindowRect(w, &r);
    if (r.left != model_.PixelLeft() || r.top != model_.PixelTop()) {
        SetWindowPos(w, HWND_TOPMOST, model_.PixelLeft(), model_.PixelTop(), 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (!IsWindowVisible(w)) {
        ShowWindow(w, SW_SHOWNOACTIVATE);
    }
}

LRESULT CALLBACK TrayMenu::ChildProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self) {
    if (message == WM_MOUSEMOVE) {
        auto* menu = reinterpret_cast<TrayMenu*>(self);
        if (hwnd == menu->close_) {
            menu->model_.lblMenuClose_MouseMove();
        } else {
            menu->model_.Form_MouseMove();
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ChildProcedure, id);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TrayMenu::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    static HBRUSH fill = CreateSolidBrush(kFill);
    switch (message) {
        case WM_COMMAND:
            if (bind_.OnCommand(wParam, lParam)) {
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            model_.Form_MouseMove();
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), kFill);
            return reinterpret_cast<LRESULT>(fill);
        case WM_ERASEBKGND: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            RECT r;
            GetClientRect(Handle(), &r);
            FillRect(dc, &r, fill);
            RECT header = r;
            header.bottom = Scale(kHeaderHeight);
            FillGradient(dc, header, kDark, kLight);
            HBRUSH line = CreateSolidBrush(kDark);
            FrameRect(dc, &r, line);
            DeleteObject(line);
            DrawIconEx(dc, Scale(8), Scale(5), AppIcon(Scale(20)), Scale(20), Scale(20), 0, nullptr,
                       DI_NORMAL);
            auto font = reinterpret_cast<HFONT>(SendMessageW(close_, WM_GETFONT, 0, 0));
            LOGFONTW bold{};
            if (font != nullptr) {
                GetObjectW(font, sizeof bold, &bold);
            }
            bold.lfWeight = FW_BOLD;
            HFONT titleFont = CreateFontIndirectW(&bold);
            HGDIOBJ old = SelectObject(dc, titleFont);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(255, 255, 255));
            RECT text{Scale(34), 0, r.right - Scale(6), header.bottom};
            DrawTextW(dc, title_.c_str(), static_cast<int>(title_.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, old);
            DeleteObject(titleFont);
            return 1;
        }
        case WM_DPICHANGED:
            bind_.Rescale(HIWORD(wParam));
            break;
        default:
            break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

}  // namespace quellon::gui::win32
