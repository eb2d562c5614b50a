#include "gui/qt/program.h"

#include <QCoreApplication>
#include <QFile>
#include <system_error>

#include "app/application.h"
#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_front_end.h"
#include "gui/qt/qt_host.h"
#include "gui/qt/splash_widget.h"
#include "gui/qt/text.h"

namespace quellon::gui {

namespace fs = std::filesystem;

fs::path Program::LockPath(const fs::path& config) {
    return config / "quellon-pro.lock";
}

Program::Program(const ProgramOptions& options) : options_(options) {
    std::error_code ec;
    fs::create_directories(options_.config, ec);
    app::Folders folders;
    folders.home = options_.home;
    folders.machine = options_.machine;
    folders.config = options_.config;
    app_ = std::make_unique<app::Application>(folders);
    platform::BackendHandle& backend = app_->Backend();
    host_ = std::make_unique<QtHost>(
        [&backend](std::string_view windowsPath) { return backend.LocalPathOf(windowsPath); });

    const app::AppInfo& info = app_->Info();
    fs::path executable = options_.executable;
    if (executable.empty()) {
        executable = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    }
    frontEnd_ = std::make_unique<QtFrontEnd>(
        info, *host_, LockPath(options_.config),
        platform::MakeStartupRegistration(info.exeName, info.productName, executable,
                                          options_.autostartFolder),
        folders);

    splash_ = std::make_unique<app::FrmSplash>(*host_);
    splashWidget_ = std::make_unique<SplashWidget>(*splash_, ToQt(info.productName),
                                                   QStringLiteral("Spyware and adware protection"));
    // The main window is made when the start window hands over, so that its
    // timers run from then on.
    splash_->loadMainWindow = [this] {
        MakeMainWindow();
        if (!Form().Form_Load()) {
            refused_ = true;
            return;
        }
        window_->Present();
        loaded_ = true;
        if (onLoaded) {
            onLoaded();
        }
    };
}

Program::~Program() {
    host_->beforeEnd = nullptr;
    splashWidget_.reset();
    splash_.reset();
    window_.reset();
    app_->DestroyMainForm();
}

app::FrmMain& Program::Form() {
    return *app_->Form();
}

void Program::MakeMainWindow() {
    app::FrmMain& form = app_->MakeMainForm(*host_, *frontEnd_);
    host_->beforeEnd = [&form] { form.RequestStop(); };
    window_ = std::make_unique<MainWindow>(form, *host_, *frontEnd_);
}

void Program::Start() {
    splash_->Form_Load();
}

void ShowPage(app::FrmMain& form, const std::string& page, int tab) {
    if (page == "status") {
        form.cmdStatus.Click();
    } else if (page == "scan") {
        form.cmdScan.Click();
    } else if (page == "results") {
        form.cmdResults.Click();
    } else if (page == "options") {
        form.mnuSettingsItem_Click(tab - 1);
    }
}

}  // namespace quellon::gui
