// The bindings of every control kind, both ways, on real common controls:
// a model change shows in its control, and the message a user's action makes
// the control send reaches the model's setter and its handler once.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "gui/win32/bindings.h"
#include "gui/win32/text.h"
#include "gui/win32/window_class.h"

namespace quellon::gui::win32 {
namespace {

void InitControls() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
}

// Runs the messages that wait (the lists' coalesced refreshes).
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

// A top-level window of the test's own that hands its controls' messages
// to the binder, as the program's windows do. The models it binds must
// outlive it, as a form outlives its window.
class TestWindow : public WindowBase {
public:
    TestWindow() {
        InitControls();
        Create(L"QuellonBindingsTest", WS_OVERLAPPEDWINDOW, 0, L"Bindings", nullptr, 0, 0, 640,
               480);
    }
    Binder bind;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && bind.OnCommand(wParam, lParam)) {
            return 0;
        }
        if (message == WM_NOTIFY) {
            LRESULT result = 0;
            if (bind.OnNotify(lParam, result)) {
                return result;
            }
        }
        return WindowBase::HandleMessage(message, wParam, lParam);
    }
};

// The WM_COMMAND a control sends its parent.
void Command(HWND control, WORD code) {
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

TEST(Text, EveryAnsiByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::wstring wide = Wide(all);
    ASSERT_EQ(wide.size(), all.size());
    EXPECT_EQ(wide[0x80 - 1], L'\u20AC');  // the euro sign
    EXPECT_EQ(wide[0xE9 - 1], L'\u00E9');
    EXPECT_EQ(Ansi(wide), all);
}

TEST(Text, CharactersWithoutAnAnsiFormBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Ansi(L"a\u4E2Db"), "a?b");
    // A character beyond the 16-bit range is one character, not two.
    EXPECT_EQ(Ansi(L"x\U0001F600y"), "x?y");
    // A lone surrogate is kept as one unknown character.
    EXPECT_EQ(Ansi(std::wstring(L"x") + static_cast<wchar_t>(0xD800)), "x?");
}

TEST(Text, CaptionsShowAmpersandsAndEditsGetCrLf) {
    EXPECT_EQ(WideCaption("Scan & Remove"), L"Scan && Remove");
    EXPECT_EQ(WideLines("a\nb\r\nc\rd"), L"a\r\nb\r\nc\r\nd");
}

TEST(Bindings, LabelAndButtonFollowTheirModelAndAClickRunsOnce) {
    ui::Label label("Files: 0");
    ui::Button button("&Scan");
    int clicks = 0;
    button.onClick = [&] { ++clicks; };
    TestWindow window;
    ASSERT_NE(window.Handle(), nullptr) << "a top-level window needs a display (Xvfb)";
    const HWND l = window.bind.Label(label, window.Handle(), {8, 8, 200, 20});
    const HWND b = window.bind.PushButton(button, window.Handle(), {8, 40, 100, 28});
    EXPECT_EQ(TextOf(l), L"Files: 0");
    EXPECT_EQ(TextOf(b), L"&&Scan");
    label.SetCaption("Files: 12 \x80");
    EXPECT_EQ(TextOf(l), L"Files: 12 \u20AC");

    SendMessageW(b, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);

    button.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(b));
    button.SetVisible(false);
    EXPECT_EQ(GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE, 0);
    button.SetVisible(true);
    button.SetEnabled(true);
    EXPECT_NE(GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_TRUE(IsWindowEnabled(b));
}

TEST(Bindings, LinkAndMenuItemRunTheirModelsClick) {
    ui::Label link("Live Update");
    ui::Label item("&Restore");
    int linkClicks = 0, itemClicks = 0;
    link.onClick = [&] { ++linkClicks; };
    item.onClick = [&] { ++itemClicks; };
    TestWindow window;
    const HWND l = window.bind.LinkButton(link, window.Handle(), {8, 8, 200, 20});
    EXPECT_NE(GetWindowLongW(l, GWL_STYLE) & SS_NOTIFY, 0);
    SendMessageW(l, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(l, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(linkClicks, 1);

    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 4001, L"x");
    window.bind.MenuItem(item, menu, 4001);
    wchar_t text[64] = {};
    GetMenuStringW(menu, 4001, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&&Restore");
    SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(4001, 0), 0);
    EXPECT_EQ(itemClicks, 1);
    // A hidden or disabled item is greyed and does nothing.
    item.SetEnabled(false);
    EXPECT_NE(GetMenuState(menu, 4001, MF_BYCOMMAND) & MF_GRAYED, 0u);
    SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(4001, 0), 0);
    EXPECT_EQ(itemClicks, 1);
    DestroyMenu(menu);
}

TEST(Bindings, CheckBoxBothWaysAndTheModelHasTheLastWord) {
    ui::CheckBox box("Run at Startup");
    int changes = 0;
    box.onChange = [&] { ++changes; };
    TestWindow window;
    const HWND c = window.bind.CheckBox(box, window.Handle(), {8, 8, 200, 20});
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    box.SetChecked(true);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(changes, 1);

    SendMessageW(c, BM_CLICK, 0, 0);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // A handler that refuses the change sets the model back: the box shows
    // the model, and nothing loops.
    box.onChange = [&] {
        ++changes;
        if (box.Checked()) {
            box.SetChecked(false);
        }
    };
    SendMessageW(c, BM_CLICK, 0, 0);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(Bindings, OptionButtonsKeepTheModelsGroup) {
    ui::OptionButton daily("Daily"), weekly("Weekly");
    ui::OptionButton::Group({&daily, &weekly});
    daily.SetValue(true);
    int dailyChanges = 0, weeklyChanges = 0;
    daily.onChange = [&] { ++dailyChanges; };
    weekly.onChange = [&] { ++weeklyChanges; };
    TestWindow window;
    const HWND d = window.bind.Option(daily, window.Handle(), {8, 8, 100, 20});
    const HWND w = window.bind.Option(weekly, window.Handle(), {8, 30, 100, 20});
    EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & BS_TYPEMASK, BS_RADIOBUTTON);
    EXPECT_EQ(SendMessageW(d, BM_GETCHECK, 0, 0), BST_CHECKED);

    SendMessageW(w, BM_CLICK, 0, 0);
    EXPECT_TRUE(weekly.Value());
    EXPECT_FALSE(daily.Value());
    EXPECT_EQ(weeklyChanges, 1);
    EXPECT_EQ(dailyChanges, 1);
    EXPECT_EQ(SendMessageW(w, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(d, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // Clicking the chosen one again changes nothing.
    SendMessageW(w, BM_CLICK, 0, 0);
    EXPECT_EQ(weeklyChanges, 1);
    EXPECT_EQ(SendMessageW(w, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(Bindings, ComboBoxBothWays) {
    ui::ComboBox combo;
    combo.entries = {"Sunday", "Monday", "Tuesday"};
    combo.SetListIndex(1);
    int changes = 0;
    combo.onChange = [&] { ++changes; };
    TestWindow window;
    const HWND c = window.bind.Combo(combo, window.Handle(), {8, 8, 150, 24});
    EXPECT_EQ(SendMessageW(c, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 1);
    combo.SetListIndex(2);
    EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(changes, 1);

    SendMessageW(c, CB_SETCURSEL, 0, 0);
    Command(c, CBN_SELCHANGE);
    EXPECT_EQ(combo.ListIndex(), 0);
    EXPECT_EQ(combo.Text(), "Sunday");
    EXPECT_EQ(changes, 2);

    // New entries replace the old ones.
    combo.entries = {"One"};
    combo.SetListIndex(-1);
    combo.SetListIndex(0);
    EXPECT_EQ(SendMessageW(c, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 0);
}

TEST(Bindings, ProgressAndTextBoxFollowTheirModels) {
    ui::ProgressBar bar;
    ui::TextBox text;
    TestWindow window;
    const HWND p = window.bind.Progress(bar, window.Handle(), {8, 8, 200, 20});
    const HWND t = window.bind.Text(text, window.Handle(), {8, 40, 300, 100});
    bar.SetMax(1000);
    bar.SetValue(250.6);
    EXPECT_EQ(SendMessageW(p, PBM_GETRANGE, FALSE, 0), 1000);
    EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 251);
    bar.SetValue(5000);
    EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 1000);

    text.SetText("line one\nline two");
    EXPECT_EQ(SendMessageW(t, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_NE(GetWindowLongW(t, GWL_STYLE) & ES_READONLY, 0);
    // A text far beyond the edit's default limit is shown whole.
    text.SetText(std::string(100000, 'x'));
    EXPECT_EQ(GetWindowTextLengthW(t), 100000);
}

std::wstring ItemText(HWND list, int row, int column) {
    wchar_t buffer[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

bool ItemChecked(HWND list, int row) {
    return (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) &
            LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

int ItemImage(HWND list, int row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

// The tick a user's click on a row's check box makes.
void Tick(HWND list, int row, bool checked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

TEST(Bindings, ListRowsFollowTheModelOncePendingEventsRun) {
    ui::ListView model;
    model.columns = {"Name", "Location"};
    model.Add("Cookie", 1, {"c:\\cookies\\a.txt"});
    TestWindow window;
    const HWND list = window.bind.List(model, window.Handle(), {8, 8, 400, 200}, true);
    EXPECT_NE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES, 0);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ItemText(list, 0, 0), L"Cookie");
    EXPECT_EQ(ItemText(list, 0, 1), L"c:\\cookies\\a.txt");

    // Rows added one by one show together once the events run; a tick set
    // right after adding shows too.
    model.Add("Run value", 2, {"HKLM\\Software\\Run"});
    model.Add("bad.exe", 3, {"c:\\bad.exe"});
    model.SetCheckedWithoutEvent(2, true);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    Pump();
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(ItemText(list, 2, 1), L"c:\\bad.exe");
    EXPECT_TRUE(ItemChecked(list, 2));
    // An unticked row shows an empty box, not none.
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK),
              static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1)));
    EXPECT_EQ(ItemImage(list, 1), 1);
    EXPECT_EQ(ItemImage(list, 2), 2);

    // A changed row and removed rows.
    model.Item(1).SetSubItems({"HKCU\\Software\\Run"});
    model.Remove(0);
    window.bind.FlushLists();
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(ItemText(list, 0, 1), L"HKCU\\Software\\Run");
    EXPECT_EQ(ItemText(list, 1, 0), L"bad.exe");
    EXPECT_TRUE(ItemChecked(list, 1));
    model.Clear();
    Pump();
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST(Bindings, AUsersTickGoesThroughTheModel) {
    ui::ListView model;
    model.columns = {"Name"};
    model.Add("one");
    model.Add("two");
    std::vector<size_t> checks;
    model.onItemCheck = [&](size_t i) { checks.push_back(i); };
    TestWindow window;
    const HWND list = window.bind.List(model, window.Handle(), {8, 8, 300, 200}, true);

    Tick(list, 1, true);
    EXPECT_TRUE(model.Item(1).checked);
    EXPECT_FALSE(model.Item(0).checked);
    EXPECT_EQ(checks, std::vector<size_t>{1});
    Pump();
    EXPECT_TRUE(ItemChecked(list, 1));
    EXPECT_EQ(checks.size(), 1u);

    // A handler that refuses the tick: the mark follows the model.
    model.onItemCheck = [&](size_t i) {
        checks.push_back(i);
        model.SetCheckedWithoutEvent(i, false);
    };
    Tick(list, 0, true);
    EXPECT_EQ(checks, (std::vector<size_t>{1, 0}));
    EXPECT_FALSE(model.Item(0).checked);
    Pump();
    EXPECT_FALSE(ItemChecked(list, 0));
    EXPECT_EQ(checks.size(), 2u);
}

TEST(Bindings, AListWithoutCheckBoxesIgnoresStateChanges) {
    ui::ListView model;
    model.Add("one");
    int checks = 0;
    model.onItemCheck = [&](size_t) { ++checks; };
    TestWindow window;
    const HWND list = window.bind.List(model, window.Handle(), {8, 8, 300, 200}, false);
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES, 0);
    Tick(list, 0, true);
    EXPECT_EQ(checks, 0);
    EXPECT_FALSE(model.Item(0).checked);
}

TEST(Bindings, AResultListOfNinetyFiveThousandRowsShowsQuickly) {
    ui::ListView model;
    model.columns = {"Name", "Location"};
    TestWindow window;
    const HWND list = window.bind.List(model, window.Handle(), {8, 8, 400, 200}, true);
    for (int i = 0; i < 95000; ++i) {
        model.Add("file" + std::to_string(i), 3, {"c:\\x\\" + std::to_string(i)});
    }
    const auto start = std::chrono::steady_clock::now();
    Pump();
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 95000);
    EXPECT_EQ(ItemText(list, 94999, 1), L"c:\\x\\94999");
    EXPECT_LT(took, std::chrono::seconds(10));
    std::printf("95000 rows shown in %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

SYSTEMTIME Shown(HWND picker, LRESULT& kind) {
    SYSTEMTIME st{};
    kind = SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
}

// The notice a user's change of the picker sends.
void UserSets(HWND picker, const SYSTEMTIME* st) {
    if (st != nullptr) {
        SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(st));
    } else {
        const SYSTEMTIME any{};
        SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&any));
    }
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = picker;
    change.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(picker));
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.dwFlags = st != nullptr ? GDT_VALID : GDT_NONE;
    if (st != nullptr) {
        change.st = *st;
    }
    SendMessageW(GetParent(picker), WM_NOTIFY, change.nmhdr.idFrom,
                 reinterpret_cast<LPARAM>(&change));
}

TEST(Bindings, DatePickerBothWaysWithTheEmptyState) {
    ui::DateTimePicker model;
    model.SetValue(DateTime{2026, 12, 7, 0, 0, 0});
    int changes = 0;
    model.onChange = [&] { ++changes; };
    TestWindow window;
    const HWND picker = window.bind.DatePicker(model, window.Handle(), {8, 8, 150, 24}, false);
    EXPECT_NE(GetWindowLongW(picker, GWL_STYLE) & DTS_SHOWNONE, 0);
    LRESULT kind = 0;
    SYSTEMTIME st = Shown(picker, kind);
    EXPECT_EQ(kind, GDT_VALID);
    EXPECT_EQ(st.wYear, 2026);
    EXPECT_EQ(st.wMonth, 12);
    EXPECT_EQ(st.wDay, 7);
    model.SetNull();
    Shown(picker, kind);
    EXPECT_EQ(kind, GDT_NONE);
    EXPECT_EQ(changes, 1);

    SYSTEMTIME chosen{};
    chosen.wYear = 2027;
    chosen.wMonth = 3;
    chosen.wDay = 14;
    chosen.wHour = 15;  // a date picker keeps midnight of its day
    UserSets(picker, &chosen);
    EXPECT_FALSE(model.IsNull());
    EXPECT_EQ(model.Value(), (DateTime{2027, 3, 14, 0, 0, 0}));
    EXPECT_EQ(changes, 2);
    UserSets(picker, nullptr);
    EXPECT_TRUE(model.IsNull());
    EXPECT_EQ(changes, 3);
}

TEST(Bindings, TimePickerKeepsATimeOfTheZeroDate) {
    ui::DateTimePicker model;
    model.SetValue(DateTime{1899, 12, 30, 13, 5, 9});
    int changes = 0;
    model.onChange = [&] { ++changes; };
    TestWindow window;
    const HWND picker = window.bind.DatePicker(model, window.Handle(), {8, 8, 150, 24}, true);
    EXPECT_NE(GetWindowLongW(picker, GWL_STYLE) & DTS_TIMEFORMAT, 0);
    LRESULT kind = 0;
    const SYSTEMTIME st = Shown(picker, kind);
    EXPECT_EQ(kind, GDT_VALID);
    EXPECT_EQ(st.wHour, 13);
    EXPECT_EQ(st.wMinute, 5);
    EXPECT_EQ(st.wSecond, 9);

    SYSTEMTIME chosen = st;
    chosen.wHour = 22;
    chosen.wMinute = 30;
    chosen.wSecond = 0;
    UserSets(picker, &chosen);
    EXPECT_EQ(model.Value(), (DateTime{1899, 12, 30, 22, 30, 0}));
    EXPECT_EQ(changes, 1);
}

TEST(Bindings, TabsShowThePageOfTheSelectedTab) {
    ui::TabStrip model;
    model.tabs = {"General", "Schedule", "Updates"};
    int changes = 0;
    model.onChange = [&] { ++changes; };
    std::vector<HWND> pages;
    TestWindow window;
    for (int i = 0; i < 3; ++i) {
        pages.push_back(MakePanel(window.Handle(), 10, 40, 300, 200));
    }
    const HWND tabs = window.bind.Tabs(model, window.Handle(), {8, 8, 320, 240}, pages);
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
    const auto shown = [&](int i) {
        return (GetWindowLongW(pages[i], GWL_STYLE) & WS_VISIBLE) != 0;
    };
    EXPECT_TRUE(shown(0));
    EXPECT_FALSE(shown(1));

    model.Select(3);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(shown(2));
    EXPECT_FALSE(shown(0));
    EXPECT_EQ(changes, 1);

    SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
    NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window.Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(model.SelectedIndex(), 2);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(shown(1));
    EXPECT_FALSE(shown(2));

    // A renamed tab shows its new caption.
    model.tabs[0] = "Main";
    model.Select(1);
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, L"Main");
    EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
}

TEST(Bindings, AFrameIsShownWhileItsModelIsAndPassesMessagesUp) {
    ui::Frame frame;
    ui::Button inner("Stop");
    int clicks = 0;
    inner.onClick = [&] { ++clicks; };
    TestWindow window;
    const HWND panel = window.bind.Frame(frame, window.Handle(), {0, 0, 300, 200});
    const HWND button = window.bind.PushButton(inner, panel, {8, 8, 80, 26});
    EXPECT_NE(GetWindowLongW(panel, GWL_STYLE) & WS_VISIBLE, 0);
    frame.SetVisible(false);
    EXPECT_EQ(GetWindowLongW(panel, GWL_STYLE) & WS_VISIBLE, 0);
    frame.SetVisible(true);
    // The button's parent is the panel; its click still reaches the binder.
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

TEST(Bindings, EveryControlGetsTheMessageFontAndRescales) {
    ui::Label label("x");
    TestWindow window;
    const HWND l = window.bind.Label(label, window.Handle(), {10, 20, 100, 30});
    EXPECT_NE(SendMessageW(l, WM_GETFONT, 0, 0), 0);
    window.bind.Rescale(192);
    RECT r;
    GetWindowRect(l, &r);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 60);
    auto font = reinterpret_cast<HFONT>(SendMessageW(l, WM_GETFONT, 0, 0));
    LOGFONTW big{};
    GetObjectW(font, sizeof big, &big);
    window.bind.Rescale(96);
    font = reinterpret_cast<HFONT>(SendMessageW(l, WM_GETFONT, 0, 0));
    LOGFONTW small{};
    GetObjectW(font, sizeof small, &small);
    EXPECT_GT(std::abs(big.lfHeight), std::abs(small.lfHeight));
}

TEST(Bindings, ABinderGoneStopsObserving) {
    ui::Label label("a");
    ui::ListView rows;
    {
        TestWindow window;
        window.bind.Label(label, window.Handle(), {0, 0, 50, 20});
        window.bind.List(rows, window.Handle(), {0, 30, 50, 50}, false);
        rows.Add("pending");
    }
    // Neither the label's observer nor the list's pending refresh outlive it.
    label.SetCaption("b");
    rows.Add("later");
    Pump();
}

}  // namespace
}  // namespace quellon::gui::win32
