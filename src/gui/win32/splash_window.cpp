#include "gui/win32/splash_window.h"

#include "gui/win32/icons.h"
#include "gui/win32/text.h"

namespace quellon::gui::win32 {
namespace {

constexpr wchar_t kSplashClass[] = L"QuellonSplash";
constexpr int kWidth = 420;
constexpr int kHeight = 220;

void DrawLine(HDC dc, const std::string& text, RECT r, int points, bool bold, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, L"Segoe UI", LF_FACESIZE);
    HFONT made = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, made);
    const std::wstring wide = Wide(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    DeleteObject(made);
}

}  // namespace

SplashWindow::SplashWindow(app::FrmSplash& splash, const std::string& product,
                           const std::string& line)
    : product_(product), line_(line) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    Create(kSplashClass, WS_POPUP, WS_EX_TOOLWINDOW, Wide(product), nullptr, CW_USEDEFAULT, 0,
           kWidth, kHeight);
    if (Handle() != nullptr) {
        const int w = Scale(kWidth), h = Scale(kHeight);
        SetWindowPos(Handle(), nullptr, area.left + (area.right - area.left - w) / 2,
                     area.top + (area.bottom - area.top - h) / 2, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    bind_.Watch(splash.window, [this, &splash] {
        if (Handle() == nullptr) {
            return;
        }
        const bool shown = IsWindowVisible(Handle()) != FALSE;
        if (shown != splash.window.Visible()) {
            ShowWindow(Handle(), splash.window.Visible() ? SW_SHOW : SW_HIDE);
            if (splash.window.Visible()) {
                UpdateWindow(Handle());
            }
        }
    });
}

SplashWindow::~SplashWindow() = default;

LRESULT SplashWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT r;
        GetClientRect(Handle(), &r);
        // A diagonal blue: drawn in bands from dark to light.
        const int bands = 48;
        for (int i = 0; i < bands; ++i) {
            const auto mix = [i](int a, int b) { return a + (b - a) * i / (bands - 1); };
            HBRUSH brush = CreateSolidBrush(RGB(mix(0x12, 0x2f), mix(0x36, 0x7b), mix(0x74, 0xd0)));
            const RECT band{r.right * i / bands, 0, r.right * (i + 1) / bands, r.bottom};
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
        DrawIconEx(dc, Scale(28), Scale(60), AppIcon(Scale(96)), Scale(96), Scale(96), 0, nullptr,
                   DI_NORMAL);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawLine(dc, product_, {Scale(140), Scale(70), r.right - Scale(10), Scale(114)}, 24, true,
                 Dpi());
        DrawLine(dc, line_, {Scale(142), Scale(114), r.right - Scale(10), Scale(144)}, 11, false,
                 Dpi());
        HBRUSH edge = CreateSolidBrush(RGB(0x0b, 0x24, 0x52));
        FrameRect(dc, &r, edge);
        DeleteObject(edge);
        EndPaint(Handle(), &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

}  // namespace quellon::gui::win32
