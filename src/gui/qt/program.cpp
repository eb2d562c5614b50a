#include "gui/qt/program.h"

#include <QCoreApplication>
#include <QFile>

#include "app/application.h"
#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/start_up.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_front_end.h"
#include "gui/qt/qt_host.h"
#include "gui/qt/splash_widget.h"
#include "gui/qt/text.h"

namespace quellon::gui {

namespace fs = std::filesystem;

fs::path Program::LockPath(const fs::path& config) {
    return app::StartUp::LockPath(config);
}

Program::Program(const ProgramOptions& options) {
    app::StartUpOptions startUp;
    startUp.folders = {options.home, options.machine, options.config};
    startUp.autostartFolder = options.autostartFolder;
    startUp.executable = options.executable;
    if (startUp.executable.empty()) {
        startUp.executable =
            QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    }
    startUp_ = std::make_unique<app::StartUp>(std::move(startUp));
    app::StartUp& s = *startUp_;
    platform::BackendHandle& backend = s.App().Backend();
    host_ = std::make_unique<QtHost>(
        [&backend](std::string_view windowsPath) { return backend.LocalPathOf(windowsPath); });
    const app::AppInfo& info = s.App().Info();
    frontEnd_ = std::make_unique<QtFrontEnd>(info, *host_, s.LockPath(), s.TakeRegistration(),
                                             s.Options().folders);
    s.Prepare(*host_, *frontEnd_);
    splashWidget_ = std::make_unique<SplashWidget>(s.Splash(), ToQt(info.productName),
                                                   QStringLiteral("Spyware and adware protection"));
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
        splashWidget_.reset();
        window_.reset();
    };
}

Program::~Program() {
    host_->beforeEnd = nullptr;
    // The widgets, the start window and the main form end before the host
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

}  // namespace quellon::gui
