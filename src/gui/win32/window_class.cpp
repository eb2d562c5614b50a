#include "gui/win32/window_class.h"

#include "gui/win32/icons.h"

namespace quellon::gui::win32 {
namespace {

constexpr wchar_t kPanelClass[] = L"QuellonPanel";

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

// Registers `name` once with `procedure`; later calls find it registered.
void RegisterOnce(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(Instance(), name, &existing)) {
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = Instance();
    wc.hIcon = AppIcon(GetSystemMetrics(SM_CXICON));
    wc.hIconSm = AppIcon(GetSystemMetrics(SM_CXSMICON));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

LRESULT CALLBACK PanelProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            if (HWND parent = GetParent(hwnd)) {
                return SendMessageW(parent, message, wParam, lParam);
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

WindowBase::~WindowBase() {
    if (hwnd_ != nullptr) {
        // The derived object is gone: the last messages go to the default
        // procedure, not to a half-destroyed object.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        HWND hwnd = hwnd_;
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
}

UINT WindowBase::Dpi() const {
    const UINT dpi = hwnd_ != nullptr ? GetDpiForWindow(hwnd_) : 0;
    return dpi != 0 ? dpi : 96;
}

int WindowBase::Scale(int pixels96) const {
    return MulDiv(pixels96, static_cast<int>(Dpi()), 96);
}

bool WindowBase::Create(const wchar_t* className, DWORD style, DWORD exStyle,
                        const std::wstring& title, HWND owner, int x, int y, int width,
                        int height) {
    RegisterOnce(className, &WindowBase::Procedure);
    // The window is not there yet: scale by its owner's DPI, or the
    // system's for a window of its own.
    UINT dpi = owner != nullptr ? GetDpiForWindow(owner) : GetDpiForSystem();
    if (dpi == 0) {
        dpi = 96;
    }
    const auto scale = [dpi](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
    const bool keepPlace = x == CW_USEDEFAULT;
    const HWND made = CreateWindowExW(
        exStyle, className, title.c_str(), style, keepPlace ? CW_USEDEFAULT : scale(x),
        keepPlace ? CW_USEDEFAULT : scale(y), width == CW_USEDEFAULT ? width : scale(width),
        height == CW_USEDEFAULT ? height : scale(height), owner, nullptr, Instance(), this);
    return made != nullptr;
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DPICHANGED && hwnd_ != nullptr) {
        // Windows proposes the place and size at the new DPI.
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK WindowBase::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<WindowBase*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        const LRESULT result = self->HandleMessage(message, wParam, lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return result;
    }
    return self->HandleMessage(message, wParam, lParam);
}

HWND MakePanel(HWND parent, int x, int y, int width, int height) {
    RegisterOnce(kPanelClass, &PanelProcedure);
    UINT dpi = parent != nullptr ? GetDpiForWindow(parent) : 96;
    if (dpi == 0) {
        dpi = 96;
    }
    const auto scale = [dpi](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
    return CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, scale(x), scale(y),
                           scale(width), scale(height), parent, nullptr, Instance(), nullptr);
}

}  // namespace quellon::gui::win32
