// The main window: a view of FrmMain's control models. Every widget mirrors
// its model (caption, value, visible, enabled); every user action goes
// through the model, whose handlers are the form's procedures.
#pragma once

#include <QMainWindow>
#include <memory>
#include <vector>

#include "app/frm_main.h"
#include "gui/qt/bindings.h"

class QSystemTrayIcon;

namespace quellon::gui {

class NoticeWindow;
class QtFrontEnd;
class QtHost;
class TrayMenu;
class WindowDialog;

class MainWindow : public QMainWindow {
public:
    // Attaches itself to the front-end, whose window services act on it
    // while it lives.
    MainWindow(app::FrmMain& form, QtHost& host, QtFrontEnd& frontEnd);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window as the model says (after Form_Load) and follows the
    // model's visibility and state from then on.
    void Present();
    bool Presented() const { return presented_; }

    app::FrmMain& Form() { return form_; }
    Binder& Bindings() { return bind_; }
    // Null without a system tray: the window then only minimises.
    QSystemTrayIcon* TrayIcon() { return tray_; }
    // The slide-up tray menu (a window of its own).
    TrayMenu* Menu() { return trayMenu_.get(); }
    // The dialog that shows one of the engine's other windows; null for a
    // window this one has none for.
    WindowDialog* DialogFor(const ui::Window& model);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildBanner();
    QWidget* BuildNavigation();
    QWidget* BuildStatusPage();
    QWidget* BuildScanPage();
    QWidget* BuildResultsPage();
    QWidget* BuildOptionsPage();
    QWidget* BuildScanOptionsTab();
    QWidget* BuildScheduleTab();
    QWidget* BuildProtectionTab();
    QWidget* BuildUpdateTab();
    QWidget* Page(ui::Frame& frame, const QString& name, QWidget* body);
    void BuildTray();
    void BuildDialogs();
    void ScheduleWindowSync();
    void SyncWindow();

    app::FrmMain& form_;
    QtHost& host_;
    QtFrontEnd& frontEnd_;
    Binder bind_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<TrayMenu> trayMenu_;
    // The engine's other windows (children of this one).
    std::vector<WindowDialog*> dialogs_;
    // The notice of an automatic update, a window of its own.
    std::unique_ptr<NoticeWindow> notice_;
    bool presented_ = false;
    bool syncing_ = false;
    bool syncPending_ = false;
};

}  // namespace quellon::gui
