#include "gui/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/win32/dialogs.h"
#include "gui/win32/icons.h"
#include "gui/win32/text.h"
#include "gui/win32/tray_icon.h"
#include "gui/win32/tray_menu.h"
#include "gui/win32/win32_front_end.h"
#include "gui/win32/win32_host.h"

namespace quellon::gui::win32 {
namespace {

constexpr wchar_t kClassName[] = L"QuellonProMainWindow";
// Posted to itself: the window follows its model once the procedure that
// changed it has run.
constexpr UINT kSyncMessage = WM_APP + 20;

constexpr COLORREF kBannerDark = RGB(0x12, 0x36, 0x74);
constexpr COLORREF kBannerLight = RGB(0x2f, 0x7b, 0xd0);
constexpr COLORREF kBannerLine = RGB(0x0b, 0x24, 0x52);
constexpr int kBannerStrips = 64;

// The banner's colour in strip `i` of kBannerStrips.
COLORREF BannerColour(int i) {
    i = std::clamp(i, 0, kBannerStrips - 1);
    auto mix = [i](int dark, int light) { return dark + (light - dark) * i / (kBannerStrips - 1); };
    return RGB(mix(GetRValue(kBannerDark), GetRValue(kBannerLight)),
               mix(GetGValue(kBannerDark), GetGValue(kBannerLight)),
               mix(GetBValue(kBannerDark), GetBValue(kBannerLight)));
}

// The message font of the desktop at `dpi`.
LOGFONTW MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        font.lfHeight = -11;
        font.lfWeight = FW_NORMAL;
        wcscpy_s(font.lfFaceName, L"Tahoma");
    }
    HDC screen = GetDC(nullptr);
    const int systemDpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), systemDpi > 0 ? systemDpi : 96);
    return font;
}

// Paints a link of the banner: white on the banner's colour, greyed while
// disabled. The binder's own link procedure below keeps the hand cursor and
// the click.
LRESULT CALLBACK BannerLinkProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(hwnd), WM_CTLCOLORSTATIC,
                                                               reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(hwnd)));
            FillRect(dc, &r, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
            auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
            HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, IsWindowEnabled(hwnd) ? RGB(0xff, 0xff, 0xff) : RGB(0x9c, 0xb8, 0xe0));
            wchar_t text[64] = {};
            const int length = GetWindowTextW(hwnd, text, 64);
            DrawTextW(dc, text, length, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            if (old != nullptr) {
                SelectObject(dc, old);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, BannerLinkProcedure, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

MainWindow::MainWindow(app::FrmMain& form, Win32Host& host, Win32FrontEnd& frontEnd)
    : form_(form), host_(host), frontEnd_(frontEnd) {
    Create(kClassName, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
           WS_EX_APPWINDOW, Wide(form_.frmMainWindow.Caption()), nullptr, CW_USEDEFAULT,
           CW_USEDEFAULT, kClientWidth, kClientHeight);
    dpi_ = Dpi();
    BuildMenus();
    BuildBanner();
    BuildNavigation();
    BuildStatusPage(Page(form_.frmStatus, "frmStatus"));
    BuildScanPage(Page(form_.frmScan, "frmScan"));
    BuildResultsPage(Page(form_.frmResults, "frmResults"));
    BuildOptionsPage(Page(form_.frmOptions, "frmOptions"));
    ApplyFonts();

    // The client area the places were laid out for, at the window's DPI.
    const SIZE outer = OuterSize();
    SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    tray_ = std::make_unique<TrayIcon>(Handle(), AppIcon(GetSystemMetrics(SM_CXSMICON)));
    trayMenu_ = std::make_unique<TrayMenu>(form_.frmMenuPopUp, form_.Info().productName);
    BuildDialogs();

    frontRequests_ = form_.frmMainWindow.FrontRequests();
    bind_.Watch(form_.frmMainWindow, [this] {
        SetWindowTextW(Handle(), Wide(form_.frmMainWindow.Caption()).c_str());
        FollowTaskList();
        if (form_.frmMainWindow.FrontRequests() != frontRequests_) {
            frontRequests_ = form_.frmMainWindow.FrontRequests();
            if (presented_ && IsWindowVisible(Handle())) {
                BringWindowToTop(Handle());
                SetForegroundWindow(Handle());
            }
        }
        if (presented_ && !syncing_ && form_.frmMainWindow.Visible() &&
            !IsWindowVisible(Handle())) {
            // Shown at once: a question the form asks next must come up
            // over the window, not under it.
            SyncWindow();
            return;
        }
        ScheduleWindowSync();
    });
    bind_.Watch(form_.trayIcon, [this] {
        FollowTaskList();
        ScheduleWindowSync();
    });
    frontEnd_.Attach(this);
}

MainWindow::~MainWindow() {
    frontEnd_.Attach(nullptr);
    // The owned windows and the icon go before the window that owns them.
    notice_.reset();
    dialogs_.clear();
    trayMenu_.reset();
    tray_.reset();
    // The menu bar goes with the window.
    if (Handle() != nullptr) {
        DestroyWindow(Handle());
    }
    for (auto& [key, font] : fonts_) {
        DeleteObject(font);
    }
    for (auto& [control, brush] : linkBrushes_) {
        DeleteObject(brush);
    }
}

void MainWindow::BuildDialogs() {
    dialogs_.push_back(MakeDeleteDialog(form_.frmDelete, host_, Handle()));
    dialogs_.push_back(MakeReportDialog(form_.frmReport, host_, Handle()));
    dialogs_.push_back(MakeSpywareAlertDialog(form_.frmSpywareFoundAlert, host_, Handle()));
    dialogs_.push_back(MakeHomePageAlertDialog(form_.frmHomePageChangedAlert, host_, Handle()));
    dialogs_.push_back(MakeDownloadDialog(form_.frmDownload, host_, Handle()));
    notice_ = std::make_unique<NoticeWindow>(form_.frmSignatureUpdated);
}

WindowDialog* MainWindow::DialogFor(const ui::Window& model) {
    for (auto& dialog : dialogs_) {
        if (dialog != nullptr && &dialog->Model() == &model) {
            return dialog.get();
        }
    }
    return nullptr;
}

HWND MainWindow::Find(const std::string& name) const {
    auto it = named_.find(name);
    return it == named_.end() ? nullptr : it->second;
}

int MainWindow::Px(int pixels96) const {
    return MulDiv(pixels96, static_cast<int>(dpi_), 96);
}

UINT MainWindow::MenuId(const std::string& name) const {
    auto it = menuIds_.find(name);
    return it == menuIds_.end() ? 0 : it->second;
}

HWND MainWindow::Named(const std::string& name, HWND control) {
    named_[name] = control;
    return control;
}

void MainWindow::BuildMenus() {
    auto& f = form_;
    menuBar_ = CreateMenu();
    UINT next = kFirstMenuId;
    auto item = [&](HMENU menu, ui::Label& model, const std::string& name) {
        menuIds_[name] = next;
        // The binder keeps the item's text and state as its model says.
        AppendMenuW(menu, MF_STRING, next, L"");
        bind_.MenuItem(model, menu, next);
        ++next;
    };
    auto popup = [&](const wchar_t* title) {
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menuBar_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), title);
        return menu;
    };
    HMENU file = popup(L"&File");
    item(file, f.mnuFileScanNow, "mnuFileScanNow");
    item(file, f.mnuFileViewLog, "mnuFileViewLog");
    item(file, f.mnuFileLiveUpdate, "mnuFileLiveUpdate");
    item(file, f.mnuFileMinimize, "mnuFileMinimize");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, f.mnuFileExit, "mnuFileExit");
    HMENU settings = popup(L"&Settings");
    for (int i = 0; i < 4; ++i) {
        item(settings, f.mnuSettingsItem[i], "mnuSettingsItem" + std::to_string(i));
    }
    HMENU quarantine = popup(L"&Quarantine");
    for (int i = 0; i < 3; ++i) {
        item(quarantine, f.mnuQuarItem[i], "mnuQuarItem" + std::to_string(i));
    }
    HMENU help = popup(L"&Help");
    item(help, f.mnuViewHelp, "mnuViewHelp");
    HMENU about = popup(L"&About");
    item(about, f.mnuAbout, "mnuAbout");
    HMENU debug = popup(L"&Debug");
    item(debug, f.mnuDebugHomepage, "mnuDebugHomepage");
    item(debug, f.mnuDebugSignature, "mnuDebugSignature");
    item(debug, f.mnuDebugSpyware, "mnuDebugSpyware");
    SetMenu(Handle(), menuBar_);
}

void MainWindow::BuildBanner() {
    auto& f = form_;
    // The four pictures are painted (PaintBanner); the one on show follows
    // the label links.
    for (ui::Frame* picture : {&f.PicStartUp, &f.PicOptions, &f.PicResults, &f.PicSweepNow}) {
        bind_.Watch(*picture, [this] {
            RECT banner{0, 0, Px(kClientWidth), Px(kBannerHeight)};
            InvalidateRect(Handle(), &banner, TRUE);
        });
    }
    struct Link {
        ui::Label& model;
        const char* name;
        int width;
    };
    const Link links[] = {{f.lblOptions, "lblOptions", 52},   {f.lblResult, "lblResult", 46},
                          {f.lblSweepNow, "lblSweepNow", 70}, {f.lblRemove, "lblRemove", 56},
                          {f.lblExit, "lblExit", 34},         {f.lblHide, "lblHide", 20}};
    int total = 0;
    for (const Link& link : links) {
        total += link.width + 6;
    }
    int x = kClientWidth - 12 - total;
    for (const Link& link : links) {
        HWND control =
            Named(link.name, bind_.LinkButton(link.model, Handle(), {x, 10, link.width, 18}));
        SetWindowSubclass(control, BannerLinkProcedure, 2, 0);
        const int middle = (x + link.width / 2) * kBannerStrips / kClientWidth;
        linkBrushes_[control] = CreateSolidBrush(BannerColour(middle));
        if (std::string(link.name) == "lblHide") {
            SetStyle(control, 0, true);
        }
        x += link.width + 6;
    }
}

void MainWindow::BuildNavigation() {
    auto& f = form_;
    struct Entry {
        ui::Button& button;
        ui::Frame& frame;
        const char* name;
    };
    const Entry entries[] = {{f.cmdStatus, f.frmStatus, "cmdStatus"},
                             {f.cmdScan, f.frmScan, "cmdScan"},
                             {f.cmdResults, f.frmResults, "cmdResults"},
                             {f.cmdSettings, f.frmOptions, "cmdSettings"}};
    int y = kBannerHeight + 12;
    for (const Entry& entry : entries) {
        HWND button = Named(entry.name, bind_.PushButton(entry.button, Handle(), {12, y, 150, 38}));
        // The button of the page on show is set in bold.
        ui::Frame* frame = &entry.frame;
        bind_.Watch(*frame, [this, frame, button] { SetStyle(button, 0, frame->Visible()); });
        y += 46;
    }
    Named("Command5",
          bind_.PushButton(f.Command5, Handle(), {12, kClientHeight - 12 - 32, 150, 32}));
}

HWND MainWindow::Page(ui::Frame& frame, const std::string& name) {
    constexpr int kLeft = 12 + 150 + 14;
    HWND page = Named(name, bind_.Frame(frame, Handle(),
                                        {kLeft, kBannerHeight + 12, kClientWidth - kLeft - 12,
                                         kClientHeight - kBannerHeight - 24}));
    HWND title = Named(name + "Title", bind_.Label(frame, page, {0, 0, 560, 28}));
    SetStyle(title, 5, true);
    return page;
}

HWND MainWindow::GroupBox(const std::string& title, HWND parent, Box box) {
    HWND group =
        CreateWindowExW(0, WC_BUTTONW, Wide(title).c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                        Px(box.x), Px(box.y), Px(box.width), Px(box.height), parent, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    own_.emplace_back(group, box);
    SetStyle(group, 0, false);
    return group;
}

void MainWindow::MoveOwnControls() {
    for (const auto& [control, box] : own_) {
        SetWindowPos(control, HWND_BOTTOM, Px(box.x), Px(box.y), Px(box.width), Px(box.height),
                     SWP_NOACTIVATE);
    }
}

void MainWindow::SetStyle(HWND control, int grow, bool bold) {
    Styled& style = styled_[control];
    const bool same = style.grow == grow && style.bold == bold && fontsDpi_ != 0;
    style = {grow, bold};
    if (fontsDpi_ != 0 && !same) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(style)), TRUE);
    }
}

HFONT MainWindow::FontFor(Styled style) {
    const auto key = std::make_pair(style.grow, style.bold);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) {
        return it->second;
    }
    LOGFONTW font = MessageFont(fontsDpi_);
    font.lfHeight -= MulDiv(style.grow, static_cast<int>(fontsDpi_), 72);
    font.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
    HFONT made = CreateFontIndirectW(&font);
    fonts_[key] = made;
    return made;
}

void MainWindow::ApplyFonts() {
    std::map<std::pair<int, bool>, HFONT> old;
    old.swap(fonts_);
    fontsDpi_ = dpi_;
    for (const auto& [control, style] : styled_) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(style)), TRUE);
    }
    for (auto& [key, font] : old) {
        DeleteObject(font);
    }
}

void MainWindow::Present() {
    presented_ = true;
    SyncWindow();
}

void MainWindow::ScheduleWindowSync() {
    if (!presented_ || syncPending_) {
        return;
    }
    // Coalesced: a procedure often changes state and visibility in a row.
    syncPending_ = true;
    PostMessageW(Handle(), kSyncMessage, 0, 0);
}

void MainWindow::SyncWindow() {
    if (!presented_ || Handle() == nullptr) {
        return;
    }
    syncing_ = true;
    HWND hwnd = Handle();
    const auto& model = form_.frmMainWindow;
    const bool shown = IsWindowVisible(hwnd) != FALSE;
    if (host_.Ended()) {
        ShowWindow(hwnd, SW_HIDE);
    } else if (model.Visible()) {
        if (model.WindowState() == ui::Window::State::kMinimized) {
            if (!shown || !IsIconic(hwnd)) {
                ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
            }
        } else if (!shown || IsIconic(hwnd)) {
            // The window has fixed places: a maximised state shows it
            // restored.
            ShowWindow(hwnd, shown ? SW_RESTORE : SW_SHOWNORMAL);
            BringWindowToTop(hwnd);
            SetForegroundWindow(hwnd);
        }
    } else if (form_.trayIcon.Visible() && (tray_ == nullptr || !tray_->Shown())) {
        // Sent to the tray where there is none: minimised, it stays on the
        // taskbar and comes back from there.
        if (!shown || !IsIconic(hwnd)) {
            ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
        }
    } else if (shown) {
        ShowWindow(hwnd, SW_HIDE);
    }
    syncing_ = false;
}

void MainWindow::FollowTaskList() {
    // Listed on the taskbar as an application window, or left off it as a
    // tool window. Left off only while the tray icon holds the program: a
    // window minimised with nothing in the tray stays on the taskbar, where
    // the user finds it again.
    HWND hwnd = Handle();
    const bool listed = form_.frmMainWindow.ShowInTaskList() || tray_ == nullptr || !tray_->Shown();
    const LONG_PTR old = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    LONG_PTR style = old & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW | WS_EX_TOOLWINDOW);
    style |= listed ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
    if (style != old) {
        SetWindowLongPtrW(hwnd, GWL_EXSTYLE, style);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void MainWindow::OnSize(WPARAM kind) {
    // Only a change between minimised, restored and maximised is a change
    // of state: a frame change sends SIZE_RESTORED again and again.
    const WPARAM was = lastSize_;
    lastSize_ = kind;
    if (kind == was || syncing_ || !presented_ || host_.Ended()) {
        return;
    }
    auto& model = form_.frmMainWindow;
    if (kind == SIZE_MINIMIZED) {
        model.SetWindowState(ui::Window::State::kMinimized);
        return;
    }
    if (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED) {
        return;
    }
    if (model.WindowState() == ui::Window::State::kNormal) {
        return;
    }
    if (!model.Visible() && form_.trayIcon.Visible()) {
        // Back from the taskbar while in the tray: as a double click on the icon.
        form_.OnTrayMessage(app::kTrayDoubleClick);
        return;
    }
    model.SetWindowState(ui::Window::State::kNormal);
}

SIZE MainWindow::OuterSize() const {
    RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)),
                             TRUE, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)),
                             dpi_);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    // Windows' place, with the size the client area needs at the new DPI
    // (the frame scales differently from the client area).
    dpi_ = dpi;
    const SIZE outer = OuterSize();
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, outer.cx, outer.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    bind_.Rescale(dpi);
    MoveOwnControls();
    ApplyFonts();
    InvalidateRect(Handle(), nullptr, TRUE);
}

void MainWindow::PaintBanner(HDC dc) {
    const int width = Px(kClientWidth);
    const int height = Px(kBannerHeight);
    // A gradient from the dark blue on the left to the light one, in strips.
    for (int i = 0; i < kBannerStrips; ++i) {
        HBRUSH strip = CreateSolidBrush(BannerColour(i));
        RECT part{width * i / kBannerStrips, 0, width * (i + 1) / kBannerStrips, height - 1};
        FillRect(dc, &part, strip);
        DeleteObject(strip);
    }
    RECT line{0, height - 1, width, height};
    HBRUSH lineBrush = CreateSolidBrush(kBannerLine);
    FillRect(dc, &line, lineBrush);
    DeleteObject(lineBrush);

    DrawIconEx(dc, Px(16), Px(14), AppIcon(Px(56)), Px(56), Px(56), 0, nullptr, DI_NORMAL);

    auto& f = form_;
    const std::string product = f.Info().productName;
    struct Picture {
        ui::Frame& model;
        std::string title;
        const char* line;
    };
    const Picture pictures[] = {
        {f.PicStartUp, product, "Spyware and adware protection"},
        {f.PicOptions, "Options", "Choose what a scan looks at and how the shields protect you"},
        {f.PicResults, "Results", "Review what the scan found and choose what to remove"},
        {f.PicSweepNow, "Sweep Now", "Scan this computer for spyware and adware"},
    };
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0xff, 0xff, 0xff));
    int y = Px(16);
    for (const Picture& picture : pictures) {
        if (!picture.model.Visible()) {
            continue;
        }
        HFONT old = static_cast<HFONT>(SelectObject(dc, FontFor({10, true})));
        std::wstring title = Wide(picture.title);
        RECT titleBox{Px(84), y, Px(kClientWidth - 330), y + Px(30)};
        DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &titleBox,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, FontFor({2, false}));
        std::wstring text = Wide(picture.line);
        RECT lineBox{Px(84), y + Px(32), Px(kClientWidth - 12), y + Px(52)};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &lineBox,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, old);
        // One picture at a time; a second would sit on the first.
        break;
    }
}

LRESULT MainWindow::ColourStatic(HDC dc, HWND control) {
    auto link = linkBrushes_.find(control);
    if (link != linkBrushes_.end()) {
        // The banner's colour where the link sits.
        LOGBRUSH fill{};
        GetObjectW(link->second, sizeof fill, &fill);
        SetBkColor(dc, fill.lbColor);
        return reinterpret_cast<LRESULT>(link->second);
    }
    auto it = colours_.find(control);
    if (it != colours_.end()) {
        SetTextColor(dc, it->second);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return -1;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tray_ != nullptr && tray_->HandleMessage(message, wParam, lParam, [this](int mouse) {
            form_.OnTrayMessage(mouse);
        })) {
        return 0;
    }
    switch (message) {
        case kSyncMessage:
            syncPending_ = false;
            SyncWindow();
            return 0;
        case WM_COMMAND:
            if (bind_.OnCommand(wParam, lParam)) {
                return 0;
            }
            break;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (bind_.OnNotify(lParam, result)) {
                return result;
            }
            break;
        }
        case WM_CTLCOLORSTATIC: {
            const LRESULT brush =
                ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            if (brush != -1) {
                return brush;
            }
            break;
        }
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(Handle(), &client);
            client.top = Px(kBannerHeight);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Handle(), &paint);
            PaintBanner(dc);
            EndPaint(Handle(), &paint);
            return 0;
        }
        case WM_CLOSE:
            if (!host_.Ended()) {
                // The form decides: run state, tray icon, unload.
                form_.Form_QueryUnload();
            } else {
                ShowWindow(Handle(), SW_HIDE);
            }
            return 0;
        case WM_SIZE:
            OnSize(wParam);
            break;
        case WM_GETMINMAXINFO: {
            // The window may be larger than the screen at a high DPI: its
            // controls have fixed places and must not be cut off.
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE outer = OuterSize();
            limits->ptMaxTrackSize.x = std::max<LONG>(limits->ptMaxTrackSize.x, outer.cx);
            limits->ptMaxTrackSize.y = std::max<LONG>(limits->ptMaxTrackSize.y, outer.cy);
            return 0;
        }
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

}  // namespace quellon::gui::win32
