#include "gui/qt/program.h"

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <system_error>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_host.h"
#include "gui/qt/splash_widget.h"
#include "gui/qt/text.h"
#include "platform/posix/backend.h"
#include "platform/posix/xdg_autostart.h"

namespace quellon::gui {

namespace fs = std::filesystem;

fs::path Program::LockPath(const fs::path& config) {
    return config / "quellon-pro.lock";
}

Program::Program(const ProgramOptions& options) : options_(options) {
    std::error_code ec;
    fs::create_directories(options_.config, ec);
    backend_ = std::make_unique<posix::Backend>(options_.machine, options_.config);
    host_ = std::make_unique<QtHost>(&backend_->Machine());
    lock_ = std::make_unique<QLockFile>(QFile::decodeName(LockPath(options_.config).c_str()));
    // A live holder keeps its lock however long it runs; a dead one's lock
    // is taken over.
    lock_->setStaleLockTime(0);

    const app::AppInfo info;
    splash_ = std::make_unique<app::FrmSplash>(*host_);
    splashWidget_ = std::make_unique<SplashWidget>(*splash_, ToQt(info.productName),
                                                   QStringLiteral("Spyware and adware protection"));
    // The main window is made when the start window hands over, so that its
    // timers run from then on.
    splash_->loadMainWindow = [this] {
        MakeMainWindow();
        if (!form_->Form_Load()) {
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
    if (form_) {
        form_->startupRegistration = nullptr;
        form_->anotherInstanceRunning = nullptr;
    }
}

void Program::MakeMainWindow() {
    std::error_code ec;
    app::AppInfo info;
    info.programFolder = backend_->WindowsPathOf(fs::absolute(options_.home, ec));
    form_ = std::make_unique<app::FrmMain>(info, backend_->Platform(), *host_);

    fs::path executable = options_.executable;
    if (executable.empty()) {
        executable = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    }
    autostart_ = std::make_unique<posix::XdgAutostart>(info.exeName, info.productName, executable,
                                                       options_.autostartFolder);
    form_->startupRegistration = autostart_.get();
    form_->anotherInstanceRunning = [this] { return AnotherInstanceRunning(); };
    host_->beforeEnd = [this] { form_->RequestStop(); };
    window_ = std::make_unique<MainWindow>(*form_, *host_);
}

void Program::Start() {
    splash_->Form_Load();
}

bool Program::AnotherInstanceRunning() {
    if (lockState_ < 0) {
        lockState_ = lock_->tryLock(0) ? 1 : 0;
    }
    return lockState_ == 0;
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
