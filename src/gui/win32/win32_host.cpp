#include "gui/win32/win32_host.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "gui/win32/text.h"
#include "platform/backend_factory.h"
#include "ui/controls.h"
#include "ui/event_checks.h"

namespace quellon::gui::win32 {

namespace {

constexpr const wchar_t* kTimerWindowClass = kHostWindowClass;

// The most messages one DoEvents slice runs: a window that keeps posting
// to itself cannot hold a scan inside the pump.
constexpr int kMessagesPerSlice = 512;

// A function posted to the host's window: lParam owns it.
constexpr UINT kRunPosted = WM_APP + 0x51;

}  // namespace

struct Win32Host::Impl {
    struct Entry {
        ui::Timer* model = nullptr;
        size_t slot = 0;
        UINT_PTR id = 0;
        bool running = false;
        int interval = 0;
        bool ticking = false;
    };

    Win32Host* host = nullptr;
    HWND timerWindow = nullptr;
    UINT_PTR nextId = 1;
    std::vector<std::unique_ptr<Entry>> timers;
    // Timers removed while they tick: freed once no tick runs.
    std::vector<std::unique_ptr<Entry>> retired;
    int ticking = 0;
    // WM_QUIT came: every loop ends.
    bool quit = false;
    int exitCode = 0;
    std::chrono::steady_clock::time_point nextSlice = std::chrono::steady_clock::time_point::min();

    void Sync(Entry& e) const {
        // An interval of 0 keeps a timer from running, as it does on Windows.
        const bool run = e.model->Enabled() && e.model->Interval() > 0;
        if (!run) {
            if (e.running) {
                ::KillTimer(timerWindow, e.id);
                e.running = false;
            }
            return;
        }
        if (!e.running || e.interval != e.model->Interval()) {
            // SetTimer on a running id starts its interval again.
            e.interval = e.model->Interval();
            e.running = ::SetTimer(timerWindow, e.id, static_cast<UINT>(e.interval), nullptr) != 0;
        }
    }

    void Tick(UINT_PTR id) {
        const auto it =
            std::find_if(timers.begin(), timers.end(), [id](const auto& e) { return e->id == id; });
        if (it == timers.end()) {
            // A message of a timer already removed.
            ::KillTimer(timerWindow, id);
            return;
        }
        Entry* e = it->get();
        // A tick that lets events run does not start its own next tick.
        if (e->ticking) {
            return;
        }
        e->ticking = true;
        ++ticking;
        e->model->Tick();
        --ticking;
        e->ticking = false;
        if (ticking == 0) {
            retired.clear();
        }
    }

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_TIMER) {
            if (auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
                impl->Tick(wParam);
            }
            return 0;
        }
        if (message == WM_CLOSE) {
            // Another program (the uninstaller) asks this one to end: as the
            // user's Exit does, a running scan stops first.
            if (auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
                impl->host->EndProgram();
            }
            return 0;
        }
        if (message == kRunPosted) {
            std::unique_ptr<std::function<void()>> fn(
                reinterpret_cast<std::function<void()>*>(lParam));
            if (fn && *fn && ::GetWindowLongPtrW(hwnd, GWLP_USERDATA) != 0) {
                (*fn)();
            }
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

ui::MsgResult ResultOfButton(int id, int style) {
    switch (id) {
        case IDOK:
            return ui::MsgResult::kOk;
        case IDCANCEL:
            return ui::MsgResult::kCancel;
        case IDYES:
            return ui::MsgResult::kYes;
        case IDNO:
            return ui::MsgResult::kNo;
        default:
            break;
    }
    // No box could be shown: the box's way of saying no, never yes.
    return ui::DeclinedAnswer(style);
}

bool IsOpenableDocument(std::wstring_view path) {
    if (path.empty() || path.find(L'\0') != std::wstring_view::npos) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(std::wstring(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return true;
    }
    // The shell "opens" a program by running it: a document opener never does.
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) {
        return true;
    }
    std::wstring extension(name.substr(dot + 1));
    for (wchar_t& c : extension) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    static constexpr const wchar_t* kPrograms[] = {
        L"exe", L"com", L"bat", L"cmd", L"scr", L"pif",         L"lnk",       L"url", L"vbs",
        L"vbe", L"js",  L"jse", L"wsf", L"wsh", L"msi",         L"msp",       L"cpl", L"hta",
        L"ps1", L"reg", L"jar", L"dll", L"inf", L"application", L"appref-ms", L"msc", L"scf"};
    return std::none_of(std::begin(kPrograms), std::end(kPrograms),
                        [&extension](const wchar_t* program) { return extension == program; });
}

Win32Host::Win32Host() : impl_(std::make_unique<Impl>()) {
    impl_->host = this;
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Impl::Procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kTimerWindowClass;
    // Registered once per process; a second host finds it there.
    ::RegisterClassExW(&wc);
    impl_->timerWindow = ::CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, instance, nullptr);
    if (impl_->timerWindow != nullptr) {
        ::SetWindowLongPtrW(impl_->timerWindow, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(impl_.get()));
    }
}

// Timers still registered belong to forms that outlive the host; their
// models are not touched any more.
Win32Host::~Win32Host() {
    if (impl_->timerWindow != nullptr) {
        ::SetWindowLongPtrW(impl_->timerWindow, GWLP_USERDATA, 0);
        // Functions posted but never run are freed, not run.
        MSG msg{};
        while (::PeekMessageW(&msg, impl_->timerWindow, kRunPosted, kRunPosted, PM_REMOVE)) {
            delete reinterpret_cast<std::function<void()>*>(msg.lParam);
        }
        ::DestroyWindow(impl_->timerWindow);
    }
}

void Win32Host::Post(std::function<void()> fn) {
    auto owned = std::make_unique<std::function<void()>>(std::move(fn));
    if (impl_->timerWindow != nullptr &&
        ::PostMessageW(impl_->timerWindow, kRunPosted, 0, reinterpret_cast<LPARAM>(owned.get()))) {
        owned.release();
    }
}

HWND Win32Host::TimerWindow() const {
    return impl_->timerWindow;
}

ui::MsgResult Win32Host::MsgBox(std::string_view text, int style, std::string_view title) {
    if (answer) {
        return answer(text, style, title);
    }
    // The model's style is the box's own: buttons in the low bits, the icon
    // above them.
    UINT flags = static_cast<UINT>(style & 0x77) | MB_SETFOREGROUND;
    HWND owner = ::GetActiveWindow();
    if (owner == nullptr) {
        // Without an active window of this program (it sits in the tray) the
        // box still keeps the program's windows from being used meanwhile.
        flags |= MB_TASKMODAL;
    }
    const int id = ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), flags);
    return ResultOfButton(id, style);
}

bool Win32Host::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        impl_->quit = true;
        impl_->exitCode = static_cast<int>(msg.wParam);
        ended_ = true;
        return false;
    }
    // Tab, the arrows, Enter and Escape move within the window the message
    // is for (Enter and Escape arrive there as IDOK and IDCANCEL).
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && msg.hwnd != nullptr) {
        HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
        if (root != nullptr && ::IsDialogMessageW(root, &msg)) {
            return true;
        }
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

bool Win32Host::PumpOne() {
    if (impl_->quit) {
        return false;
    }
    MSG msg{};
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    return Dispatch(msg);
}

void Win32Host::RunUntil(const std::function<bool()>& done) {
    while (!done() && !ended_ && !impl_->quit) {
        if (!PumpOne() && !impl_->quit) {
            // Waits for the next message; a condition that changes without
            // one is looked at again after a while.
            ::MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
}

int Win32Host::Run() {
    while (!impl_->quit) {
        MSG msg{};
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            impl_->quit = true;
            impl_->exitCode = static_cast<int>(msg.wParam);
            ended_ = true;
            break;
        }
        Dispatch(msg);
    }
    return impl_->exitCode;
}

void Win32Host::SetEventSlice(std::chrono::milliseconds slice) {
    slice_ = slice;
    impl_->nextSlice = std::chrono::steady_clock::time_point::min();
}

void Win32Host::DoEvents() {
    // Called after every scanned item: almost always it only counts.
    if (ui::CountEventCheck(calls_)) {
        RunEventsIfDue();
    }
}

std::size_t Win32Host::DoEventsAfter(std::size_t count, const bool& stop) {
    return ui::CountEventChecks(calls_, count, stop, [this] { RunEventsIfDue(); });
}

void Win32Host::RunEventsIfDue() {
    if (impl_->quit) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    if (now < impl_->nextSlice) {
        return;
    }
    ++slices_;
    for (int i = 0; i < kMessagesPerSlice && PumpOne(); ++i) {
    }
    if (impl_->quit) {
        // The loops outside this one end too: they see the request again.
        ::PostQuitMessage(impl_->exitCode);
    }
    const Clock::time_point done = Clock::now();
    impl_->nextSlice = done + ui::NextEventSlice(slice_, done - now);
}

DateTime Win32Host::Now() {
    return LocalNow();
}

void Win32Host::SetClipboardText(std::string_view text) {
    const std::wstring wide = Wide(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return;
    }
    if (void* data = ::GlobalLock(memory)) {
        std::memcpy(data, wide.c_str(), bytes);
        ::GlobalUnlock(memory);
    }
    if (!::OpenClipboard(impl_->timerWindow)) {
        ::GlobalFree(memory);
        return;
    }
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        ::GlobalFree(memory);
    }
    ::CloseClipboard();
}

bool Win32Host::StartProgram(std::string_view commandLine, bool) {
    return platform::StartDetached(commandLine);
}

bool Win32Host::OpenDocument(std::string_view path) {
    const std::wstring wide = Wide(path);
    if (!IsOpenableDocument(wide)) {
        return false;
    }
    if (openDocument) {
        return openDocument(wide);
    }
    const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
        ::GetActiveWindow(), L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

void Win32Host::EndProgram() {
    ended_ = true;
    if (beforeEnd) {
        beforeEnd();
    }
    ::PostQuitMessage(0);
}

void Win32Host::AddTimer(ui::Timer& timer) {
    if (impl_->ticking == 0) {
        impl_->retired.clear();
    }
    auto entry = std::make_unique<Impl::Entry>();
    Impl::Entry* raw = entry.get();
    raw->model = &timer;
    raw->id = impl_->nextId++;
    Impl* impl = impl_.get();
    raw->slot = timer.Observe([impl, raw] { impl->Sync(*raw); });
    impl_->Sync(*raw);
    impl_->timers.push_back(std::move(entry));
}

void Win32Host::RemoveTimer(ui::Timer& timer) {
    auto& timers = impl_->timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if ((*it)->model != &timer) {
            continue;
        }
        timer.Unobserve((*it)->slot);
        if ((*it)->running) {
            ::KillTimer(impl_->timerWindow, (*it)->id);
            (*it)->running = false;
        }
        // A timer removed from its own tick is freed once the tick is over.
        if ((*it)->ticking) {
            impl_->retired.push_back(std::move(*it));
        }
        timers.erase(it);
        return;
    }
}

bool Win32Host::TimerRunning(const ui::Timer& timer, int* interval) const {
    for (const auto& e : impl_->timers) {
        if (e->model == &timer) {
            if (interval != nullptr) {
                *interval = e->interval;
            }
            return e->running;
        }
    }
    return false;
}

}  // namespace quellon::gui::win32
