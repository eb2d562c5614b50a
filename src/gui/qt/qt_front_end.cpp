#include "gui/qt/qt_front_end.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>

#include "app/start_up.h"
#include "gui/qt/dialogs.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_host.h"
#include "gui/qt/text.h"

namespace quellon::gui {

QtFrontEnd::QtFrontEnd(app::AppInfo info, QtHost& host, const std::filesystem::path& lockPath,
                       std::unique_ptr<platform::StartupRegistration> registration,
                       app::Folders folders)
    : info_(std::move(info)),
      host_(host),
      registration_(std::move(registration)),
      folders_(std::move(folders)) {
    if (!lockPath.empty()) {
        lock_ = std::make_unique<QLockFile>(QFile::decodeName(lockPath.c_str()));
        // A live holder keeps its lock however long it runs; a dead one's lock
        // is taken over.
        lock_->setStaleLockTime(0);
    }
}

QtFrontEnd::~QtFrontEnd() = default;

bool QtFrontEnd::AnotherInstanceRunning() {
    if (!lock_) {
        return false;
    }
    if (lockState_ < 0) {
        lockState_ = lock_->tryLock(0) ? 1 : 0;
    }
    return lockState_ == 0;
}

bool QtFrontEnd::StartCompanion(bool) {
    return app::StartRestartCompanion(
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
        static_cast<std::uint32_t>(QCoreApplication::applicationPid()), folders_);
}

void QtFrontEnd::LockRedraw(bool lock) {
    if (window_ != nullptr && (!lock || window_->isVisible())) {
        window_->setUpdatesEnabled(!lock);
    }
}

void QtFrontEnd::ShowModal(ui::Window& window) {
    if (WindowDialog* dialog = window_ != nullptr ? window_->DialogFor(window) : nullptr) {
        dialog->RunModal();
    }
}

void QtFrontEnd::ShowAlertAndWait(ui::Window& alert, const std::function<bool()>& answered) {
    WindowDialog* dialog = window_ != nullptr ? window_->DialogFor(alert) : nullptr;
    if (dialog == nullptr) {
        // Nobody can answer an alert that cannot be shown: it counts as closed.
        alert.SetVisible(false);
        return;
    }
    alert.SetVisible(true);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog->show();
    dialog->BringToFront();
    // Events run (the window stays responsive) without spinning: each round
    // waits for the next event.
    while (!answered() && alert.Visible() && !host_.Ended()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
}

void QtFrontEnd::ShowAbout() {
    QMessageBox::about(window_, QStringLiteral("About %1").arg(ToQt(info_.productName)),
                       QStringLiteral("%1 %2.%3\n%4\n\nSpyware and adware protection.")
                           .arg(ToQt(info_.productName))
                           .arg(info_.major)
                           .arg(info_.minor)
                           .arg(ToQt(info_.companyName)));
}

std::optional<size_t> QtFrontEnd::ChooseQuarantinedFile(
    const std::vector<removal::QuarantinedFile>& files) {
    return gui::ChooseQuarantinedFile(files, window_);
}

bool QtFrontEnd::ShowTrayIcon(std::string_view tip) {
    QSystemTrayIcon* tray = window_ != nullptr ? window_->TrayIcon() : nullptr;
    if (tray == nullptr) {
        return false;
    }
    tray->setToolTip(ToQt(tip));
    tray->show();
    return true;
}

void QtFrontEnd::RemoveTrayIcon() {
    if (QSystemTrayIcon* tray = window_ != nullptr ? window_->TrayIcon() : nullptr) {
        tray->hide();
    }
}

void QtFrontEnd::ChangeTrayTip(std::string_view tip) {
    if (QSystemTrayIcon* tray = window_ != nullptr ? window_->TrayIcon() : nullptr) {
        tray->setToolTip(ToQt(tip));
    }
}

app::ScreenArea QtFrontEnd::Screen() {
    app::ScreenArea area;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect whole = screen->geometry();
        const QRect available = screen->availableGeometry();
        area.width = whole.width();
        area.height = whole.height();
        area.taskbarHeight = std::max(0, whole.bottom() - available.bottom());
        // Without a window manager to report the panels (a bare X server),
        // the panel that holds the tray icon along the bottom edge counts
        // as the taskbar.
        QSystemTrayIcon* tray = window_ != nullptr ? window_->TrayIcon() : nullptr;
        const QRect icon = tray != nullptr && tray->isVisible() ? tray->geometry() : QRect();
        if (icon.isValid() && icon.top() > whole.center().y()) {
            area.taskbarHeight = std::max(area.taskbarHeight, whole.bottom() - icon.top() + 1);
        }
    }
    return area;
}

}  // namespace quellon::gui
