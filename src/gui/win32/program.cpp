#include "gui/win32/program.h"

#include <windows.h>

#include <algorithm>

#include "app/application.h"
#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/start_up.h"
#include "gui/win32/main_window.h"
#include "gui/win32/splash_window.h"
#include "gui/win32/text.h"
#include "gui/win32/win32_front_end.h"
#include "gui/win32/win32_host.h"

namespace quellon::gui::win32 {

namespace fs = std::filesystem;

fs::path ThisExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return fs::path(path);
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

std::optional<std::vector<std::string>> AnsiArguments(const std::vector<std::wstring>& args,
                                                      std::wstring* bad) {
    std::vector<std::string> out;
    for (const std::wstring& arg : args) {
        std::string ansi;
        if (!arg.empty()) {
            BOOL lost = FALSE;
            const int size =
                ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, arg.data(),
                                      static_cast<int>(arg.size()), nullptr, 0, nullptr, &lost);
            ansi.resize(static_cast<size_t>(std::max(size, 0)));
            if (size > 0) {
                ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, arg.data(),
                                      static_cast<int>(arg.size()), ansi.data(), size, nullptr,
                                      &lost);
            }
            if (size <= 0 || lost) {
                if (bad != nullptr) {
                    *bad = arg;
                }
                return std::nullopt;
            }
        }
        out.push_back(std::move(ansi));
    }
    return out;
}

Program::Program(const ProgramOptions& options) {
    app::StartUpOptions startUp;
    startUp.folders = {options.home, options.machine, options.config};
    startUp.executable = options.executable.empty() ? ThisExecutable() : options.executable;
    const fs::path executable = startUp.executable;
    startUp_ = std::make_unique<app::StartUp>(std::move(startUp));
    app::StartUp& s = *startUp_;
    host_ = std::make_unique<Win32Host>();
    const app::AppInfo& info = s.App().Info();
    // Windows starts the program with the session through its Run value.
    std::unique_ptr<platform::StartupRegistration> registration = s.TakeRegistration();
    if (!registration) {
        registration = std::make_unique<RunValueRegistration>(Wide(info.exeName), executable);
    }
    frontEnd_ = std::make_unique<Win32FrontEnd>(
        info, *host_, options.noLock ? std::wstring() : Win32FrontEnd::MutexNameForUser(),
        std::move(registration), s.Options().folders);
    s.Prepare(*host_, *frontEnd_);
    splash_ = std::make_unique<SplashWindow>(s.Splash(), info.productName,
                                             "Spyware and adware protection");
    s.makeWindow = [this](app::FrmMain& form) {
        host_->beforeEnd = [&form] { form.RequestStop(); };
        window_ = std::make_unique<MainWindow>(form, *host_, *frontEnd_);
    };
    s.presentWindow = [this] { window_->Present(); };
    s.onLoaded = [this] {
        if (onLoaded) {
            onLoaded();
        }
    };
    s.dropWidgets = [this] {
        splash_.reset();
        window_.reset();
        frontEnd_->Attach(nullptr);
    };
}

Program::~Program() {
    host_->beforeEnd = nullptr;
    // The windows, the start window and the main form end before the host
    // and the services they were made with.
    startUp_->End();
}

app::Application& Program::App() {
    return startUp_->App();
}

app::FrmMain& Program::Form() {
    return *startUp_->Form();
}

app::FrmSplash& Program::Splash() {
    return startUp_->Splash();
}

void Program::Start() {
    startUp_->Start();
}

bool Program::Loaded() const {
    return startUp_->Loaded();
}

bool Program::Refused() const {
    return startUp_->Refused();
}

}  // namespace quellon::gui::win32
