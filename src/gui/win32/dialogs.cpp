#include "gui/win32/dialogs.h"

#include <commctrl.h>

#include "gui/win32/icons.h"
#include "gui/win32/text.h"
#include "gui/win32/win32_host.h"
#include "scan/scan_context.h"

namespace quellon::gui::win32 {
namespace {

constexpr wchar_t kDialogClass[] = L"QuellonDialog";
constexpr wchar_t kNoticeClass[] = L"QuellonNotice";
constexpr COLORREF kAlertRed = RGB(0xa4, 0x16, 0x1a);
constexpr COLORREF kNoticeFill = RGB(0xf4, 0xf8, 0xff);
constexpr COLORREF kNoticeLine = RGB(0x2f, 0x7b, 0xd0);

// A system icon (IDI_WARNING, IDI_ERROR ...) at `size` pixels.
HICON SystemIcon(int id, int size) {
    return static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR | LR_SHARED));
}

constexpr int kIdiError = 32513;
constexpr int kIdiWarning = 32515;

UINT DpiOrDefault(HWND hwnd) {
    const UINT dpi = hwnd != nullptr ? GetDpiForWindow(hwnd) : GetDpiForSystem();
    return dpi != 0 ? dpi : 96;
}

}  // namespace

WindowDialog::WindowDialog(ui::Window& model, Win32Host& host, Showing showing, HWND owner,
                           int width, int height, bool onTop)
    : model_(model), host_(host), showing_(showing), owner_(owner) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (onTop ? WS_EX_TOPMOST : 0);
    Create(kDialogClass, style, exStyle, Wide(model_.Caption()), owner, CW_USEDEFAULT, 0, width,
           height);
    if (Handle() != nullptr) {
        // The size given is the inside of the window, in 96-dpi pixels.
        const UINT dpi = Dpi();
        RECT r{0, 0, Scale(width), Scale(height)};
        AdjustWindowRectExForDpi(&r, style, FALSE, exStyle, dpi);
        const int w = r.right - r.left, h = r.bottom - r.top;
        // Centred on the owner, or on the work area.
        RECT around{};
        if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner) ||
            !GetWindowRect(owner, &around)) {
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
        }
        const int x = around.left + ((around.right - around.left) - w) / 2;
        const int y = around.top + ((around.bottom - around.top) - h) / 2;
        SetWindowPos(Handle(), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    frontRequests_ = model_.FrontRequests();
    bind_.Watch(model_, [this] { Follow(); });
}

WindowDialog::~WindowDialog() {
    if (owner_ != nullptr && modal_) {
        EnableWindow(owner_, TRUE);
    }
}

void WindowDialog::SetDefaultButton(HWND button) {
    defaultButton_ = button;
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void WindowDialog::SetTextColour(HWND label, COLORREF colour) {
    colours_.emplace_back(label, colour);
}

void WindowDialog::Follow() {
    const HWND hwnd = Handle();
    if (hwnd == nullptr) {
        return;
    }
    const std::wstring title = Wide(model_.Caption());
    wchar_t shown[256] = {};
    GetWindowTextW(hwnd, shown, 256);
    if (title != shown) {
        SetWindowTextW(hwnd, title.c_str());
    }
    following_ = true;
    if (!model_.Visible()) {
        if (IsWindowVisible(hwnd)) {
            if (modal_ && owner_ != nullptr) {
                // The owner comes back before the window goes, so it gets
                // the activation.
                EnableWindow(owner_, TRUE);
            }
            ShowWindow(hwnd, SW_HIDE);
        }
    } else if (showing_ == Showing::kWithModel && !IsWindowVisible(hwnd)) {
        ShowWindow(hwnd, SW_SHOW);
        if (defaultButton_ != nullptr) {
            SetFocus(defaultButton_);
        }
    }
    following_ = false;
    if (model_.FrontRequests() != frontRequests_) {
        frontRequests_ = model_.FrontRequests();
        BringToFront();
    }
}

void WindowDialog::RunModal() {
    const HWND hwnd = Handle();
    if (!model_.Visible() || hwnd == nullptr || modal_) {
        return;
    }
    modal_ = true;
    if (owner_ != nullptr) {
        EnableWindow(owner_, FALSE);
    }
    following_ = true;
    ShowWindow(hwnd, SW_SHOW);
    following_ = false;
    SetForegroundWindow(hwnd);
    SetFocus(defaultButton_ != nullptr ? defaultButton_ : hwnd);
    host_.RunUntil([this] { return !model_.Visible(); });
    if (owner_ != nullptr) {
        EnableWindow(owner_, TRUE);
    }
    modal_ = false;
    if (IsWindowVisible(hwnd)) {
        following_ = true;
        ShowWindow(hwnd, SW_HIDE);
        following_ = false;
    }
    // The program ended while the window was up: it closes as if cancelled.
    if (model_.Visible()) {
        model_.SetVisible(false);
    }
    if (owner_ != nullptr && IsWindowVisible(owner_)) {
        SetForegroundWindow(owner_);
    }
}

void WindowDialog::BringToFront() {
    const HWND hwnd = Handle();
    if (hwnd == nullptr || !IsWindowVisible(hwnd)) {
        return;
    }
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_RESTORE);
    }
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    SetFocus(defaultButton_ != nullptr ? defaultButton_ : hwnd);
}

LRESULT WindowDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // Escape (IsDialogMessage's IDCANCEL) closes the window.
            if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
                if (model_.Visible()) {
                    model_.SetVisible(false);
                }
                return 0;
            }
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
        case DM_GETDEFID:
            if (defaultButton_ != nullptr) {
                return MAKELRESULT(GetDlgCtrlID(defaultButton_), DC_HASDEFID);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            for (const auto& [label, colour] : colours_) {
                if (reinterpret_cast<HWND>(lParam) == label) {
                    const auto dc = reinterpret_cast<HDC>(wParam);
                    SetTextColor(dc, colour);
                    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
                }
            }
            break;
        case WM_CLOSE:
            // The close box hides the model; the model's observer hides the
            // window.
            if (model_.Visible()) {
                model_.SetVisible(false);
            } else if (!following_) {
                ShowWindow(Handle(), SW_HIDE);
            }
            return 0;
        case WM_DPICHANGED:
            bind_.Rescale(HIWORD(wParam));
            break;
        default:
            break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

std::unique_ptr<WindowDialog> MakeDeleteDialog(removal::FrmDelete& form, Win32Host& host,
                                               HWND owner) {
    auto dialog = std::make_unique<WindowDialog>(form, host, WindowDialog::Showing::kWithModel,
                                                 owner, 560, 380);
    const HWND w = dialog->Handle();
    Binder& bind = dialog->Bindings();
    const UINT dpi = DpiOrDefault(w);
    bind.Icon(SystemIcon(kIdiWarning, MulDiv(32, static_cast<int>(dpi), 96)), w, {16, 16, 32, 32});
    bind.Label(form.Label1, w, {60, 16, 484, 48});
    bind.List(form.lstProblem, w, {16, 72, 528, 200}, false);
    bind.Label(form.Label2, w, {16, 280, 528, 40});
    bind.PushButton(form.Command2, w, {346, 334, 96, 30});
    dialog->SetDefaultButton(bind.PushButton(form.Command1, w, {448, 334, 96, 30}));
    return dialog;
}

std::unique_ptr<WindowDialog> MakeReportDialog(report::FrmReport& form, Win32Host& host,
                                               HWND owner) {
    auto dialog =
        std::make_unique<WindowDialog>(form, host, WindowDialog::Showing::kModal, owner, 680, 520);
    const HWND w = dialog->Handle();
    Binder& bind = dialog->Bindings();
    bind.Emphasis(bind.Text(form.txtReport, w, {12, 12, 656, 452}), {false, 100, true});
    dialog->SetDefaultButton(bind.PushButton(form.cmdOk, w, {578, 476, 90, 30}));
    return dialog;
}

std::unique_ptr<WindowDialog> MakeSpywareAlertDialog(protection::FrmSpywareFoundAlert& form,
                                                     Win32Host& host, HWND owner) {
    auto dialog = std::make_unique<WindowDialog>(form, host, WindowDialog::Showing::kWithModel,
                                                 owner, 460, 250, true);
    const HWND w = dialog->Handle();
    Binder& bind = dialog->Bindings();
    const UINT dpi = DpiOrDefault(w);
    bind.Icon(SystemIcon(kIdiError, MulDiv(32, static_cast<int>(dpi), 96)), w, {18, 16, 32, 32});
    const HWND heading = bind.Label(form.lblProductName, w, {64, 12, 380, 26});
    bind.Emphasis(heading, {true, 130, false});
    dialog->SetTextColour(heading, kAlertRed);
    bind.Label(form.Label1, w, {64, 40, 380, 20});
    bind.Label(form.SkinLabel4, w, {18, 78, 110, 20});
    bind.Emphasis(bind.Label(form.lblAlertFileName, w, {130, 78, 312, 20}, SS_PATHELLIPSIS),
                  {true, 100, false});
    bind.Label(form.SkinLabel5, w, {18, 102, 110, 20});
    bind.Emphasis(bind.Label(form.lblAlertCompanyName, w, {130, 102, 312, 20}, SS_ENDELLIPSIS),
                  {true, 100, false});
    bind.Label(form.SkinLabel2, w, {18, 136, 424, 20});
    bind.Label(form.SkinLabel3, w, {18, 158, 424, 20});
    dialog->SetDefaultButton(bind.PushButton(form.cmdYes, w, {254, 204, 90, 30}));
    bind.PushButton(form.cmdNO, w, {352, 204, 90, 30});
    return dialog;
}

std::unique_ptr<WindowDialog> MakeHomePageAlertDialog(protection::FrmHomePageChangedAlert& form,
                                                      Win32Host& host, HWND owner) {
    auto dialog = std::make_unique<WindowDialog>(form, host, WindowDialog::Showing::kModal, owner,
                                                 480, 260, true);
    const HWND w = dialog->Handle();
    Binder& bind = dialog->Bindings();
    const UINT dpi = DpiOrDefault(w);
    bind.Icon(SystemIcon(kIdiWarning, MulDiv(32, static_cast<int>(dpi), 96)), w, {18, 16, 32, 32});
    bind.Label(form.lblHomePageInfo, w, {64, 16, 398, 180});
    dialog->SetDefaultButton(bind.PushButton(form.cmdYes, w, {274, 216, 90, 30}));
    bind.PushButton(form.cmdNO, w, {372, 216, 90, 30});
    return dialog;
}

std::unique_ptr<WindowDialog> MakeDownloadDialog(update::FrmDownload& form, Win32Host& host,
                                                 HWND owner) {
    auto dialog = std::make_unique<WindowDialog>(form, host, WindowDialog::Showing::kWithModel,
                                                 owner, 440, 110);
    const HWND w = dialog->Handle();
    Binder& bind = dialog->Bindings();
    const UINT dpi = DpiOrDefault(w);
    bind.Icon(AppIcon(MulDiv(40, static_cast<int>(dpi), 96)), w, {18, 14, 40, 40});
    bind.Emphasis(bind.Caption("Checking for new definitions", w, {70, 24, 350, 22}),
                  {true, 100, false});
    bind.Label(form.lblStatus, w, {18, 70, 404, 22}, SS_PATHELLIPSIS);
    return dialog;
}

NoticeWindow::NoticeWindow(update::FrmSignatureUpdated& form) : form_(form) {
    const int width = update::FrmSignatureUpdated::kWidth / 15;
    const int height = update::FrmSignatureUpdated::kHeight / 15;
    Create(kNoticeClass, WS_POPUP | WS_CLIPCHILDREN,
           WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_CONTROLPARENT,
           L"frmSignatureUpdated", nullptr, 0, 0, width, height);
    const HWND w = Handle();
    if (w != nullptr) {
        bind_.Icon(AppIcon(Scale(36)), w, {14, 12, 36, 36});
        bind_.Label(form_.lblUpdateInfo, w, {60, 12, 246, 72});
        bind_.PushButton(form_.cmdUpdateSuccesfullOK, w, {216, 92, 90, 28});
    }
    bind_.Watch(form_, [this] { Follow(); });
}

NoticeWindow::~NoticeWindow() = default;

void NoticeWindow::Follow() {
    const HWND w = Handle();
    if (w == nullptr) {
        return;
    }
    // The model's place is in twips of the screen, 15 to the pixel.
    SetWindowPos(w, HWND_TOPMOST, form_.Left() / 15, form_.Top() / 15, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    const bool shown = IsWindowVisible(w) != FALSE;
    if (form_.Visible() != shown) {
        ShowWindow(w, form_.Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
}

LRESULT NoticeWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    static HBRUSH fill = CreateSolidBrush(kNoticeFill);
    switch (message) {
        case WM_COMMAND:
            if (bind_.OnCommand(wParam, lParam)) {
                return 0;
            }
            break;
        case WM_ERASEBKGND: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            RECT r;
            GetClientRect(Handle(), &r);
            FillRect(dc, &r, fill);
            HBRUSH line = CreateSolidBrush(kNoticeLine);
            FrameRect(dc, &r, line);
            DeleteObject(line);
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), kNoticeFill);
            return reinterpret_cast<LRESULT>(fill);
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_DPICHANGED:
            bind_.Rescale(HIWORD(wParam));
            break;
        default:
            break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

namespace {

// The quarantine chooser: the list of files, Restore and Cancel.
class ChooserDialog : public WindowDialog {
public:
    ChooserDialog(ui::Window& model, Win32Host& host, HWND owner)
        : WindowDialog(model, host, Showing::kModal, owner, 820, 360) {}
    HWND list = nullptr;
    ui::Button* restore = nullptr;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == list && header->code == LVN_ITEMCHANGED) {
                restore->SetEnabled(Selected() >= 0);
            } else if (header->hwndFrom == list && header->code == NM_DBLCLK && Selected() >= 0) {
                restore->Click();
                return 0;
            }
        }
        return WindowDialog::HandleMessage(message, wParam, lParam);
    }

public:
    int Selected() const {
        return static_cast<int>(
            SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
};

}  // namespace

std::optional<size_t> ChooseQuarantinedFile(const std::vector<removal::QuarantinedFile>& files,
                                            Win32Host& host, HWND owner) {
    ui::Window model("Restore from Quarantine");
    ui::Label note(
        "Choose the file to put back where it was found. A file already at that place is never "
        "replaced.");
    ui::ListView rows;
    rows.columns = {"File", "Original Location", "Quarantined"};
    for (const auto& file : files) {
        rows.Add(file.name, scan::kIconFile,
                 {file.location.empty() ? std::string_view("(unknown)")
                                        : std::string_view(file.location),
                  file.quarantinedAt});
    }
    ui::Button restore("Restore"), cancel("Cancel");
    std::optional<size_t> chosen;
    ChooserDialog dialog(model, host, owner);
    const HWND w = dialog.Handle();
    Binder& bind = dialog.Bindings();
    bind.Label(note, w, {16, 16, 788, 36});
    dialog.list = bind.List(rows, w, {16, 56, 788, 248}, false);
    dialog.restore = &restore;
    dialog.SetDefaultButton(bind.PushButton(restore, w, {616, 316, 90, 30}));
    bind.PushButton(cancel, w, {714, 316, 90, 30});
    restore.onClick = [&] {
        const int index = dialog.Selected();
        if (index >= 0 && static_cast<size_t>(index) < files.size()) {
            chosen = static_cast<size_t>(index);
            model.SetVisible(false);
        }
    };
    cancel.onClick = [&] { model.SetVisible(false); };
    if (!files.empty()) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(dialog.list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
    restore.SetEnabled(dialog.Selected() >= 0);
    dialog.RunModal();
    return chosen;
}

void ShowAboutBox(HWND owner, const std::string& productName, const std::string& version) {
    const std::wstring text =
        Wide(productName + " " + version + "\n\nSpyware and adware protection.");
    const std::wstring title = Wide("About " + productName);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace quellon::gui::win32
