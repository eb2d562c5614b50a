// quellon-pro.exe: the window program on Windows. Its arguments come wide
// from the command line itself, whatever WinMain is handed.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/start_up.h"
#include "gui/win32/main_window.h"
#include "gui/win32/program.h"
#include "gui/win32/text.h"
#include "gui/win32/win32_host.h"

namespace {

constexpr wchar_t kTitle[] = L"Quellon Pro";

// Sharp text on every monitor: per-monitor awareness (version 2) where
// Windows has it, the whole system's scale elsewhere. The manifest asks for
// the same; this covers a copy started without it.
void UseMonitorDpi() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (HMODULE user = ::GetModuleHandleW(L"user32.dll")) {
        if (auto set = reinterpret_cast<SetContext>(
                reinterpret_cast<void*>(::GetProcAddress(user, "SetProcessDpiAwarenessContext")))) {
            if (set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
                ::GetLastError() == ERROR_ACCESS_DENIED) {
                // Set now, or already set by the manifest.
                return;
            }
        }
    }
    ::SetProcessDPIAware();
}

int Fail(const std::wstring& text, UINT icon = MB_ICONERROR) {
    ::MessageBoxW(nullptr, text.c_str(), kTitle, MB_OK | icon);
    return 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace quellon;
    using gui::win32::Wide;
    UseMonitorDpi();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                     ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES;
    ::InitCommonControlsEx(&controls);

    const std::string usage = app::WindowUsage("quellon-pro", "");
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> wide;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        wide.emplace_back(argv[i]);
    }
    if (argv != nullptr) {
        ::LocalFree(argv);
    }
    std::wstring bad;
    const auto args = gui::win32::AnsiArguments(wide, &bad);
    if (!args) {
        return Fail(L"The argument \"" + bad +
                    L"\" holds characters this system's code page cannot show; it would name "
                    L"another file.\n\n" +
                    Wide(usage));
    }
    const app::WindowCommandLine line =
        app::ParseWindowCommandLine(*args, app::FoldersFromEnvironment());
    if (line.help) {
        ::MessageBoxW(nullptr, Wide(usage).c_str(), kTitle, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (!line.error.empty()) {
        return Fail(Wide(line.error) + L"\n\n" + Wide(usage));
    }
    if (!line.rest.empty()) {
        return Fail(L"unknown argument " + Wide(line.rest.front()) + L"\n\n" + Wide(usage));
    }
    if (const auto problem = app::FolderProblem(line.folders, "quellon-pro.exe")) {
        return Fail(Wide(*problem));
    }

    gui::win32::ProgramOptions options;
    options.home = line.folders.home;
    options.machine = line.folders.machine;
    options.config = line.folders.config;
    gui::win32::Program program(options);
    if (line.actions.Any()) {
        program.onLoaded = [&program, &line] {
            // Once the window's own start-up messages have run.
            program.Host().Post(
                [&program, &line] { app::RunStartUpActions(program.Form(), line.actions); });
        };
    }
    program.Start();
    return program.Host().Run();
}
