// The small windows follow their models: shown and hidden with them, their
// close box and Escape hide the model, a modal one holds its owner off until
// its model is hidden; the notice and the tray menu sit where their models
// say and tell the tray menu's model of the mouse.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/win32/dialogs.h"
#include "gui/win32/splash_window.h"
#include "gui/win32/text.h"
#include "gui/win32/tray_menu.h"
#include "gui/win32/win32_host.h"
#include "gui/win32/window_class.h"

namespace quellon::gui::win32 {
namespace {

void InitControls() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
}

bool Shown(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

// The child button with caption `text`.
HWND ButtonOf(HWND window, const wchar_t* text) {
    return FindWindowExW(window, nullptr, L"Button", text);
}

// An owner window of the test's own.
class Owner : public WindowBase {
public:
    Owner() {
        InitControls();
        Create(L"QuellonDialogsTestOwner", WS_OVERLAPPEDWINDOW, 0, L"Owner", nullptr, 0, 0, 400,
               300);
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    }
};

TEST(Dialogs, AWindowFollowsItsModelAndItsCloseBoxHidesTheModel) {
    Win32Host host;
    ui::Window model("First title");
    model.SetVisible(false);
    Owner owner;
    ASSERT_NE(owner.Handle(), nullptr) << "a top-level window needs a display (Xvfb)";
    WindowDialog dialog(model, host, WindowDialog::Showing::kWithModel, owner.Handle(), 300, 200,
                        true);
    const HWND w = dialog.Handle();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindow(w, GW_OWNER), owner.Handle());
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(Shown(w));
    model.SetVisible(true);
    EXPECT_TRUE(Shown(w));
    model.SetCaption("Second title");
    EXPECT_EQ(TextOf(w), L"Second title");
    model.SetVisible(false);
    EXPECT_FALSE(Shown(w));

    model.SetVisible(true);
    SendMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(model.Visible());
    EXPECT_FALSE(Shown(w));

    // Escape comes as IDCANCEL from the dialog navigation.
    model.SetVisible(true);
    SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(model.Visible());
    EXPECT_FALSE(Shown(w));
}

TEST(Dialogs, AModalWindowHoldsItsOwnerOffUntilItsModelIsHidden) {
    Win32Host host;
    ui::Window model("Report");
    ui::Button ok("OK");
    Owner owner;
    WindowDialog dialog(model, host, WindowDialog::Showing::kModal, owner.Handle(), 300, 200);
    const HWND w = dialog.Handle();
    const HWND button = dialog.Bindings().PushButton(ok, w, {200, 160, 90, 30});
    dialog.SetDefaultButton(button);
    bool ownerWasDisabled = false;
    bool shownWhileRunning = false;
    ok.onClick = [&] {
        ownerWasDisabled = IsWindowEnabled(owner.Handle()) == FALSE;
        shownWhileRunning = Shown(w);
        model.SetVisible(false);
    };
    // Not shown with the model alone: only RunModal shows it.
    model.SetVisible(true);
    EXPECT_FALSE(Shown(w));
    // The user's click arrives while the window runs.
    PostMessageW(button, BM_CLICK, 0, 0);
    dialog.RunModal();
    EXPECT_TRUE(ownerWasDisabled);
    EXPECT_TRUE(shownWhileRunning);
    EXPECT_FALSE(model.Visible());
    EXPECT_FALSE(Shown(w));
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    // Enter presses the default button.
    EXPECT_EQ(LOWORD(SendMessageW(w, DM_GETDEFID, 0, 0)), GetDlgCtrlID(button));

    // A hidden model is not run at all.
    dialog.RunModal();
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST(Dialogs, FilesNotDeletedShowsItsListAndButtons) {
    Win32Host host;
    removal::FrmDelete form(host);
    form.lstProblem.Add("c:\\windows\\bad.dll");
    Owner owner;
    auto dialog = MakeDeleteDialog(form, host, owner.Handle());
    const HWND w = dialog->Handle();
    EXPECT_EQ(TextOf(w), L"Files Not Deleted");
    const HWND copy = ButtonOf(w, L"Copy List");
    const HWND ok = ButtonOf(w, L"Ok");
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(ok, nullptr);
    const HWND list = FindWindowExW(w, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);

    form.Show();
    EXPECT_TRUE(Shown(w));
    SendMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(Shown(w));
}

TEST(Dialogs, TheNoticeSitsWhereItsModelSays) {
    update::FrmSignatureUpdated form("Quellon Pro");
    NoticeWindow notice(form);
    const HWND w = notice.Handle();
    ASSERT_NE(w, nullptr);
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & WS_CAPTION, 0);
    form.Form_Load(1280, 800, 40);
    ASSERT_TRUE(form.Visible());
    EXPECT_TRUE(Shown(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, form.Left() / 15);
    EXPECT_EQ(r.top, form.Top() / 15);
    EXPECT_NE(ButtonOf(w, L"OK"), nullptr);
    form.SetVisible(false);
    EXPECT_FALSE(Shown(w));
}

TEST(Dialogs, TheTrayMenuFollowsItsModelAndReportsTheMouse) {
    Win32Host host;
    tray::FrmMenuPopUp model(host);
    TrayMenu menu(model, "Quellon Pro");
    const HWND w = menu.Handle();
    ASSERT_NE(w, nullptr);
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    model.Form_Load({1280, 800, 40}, false, true);
    model.SetVisible(true);
    EXPECT_TRUE(Shown(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, model.PixelLeft());
    EXPECT_EQ(r.top, model.PixelTop());
    for (const wchar_t* item : {L"Show Program", L"Options...", L"Scan Now", L"Exit Program"}) {
        EXPECT_NE(ButtonOf(w, item), nullptr) << Ansi(item);
    }

    const HWND close = FindWindowExW(w, nullptr, L"Static", L"Close This Menu");
    ASSERT_NE(close, nullptr);
    model.lTimDown = 7;
    SendMessageW(close, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(model.MenuCloseBold());
    EXPECT_EQ(model.lTimDown, 0);
    model.lTimDown = 7;
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(model.MenuCloseBold());
    EXPECT_EQ(model.lTimDown, 0);
    // Over an item counts as over the menu.
    SendMessageW(close, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    SendMessageW(ButtonOf(w, L"Scan Now"), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(model.MenuCloseBold());

    model.Unload();
    EXPECT_FALSE(Shown(w));
}

TEST(Dialogs, TheSplashIsShownWhileItsModelIs) {
    Win32Host host;
    app::FrmSplash splash(host);
    splash.window.SetVisible(false);
    SplashWindow window(splash, "Quellon Pro", "Starting");
    ASSERT_NE(window.Handle(), nullptr);
    EXPECT_FALSE(Shown(window.Handle()));
    splash.window.SetVisible(true);
    EXPECT_TRUE(Shown(window.Handle()));
    splash.window.SetVisible(false);
    EXPECT_FALSE(Shown(window.Handle()));
}

// Presses a button of the quarantine chooser once it is up.
struct Presser {
    static inline const wchar_t* button = nullptr;
    static inline int selectRow = -2;
    static void CALLBACK Press(HWND, UINT, UINT_PTR id, DWORD) {
        const HWND w = FindWindowW(L"QuellonDialog", L"Restore from Quarantine");
        if (w == nullptr || !IsWindowVisible(w)) {
            return;
        }
        KillTimer(nullptr, id);
        if (selectRow >= -1) {
            const HWND list = FindWindowExW(w, nullptr, WC_LISTVIEWW, nullptr);
            LVITEMW item{};
            item.stateMask = LVIS_SELECTED;
            item.state = LVIS_SELECTED;
            if (selectRow == -1) {
                item.state = 0;
            }
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(selectRow),
                         reinterpret_cast<LPARAM>(&item));
            if (selectRow >= 0) {
                SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(selectRow),
                             reinterpret_cast<LPARAM>(&item));
            }
        }
        PostMessageW(ButtonOf(w, button), BM_CLICK, 0, 0);
    }
};

std::vector<removal::QuarantinedFile> TwoFiles() {
    std::vector<removal::QuarantinedFile> files(2);
    files[0].name = "bad.exe";
    files[0].location = "c:\\windows\\bad.exe";
    files[1].name = "worse.dll";
    return files;
}

TEST(Dialogs, TheQuarantineChooserGivesTheChosenFileOrNothing) {
    Win32Host host;
    Owner owner;
    const auto files = TwoFiles();

    Presser::button = L"Restore";
    Presser::selectRow = 1;
    SetTimer(nullptr, 0, 20, &Presser::Press);
    EXPECT_EQ(ChooseQuarantinedFile(files, host, owner.Handle()), std::optional<size_t>(1));
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));

    Presser::button = L"Cancel";
    Presser::selectRow = -2;
    SetTimer(nullptr, 0, 20, &Presser::Press);
    EXPECT_EQ(ChooseQuarantinedFile(files, host, owner.Handle()), std::nullopt);

    // With no row selected, Restore is greyed and gives nothing; Cancel ends.
    Presser::button = L"Restore";
    Presser::selectRow = -1;
    SetTimer(nullptr, 0, 20, &Presser::Press);
    const UINT_PTR cancel = SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        const HWND w = FindWindowW(L"QuellonDialog", L"Restore from Quarantine");
        PostMessageW(w, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(ChooseQuarantinedFile(files, host, owner.Handle()), std::nullopt);
    KillTimer(nullptr, cancel);
}

}  // namespace
}  // namespace quellon::gui::win32
