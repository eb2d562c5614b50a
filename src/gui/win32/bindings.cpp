#include "gui/win32/bindings.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "gui/win32/icons.h"
#include "gui/win32/text.h"
#include "gui/win32/window_class.h"

namespace quellon::gui::win32 {
namespace {

constexpr wchar_t kPumpClass[] = L"QuellonBinderPump";
constexpr UINT kSyncLists = WM_APP + 0x51;
constexpr wchar_t kLinkProp[] = L"QuellonLink";
constexpr int kFirstId = 1000;

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

UINT DpiOf(HWND hwnd) {
    const UINT dpi = hwnd != nullptr ? GetDpiForWindow(hwnd) : 0;
    return dpi != 0 ? dpi : 96;
}

int Scaled(int v, UINT dpi) {
    return MulDiv(v, static_cast<int>(dpi), 96);
}

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

void SetTextIfChanged(HWND hwnd, const std::wstring& text) {
    if (WindowText(hwnd) != text) {
        SetWindowTextW(hwnd, text.c_str());
    }
}

// The desktop's message font at `dpi`, bold, larger or fixed-pitch when
// asked.
HFONT MakeMessageFont(UINT dpi, const Binder::FontStyle& style = {}) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfMessageFont;
        // The metrics are in the system's DPI.
        UINT system = GetDpiForSystem();
        if (system == 0) {
            system = 96;
        }
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system));
    } else {
        font.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);
        lstrcpynW(font.lfFaceName, L"Segoe UI", LF_FACESIZE);
    }
    font.lfHeight = MulDiv(font.lfHeight, style.percent, 100);
    if (style.bold) {
        font.lfWeight = FW_BOLD;
    }
    if (style.fixed) {
        font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        lstrcpynW(font.lfFaceName, L"Courier New", LF_FACESIZE);
    }
    return CreateFontIndirectW(&font);
}

SYSTEMTIME ToSystemTime(const DateTime& v) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(v.year);
    st.wMonth = static_cast<WORD>(v.month);
    st.wDay = static_cast<WORD>(v.day);
    st.wHour = static_cast<WORD>(v.hour);
    st.wMinute = static_cast<WORD>(v.minute);
    st.wSecond = static_cast<WORD>(v.second);
    // The day of the week is worked out by the control from the date.
    st.wDayOfWeek = static_cast<WORD>(DayOfWeek(v));
    return st;
}

// The picker shows midnight of the day for a date and a time of the zero
// date for a time, as the general date text writes them.
DateTime FromSystemTime(const SYSTEMTIME& st, bool time) {
    DateTime v = kZeroDate;
    if (time) {
        v.hour = st.wHour;
        v.minute = st.wMinute;
        v.second = st.wSecond;
    } else {
        v.year = st.wYear;
        v.month = st.wMonth;
        v.day = st.wDay;
    }
    return v;
}

// Paints a link label in the link colour and shows the hand over it.
LRESULT CALLBACK LinkProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR) {
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            HWND parent = GetParent(hwnd);
            auto brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, WM_CTLCOLORSTATIC,
                                                               reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(hwnd)));
            FillRect(dc, &r, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
            auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
            HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc,
                         IsWindowEnabled(hwnd) ? RGB(0, 0x66, 0xcc) : GetSysColor(COLOR_GRAYTEXT));
            const std::wstring text = WindowText(hwnd);
            const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
            UINT format = DT_NOPREFIX | DT_WORDBREAK;
            if ((style & SS_TYPEMASK) == SS_CENTER) {
                format |= DT_CENTER;
            } else if ((style & SS_TYPEMASK) == SS_RIGHT) {
                format |= DT_RIGHT;
            }
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
            if (old != nullptr) {
                SelectObject(dc, old);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, LinkProcedure, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

// A list view mirrored from its model. The control holds no texts: it asks
// for them (LVN_GETDISPINFO) when it paints a row, so a long result list
// costs it little. Rows are compared with the copy last shown, so only what
// changed is touched; refreshes are coalesced until pending events run,
// because a scan adds rows one by one (and code may tick a row right after
// adding it).
struct ListBinding {
    ui::ListView* model = nullptr;
    HWND hwnd = nullptr;
    bool checkable = false;
    bool pending = false;
    std::vector<ui::ListItem> shown;
};

struct Binder::Impl {
    std::vector<std::pair<ui::Observable*, size_t>> slots;
    struct Placed {
        HWND hwnd;
        Box box;
        bool dropDown;
    };
    std::vector<Placed> placed;
    std::map<HWND, std::function<void(WORD)>> commands;
    std::map<UINT, std::function<void()>> menuCommands;
    std::map<HWND, std::function<bool(NMHDR*, LRESULT&)>> notifies;
    std::vector<std::unique_ptr<ListBinding>> lists;
    std::vector<HIMAGELIST> imageLists;
    std::map<HWND, FontStyle> styled;
    std::vector<HFONT> styledFonts;
    // The styled fonts at the current DPI, by style.
    std::map<int, HFONT> fontCache;
    HWND pump = nullptr;
    HFONT font = nullptr;
    UINT dpi = 0;
    int nextId = kFirstId;
    // Above zero while the binder itself changes a control: what the
    // control reports then is no user's action.
    int quiet = 0;

    ~Impl() {
        if (pump != nullptr) {
            DestroyWindow(pump);
        }
        if (font != nullptr) {
            DeleteObject(font);
        }
        for (HFONT f : styledFonts) {
            DeleteObject(f);
        }
        for (HIMAGELIST list : imageLists) {
            ImageList_Destroy(list);
        }
    }

    struct Quiet {
        explicit Quiet(Impl& impl) : impl_(impl) { ++impl_.quiet; }
        ~Quiet() { --impl_.quiet; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;
        Impl& impl_;
    };

    HFONT Font(HWND parent) {
        if (font == nullptr) {
            dpi = DpiOf(parent);
            font = MakeMessageFont(dpi);
        }
        return font;
    }

    HWND Make(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, Box box,
              bool dropDown = false) {
        const UINT at = DpiOf(parent);
        int height = box.height;
        if (dropDown) {
            // A drop-down list's window includes its list.
            height = std::max(box.height, 200);
        }
        const HWND hwnd = CreateWindowExW(
            exStyle, className, L"", style | WS_CHILD | WS_VISIBLE, Scaled(box.x, at),
            Scaled(box.y, at), Scaled(box.width, at), Scaled(height, at), parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), Instance(), nullptr);
        if (hwnd != nullptr) {
            SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font(parent)), FALSE);
            placed.push_back({hwnd, box, dropDown});
        }
        return hwnd;
    }

    static LRESULT CALLBACK PumpProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kSyncLists) {
            auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (impl != nullptr) {
                impl->SyncPending();
            }
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void Schedule(ListBinding& list) {
        if (list.pending) {
            return;
        }
        list.pending = true;
        if (pump == nullptr) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            if (!GetClassInfoExW(Instance(), kPumpClass, &wc)) {
                wc = WNDCLASSEXW{};
                wc.cbSize = sizeof wc;
                wc.lpfnWndProc = PumpProcedure;
                wc.hInstance = Instance();
                wc.lpszClassName = kPumpClass;
                RegisterClassExW(&wc);
            }
            pump = CreateWindowExW(0, kPumpClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   Instance(), nullptr);
            SetWindowLongPtrW(pump, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
        if (pump == nullptr || !PostMessageW(pump, kSyncLists, 0, 0)) {
            Sync(list);
        }
    }

    void SyncPending() {
        for (auto& list : lists) {
            if (list->pending) {
                Sync(*list);
            }
        }
    }

    void Sync(ListBinding& list) {
        list.pending = false;
        const Quiet quietly(*this);
        const auto& rows = list.model->Items();
        const HWND hwnd = list.hwnd;
        const bool many = rows.size() > list.shown.size() + 64;
        if (many) {
            SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
        }
        // Rows that differ from those shown: repainted; the check mark is
        // state the control keeps, so it is set.
        for (size_t i = 0; i < rows.size() && i < list.shown.size(); ++i) {
            const ui::ListItem& row = rows[i];
            ui::ListItem& was = list.shown[i];
            if (was.text == row.text && was.SameSubItems(row) && was.smallIcon == row.smallIcon &&
                was.checked == row.checked) {
                continue;
            }
            if (list.checkable && was.checked != row.checked) {
                SetCheck(hwnd, i, row.checked);
            }
            was = row;
            SendMessageW(hwnd, LVM_REDRAWITEMS, i, i);
        }
        if (list.shown.size() > rows.size()) {
            for (size_t i = list.shown.size(); i-- > rows.size();) {
                SendMessageW(hwnd, LVM_DELETEITEM, i, 0);
            }
            list.shown.resize(rows.size());
        }
        if (list.shown.size() < rows.size()) {
            const size_t from = list.shown.size();
            list.shown.reserve(rows.size());
            SendMessageW(hwnd, LVM_SETITEMCOUNT, rows.size(), LVSICF_NOINVALIDATEALL);
            for (size_t i = from; i < rows.size(); ++i) {
                LVITEMW item{};
                item.mask = LVIF_TEXT | LVIF_IMAGE;
                item.iItem = static_cast<int>(i);
                item.pszText = LPSTR_TEXTCALLBACKW;
                item.iImage = I_IMAGECALLBACK;
                SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
                // The control gives a new row an empty check box.
                if (list.checkable && rows[i].checked) {
                    SetCheck(hwnd, i, true);
                }
                list.shown.push_back(rows[i]);
            }
        }
        if (many) {
            SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
    }

    static void SetCheck(HWND hwnd, size_t index, bool checked) {
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        SendMessageW(hwnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    }

    bool ListNotify(ListBinding& list, NMHDR* header) {
        if (header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
            LVITEMW& item = info->item;
            if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= list.shown.size()) {
                return true;
            }
            const ui::ListItem& row = list.shown[static_cast<size_t>(item.iItem)];
            if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
                const std::string_view text =
                    item.iSubItem == 0 ? std::string_view(row.text)
                                       : row.SubItemView(static_cast<size_t>(item.iSubItem));
                const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
                const std::wstring wide = Wide(text.substr(0, n));
                std::copy(wide.begin(), wide.end(), item.pszText);
                item.pszText[n] = L'\0';
            }
            if ((item.mask & LVIF_IMAGE) != 0) {
                item.iImage = item.iSubItem == 0 ? KindImage(row.smallIcon) : I_IMAGENONE;
            }
            return true;
        }
        if (header->code == LVN_ITEMCHANGED && list.checkable && quiet == 0) {
            const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            if ((change->uChanged & LVIF_STATE) == 0 ||
                ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) == 0 ||
                change->iItem < 0) {
                return false;
            }
            const auto index = static_cast<size_t>(change->iItem);
            const bool checked =
                (change->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
            // The row must still be the one shown (the model may have moved on).
            if (index < list.model->Count() && index < list.shown.size() &&
                list.model->Item(index).text == list.shown[index].text) {
                list.shown[index].checked = checked;
                if (list.model->Item(index).checked != checked) {
                    list.model->SetChecked(index, checked);
                }
            }
            // The model has the last word on the mark.
            Schedule(list);
            return true;
        }
        return false;
    }
};

Binder::Binder() : impl_(std::make_unique<Impl>()) {}

Binder::~Binder() {
    for (auto& [model, slot] : impl_->slots) {
        model->Unobserve(slot);
    }
}

void Binder::Watch(ui::Observable& model, std::function<void()> fn) {
    fn();
    impl_->slots.emplace_back(&model, model.Observe(std::move(fn)));
}

void Binder::Control(ui::Control& model, HWND control) {
    Impl* impl = impl_.get();
    Watch(model, [impl, &model, control] {
        const Impl::Quiet quietly(*impl);
        if (((GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0) != model.Visible()) {
            ShowWindow(control, model.Visible() ? SW_SHOWNA : SW_HIDE);
        }
        if ((IsWindowEnabled(control) != FALSE) != model.Enabled()) {
            EnableWindow(control, model.Enabled() ? TRUE : FALSE);
        }
    });
}

HWND Binder::Label(ui::Label& model, HWND parent, Box box, DWORD style) {
    const HWND label = impl_->Make(L"STATIC", SS_NOPREFIX | style, 0, parent, box);
    Control(model, label);
    Watch(model, [&model, label] { SetTextIfChanged(label, Wide(model.Caption())); });
    return label;
}

HWND Binder::Caption(const std::string& text, HWND parent, Box box, DWORD style) {
    const HWND label = impl_->Make(L"STATIC", SS_NOPREFIX | style, 0, parent, box);
    SetWindowTextW(label, Wide(text).c_str());
    return label;
}

HWND Binder::PushButton(ui::Label& model, HWND parent, Box box) {
    const HWND button = impl_->Make(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, parent, box);
    Control(model, button);
    Watch(model, [&model, button] { SetTextIfChanged(button, WideCaption(model.Caption())); });
    Impl* impl = impl_.get();
    impl_->commands[button] = [impl, &model](WORD code) {
        if (code == BN_CLICKED && impl->quiet == 0) {
            model.Click();
        }
    };
    return button;
}

HWND Binder::LinkButton(ui::Label& model, HWND parent, Box box) {
    const HWND link = impl_->Make(L"STATIC", SS_NOPREFIX | SS_NOTIFY, 0, parent, box);
    SetWindowSubclass(link, LinkProcedure, 1, 0);
    SetPropW(link, kLinkProp, reinterpret_cast<HANDLE>(1));
    Control(model, link);
    Watch(model, [&model, link] {
        const std::wstring text = Wide(model.Caption());
        if (WindowText(link) != text) {
            SetWindowTextW(link, text.c_str());
            InvalidateRect(link, nullptr, TRUE);
        }
    });
    Impl* impl = impl_.get();
    impl_->commands[link] = [impl, &model](WORD code) {
        if (code == STN_CLICKED && impl->quiet == 0) {
            model.Click();
        }
    };
    return link;
}

void Binder::MenuItem(ui::Label& model, HMENU menu, UINT id) {
    Watch(model, [&model, menu, id] {
        std::wstring text = WideCaption(model.Caption());
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text.data();
        info.fState = model.Enabled() && model.Visible() ? MFS_ENABLED : MFS_GRAYED;
        // Keep the check mark another part may have set.
        MENUITEMINFOW was{};
        was.cbSize = sizeof was;
        was.fMask = MIIM_STATE;
        if (GetMenuItemInfoW(menu, id, FALSE, &was)) {
            info.fState |= was.fState & MFS_CHECKED;
        }
        SetMenuItemInfoW(menu, id, FALSE, &info);
    });
    Impl* impl = impl_.get();
    impl_->menuCommands[id] = [impl, &model] {
        if (impl->quiet == 0 && model.Enabled() && model.Visible()) {
            model.Click();
        }
    };
}

HWND Binder::CheckBox(ui::CheckBox& model, HWND parent, Box box) {
    const HWND check = impl_->Make(L"BUTTON", BS_CHECKBOX | WS_TABSTOP, 0, parent, box);
    Control(model, check);
    Impl* impl = impl_.get();
    const auto show = [impl, &model, check] {
        const Impl::Quiet quietly(*impl);
        SetTextIfChanged(check, WideCaption(model.Caption()));
        SendMessageW(check, BM_SETCHECK, model.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    Watch(model, show);
    impl_->commands[check] = [impl, &model, show](WORD code) {
        if (code == BN_CLICKED && impl->quiet == 0) {
            model.SetChecked(!model.Checked());
            // The model decides what is shown.
            show();
        }
    };
    return check;
}

HWND Binder::Option(ui::OptionButton& model, HWND parent, Box box) {
    // Not an automatic radio button: the model keeps its group exclusive.
    const HWND option = impl_->Make(L"BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0, parent, box);
    Control(model, option);
    Impl* impl = impl_.get();
    const auto show = [impl, &model, option] {
        const Impl::Quiet quietly(*impl);
        SetTextIfChanged(option, WideCaption(model.Caption()));
        SendMessageW(option, BM_SETCHECK, model.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    Watch(model, show);
    impl_->commands[option] = [impl, &model, show](WORD code) {
        if (code == BN_CLICKED && impl->quiet == 0) {
            model.SetValue(true);
            show();
        }
    };
    return option;
}

HWND Binder::Progress(ui::ProgressBar& model, HWND parent, Box box) {
    const HWND bar = impl_->Make(PROGRESS_CLASSW, 0, 0, parent, box);
    Control(model, bar);
    Watch(model, [&model, bar] {
        const auto low = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
        const auto high = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        if (low != model.Min() || high != model.Max()) {
            SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(model.Min()),
                         static_cast<LPARAM>(model.Max()));
        }
        const auto pos = static_cast<int>(std::lround(model.Value()));
        if (static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)) != pos) {
            SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
        }
    });
    return bar;
}

HWND Binder::Text(ui::TextBox& model, HWND parent, Box box) {
    const HWND edit = impl_->Make(L"EDIT",
                                  ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                                      WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                                  WS_EX_CLIENTEDGE, parent, box);
    // A report can be long; the edit's default limit is far smaller.
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    Control(model, edit);
    Impl* impl = impl_.get();
    Watch(model, [impl, &model, edit] {
        const Impl::Quiet quietly(*impl);
        SetTextIfChanged(edit, WideLines(model.Text()));
    });
    return edit;
}

HWND Binder::List(ui::ListView& model, HWND parent, Box box, bool checkable) {
    DWORD style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
    if (model.columns.empty()) {
        style |= LVS_NOCOLUMNHEADER;
    }
    const HWND hwnd = impl_->Make(WC_LISTVIEWW, style, WS_EX_CLIENTEDGE, parent, box);
    DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    if (checkable) {
        extended |= LVS_EX_CHECKBOXES;
    }
    SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    const UINT at = DpiOf(parent);
    HIMAGELIST icons = MakeKindImageList(Scaled(16, at));
    if (icons != nullptr) {
        impl_->imageLists.push_back(icons);
        SendMessageW(hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(icons));
    }
    const std::vector<std::string> headings =
        model.columns.empty() ? std::vector<std::string>{std::string()} : model.columns;
    const int width = Scaled(box.width, at) - GetSystemMetrics(SM_CXVSCROLL) - 4;
    for (size_t c = 0; c < headings.size(); ++c) {
        std::wstring text = Wide(headings[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = text.data();
        column.iSubItem = static_cast<int>(c);
        // The first column takes what the others leave.
        const int each = width / static_cast<int>(headings.size() + 1);
        column.cx = c == 0 ? width - each * static_cast<int>(headings.size() - 1) : each;
        SendMessageW(hwnd, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    Control(model, hwnd);
    auto binding = std::make_unique<ListBinding>();
    binding->model = &model;
    binding->hwnd = hwnd;
    binding->checkable = checkable;
    ListBinding* list = binding.get();
    impl_->lists.push_back(std::move(binding));
    Impl* impl = impl_.get();
    impl_->Sync(*list);
    Watch(model, [impl, list] { impl->Schedule(*list); });
    impl_->notifies[hwnd] = [impl, list](NMHDR* header, LRESULT&) {
        return impl->ListNotify(*list, header);
    };
    return hwnd;
}

HWND Binder::Combo(ui::ComboBox& model, HWND parent, Box box) {
    const HWND combo =
        impl_->Make(WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, parent, box, true);
    Control(model, combo);
    Impl* impl = impl_.get();
    auto entries = std::make_shared<std::vector<std::string>>();
    const auto show = [impl, &model, combo, entries] {
        const Impl::Quiet quietly(*impl);
        if (*entries != model.entries) {
            SendMessageW(combo, CB_RESETCONTENT, 0, 0);
            for (const auto& entry : model.entries) {
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry).c_str()));
            }
            *entries = model.entries;
        }
        if (static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) != model.ListIndex()) {
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(model.ListIndex()), 0);
        }
    };
    Watch(model, show);
    impl_->commands[combo] = [impl, &model, combo, show](WORD code) {
        if (code == CBN_SELCHANGE && impl->quiet == 0) {
            model.SetListIndex(static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
            show();
        }
    };
    return combo;
}

HWND Binder::DatePicker(ui::DateTimePicker& model, HWND parent, Box box, bool time) {
    const DWORD style = DTS_SHOWNONE | WS_TABSTOP | (time ? DTS_TIMEFORMAT : DTS_SHORTDATEFORMAT);
    const HWND picker = impl_->Make(DATETIMEPICK_CLASSW, style, 0, parent, box);
    SendMessageW(picker, DTM_SETFORMATW, 0,
                 reinterpret_cast<LPARAM>(time ? L"h:mm:ss tt" : L"M/d/yyyy"));
    Control(model, picker);
    Impl* impl = impl_.get();
    const auto show = [impl, &model, picker, time] {
        const Impl::Quiet quietly(*impl);
        DateTime v = model.Value();
        if (!time && model.IsNull() && v == kZeroDate) {
            // A picker that never held a date starts on today.
            const DateTime now = LocalNow();
            v = kZeroDate;
            v.year = now.year;
            v.month = now.month;
            v.day = now.day;
        }
        if (time) {
            // A time shows on a date the control accepts.
            v.year = 2000;
            v.month = 1;
            v.day = 1;
        }
        SYSTEMTIME st = ToSystemTime(v);
        SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
        if (model.IsNull()) {
            // Some versions of the control refuse GDT_NONE without a time.
            SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&st));
        }
    };
    Watch(model, show);
    impl_->notifies[picker] = [impl, &model, time, show](NMHDR* header, LRESULT& result) {
        if (header->code != DTN_DATETIMECHANGE) {
            return false;
        }
        result = 0;
        if (impl->quiet != 0) {
            return true;
        }
        const auto* change = reinterpret_cast<NMDATETIMECHANGE*>(header);
        if (change->dwFlags == GDT_NONE) {
            model.SetNull();
        } else {
            model.SetValue(FromSystemTime(change->st, time));
        }
        show();
        return true;
    };
    return picker;
}

HWND Binder::Tabs(ui::TabStrip& model, HWND parent, Box box, std::vector<HWND> pages) {
    const HWND tabs = impl_->Make(WC_TABCONTROLW, WS_CLIPSIBLINGS | WS_TABSTOP, 0, parent, box);
    Control(model, tabs);
    Impl* impl = impl_.get();
    auto captions = std::make_shared<std::vector<std::string>>();
    const auto show = [impl, &model, tabs, pages, captions] {
        const Impl::Quiet quietly(*impl);
        // The tabs' captions as the model has them now.
        if (*captions != model.tabs) {
            for (size_t i = 0; i < model.tabs.size(); ++i) {
                std::wstring text = WideCaption(model.tabs[i]);
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = text.data();
                SendMessageW(tabs, i < captions->size() ? TCM_SETITEMW : TCM_INSERTITEMW, i,
                             reinterpret_cast<LPARAM>(&item));
            }
            for (size_t i = captions->size(); i-- > model.tabs.size();) {
                SendMessageW(tabs, TCM_DELETEITEM, i, 0);
            }
            *captions = model.tabs;
        }
        const int selected = model.SelectedIndex() - 1;
        if (static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) != selected) {
            SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(selected), 0);
        }
        for (size_t i = 0; i < pages.size(); ++i) {
            const bool on = static_cast<int>(i) == selected && model.Visible();
            // The page's own flag: IsWindowVisible is false for every page
            // while the window is hidden.
            const bool shown = (GetWindowLongW(pages[i], GWL_STYLE) & WS_VISIBLE) != 0;
            if (pages[i] != nullptr && shown != on) {
                ShowWindow(pages[i], on ? SW_SHOWNA : SW_HIDE);
            }
        }
    };
    Watch(model, show);
    impl_->notifies[tabs] = [impl, &model, tabs, show](NMHDR* header, LRESULT& result) {
        if (header->code == TCN_SELCHANGING) {
            result = FALSE;
            return true;
        }
        if (header->code != TCN_SELCHANGE) {
            return false;
        }
        if (impl->quiet == 0) {
            model.Select(static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) + 1);
            show();
        }
        return true;
    };
    return tabs;
}

HWND Binder::Frame(ui::Frame& model, HWND parent, Box box) {
    const HWND panel = MakePanel(parent, box.x, box.y, box.width, box.height);
    if (panel != nullptr) {
        impl_->placed.push_back({panel, box, false});
        Control(model, panel);
    }
    return panel;
}

HWND Binder::Icon(HICON icon, HWND parent, Box box) {
    const HWND picture = impl_->Make(L"STATIC", SS_ICON | SS_CENTERIMAGE, 0, parent, box);
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // SS_ICON sizes the control to the icon; the place given wins.
    const UINT at = DpiOf(parent);
    SetWindowPos(picture, nullptr, 0, 0, Scaled(box.width, at), Scaled(box.height, at),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return picture;
}

void Binder::Emphasis(HWND control, FontStyle style) {
    impl_->styled[control] = style;
    const int key = (style.bold ? 1 : 0) | (style.fixed ? 2 : 0) | (style.percent << 2);
    HFONT& font = impl_->fontCache[key];
    if (font == nullptr) {
        font = MakeMessageFont(DpiOf(GetParent(control)), style);
        impl_->styledFonts.push_back(font);
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Binder::FlushLists() {
    for (auto& list : impl_->lists) {
        impl_->Sync(*list);
    }
}

void Binder::Rescale(UINT dpi) {
    if (dpi == 0) {
        dpi = 96;
    }
    HFONT old = impl_->font;
    impl_->font = MakeMessageFont(dpi);
    impl_->dpi = dpi;
    for (const auto& item : impl_->placed) {
        const Box& b = item.box;
        const int height = item.dropDown ? std::max(b.height, 200) : b.height;
        SetWindowPos(item.hwnd, nullptr, Scaled(b.x, dpi), Scaled(b.y, dpi), Scaled(b.width, dpi),
                     Scaled(height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        wchar_t className[16] = {};
        GetClassNameW(item.hwnd, className, 16);
        if (lstrcmpW(className, L"QuellonPanel") != 0) {
            SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(impl_->font), TRUE);
        }
    }
    std::vector<HFONT> oldStyled;
    oldStyled.swap(impl_->styledFonts);
    impl_->fontCache.clear();
    for (const auto& [control, style] : impl_->styled) {
        const int key = (style.bold ? 1 : 0) | (style.fixed ? 2 : 0) | (style.percent << 2);
        HFONT& font = impl_->fontCache[key];
        if (font == nullptr) {
            font = MakeMessageFont(dpi, style);
            impl_->styledFonts.push_back(font);
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    for (HFONT f : oldStyled) {
        DeleteObject(f);
    }
    for (auto& list : impl_->lists) {
        HIMAGELIST icons = MakeKindImageList(Scaled(16, dpi));
        if (icons != nullptr) {
            impl_->imageLists.push_back(icons);
            SendMessageW(list->hwnd, LVM_SETIMAGELIST, LVSIL_SMALL,
                         reinterpret_cast<LPARAM>(icons));
        }
    }
    if (old != nullptr) {
        DeleteObject(old);
    }
}

bool Binder::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        // A menu (0) or an accelerator (1).
        if (HIWORD(wParam) > 1) {
            return false;
        }
        const auto found = impl_->menuCommands.find(LOWORD(wParam));
        if (found == impl_->menuCommands.end()) {
            return false;
        }
        const auto fn = found->second;
        fn();
        return true;
    }
    const auto found = impl_->commands.find(reinterpret_cast<HWND>(lParam));
    if (found == impl_->commands.end()) {
        return false;
    }
    // A copy: the handler may bind or unbind controls.
    const auto fn = found->second;
    fn(HIWORD(wParam));
    return true;
}

bool Binder::OnNotify(LPARAM lParam, LRESULT& result) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header == nullptr) {
        return false;
    }
    const auto found = impl_->notifies.find(header->hwndFrom);
    if (found == impl_->notifies.end()) {
        return false;
    }
    const auto fn = found->second;
    return fn(header, result);
}

}  // namespace quellon::gui::win32
