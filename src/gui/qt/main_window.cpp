#include "gui/qt/main_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/qt/dialogs.h"
#include "gui/qt/icons.h"
#include "gui/qt/qt_front_end.h"
#include "gui/qt/qt_host.h"
#include "gui/qt/text.h"
#include "gui/qt/tray_menu.h"

namespace quellon::gui {
namespace {

// The banner across the top of the window.
class Banner : public QWidget {
public:
    Banner() {
        setObjectName(QStringLiteral("banner"));
        setAutoFillBackground(false);
        setMinimumHeight(84);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient fill(0, 0, width(), height());
        fill.setColorAt(0, QColor(0x12, 0x36, 0x74));
        fill.setColorAt(1, QColor(0x2f, 0x7b, 0xd0));
        p.fillRect(rect(), fill);
        p.setPen(QColor(0x0b, 0x24, 0x52));
        p.drawLine(0, height() - 1, width(), height() - 1);
    }
};

QLabel* BannerText(const QString& text, int pointSize, bool bold) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    return label;
}

}  // namespace

MainWindow::MainWindow(app::FrmMain& form, QtHost& host, QtFrontEnd& frontEnd)
    : form_(form), host_(host), frontEnd_(frontEnd) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowIcon(AppIcon());
    BuildMenus();

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(BuildBanner());

    auto* body = new QHBoxLayout;
    body->setContentsMargins(12, 12, 12, 12);
    body->setSpacing(14);
    body->addWidget(BuildNavigation());

    // The four frames share one place; the model shows one at a time.
    auto* pages = new QWidget;
    pages->setObjectName(QStringLiteral("pages"));
    auto* stack = new QVBoxLayout(pages);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(BuildStatusPage());
    stack->addWidget(BuildScanPage());
    stack->addWidget(BuildResultsPage());
    stack->addWidget(BuildOptionsPage());
    body->addWidget(pages, 1);
    column->addLayout(body, 1);
    setCentralWidget(central);
    resize(960, 700);

    BuildTray();
    BuildDialogs();
    bind_.Watch(form_.frmMainWindow, [this] {
        setWindowTitle(ToQt(form_.frmMainWindow.Caption()));
        if (presented_ && !syncing_ && form_.frmMainWindow.Visible() && !isVisible()) {
            // Shown at once: a question the form asks next must come up
            // over the window, not under it.
            SyncWindow();
            return;
        }
        ScheduleWindowSync();
    });
    bind_.Watch(form_.trayIcon, [this] { ScheduleWindowSync(); });
    frontEnd_.Attach(this);
}

MainWindow::~MainWindow() {
    frontEnd_.Attach(nullptr);
}

void MainWindow::BuildDialogs() {
    dialogs_ = {MakeDeleteDialog(form_.frmDelete, this), MakeReportDialog(form_.frmReport, this),
                MakeSpywareAlertDialog(form_.frmSpywareFoundAlert, this),
                MakeHomePageAlertDialog(form_.frmHomePageChangedAlert, this),
                MakeDownloadDialog(form_.frmDownload, this)};
    notice_ = std::make_unique<NoticeWindow>(form_.frmSignatureUpdated);
}

WindowDialog* MainWindow::DialogFor(const ui::Window& model) {
    for (WindowDialog* dialog : dialogs_) {
        if (&dialog->Model() == &model) {
            return dialog;
        }
    }
    return nullptr;
}

void MainWindow::BuildMenus() {
    auto& f = form_;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->addAction(bind_.Action(f.mnuFileScanNow, QStringLiteral("mnuFileScanNow"), this));
    file->addAction(bind_.Action(f.mnuFileViewLog, QStringLiteral("mnuFileViewLog"), this));
    file->addAction(bind_.Action(f.mnuFileLiveUpdate, QStringLiteral("mnuFileLiveUpdate"), this));
    file->addAction(bind_.Action(f.mnuFileMinimize, QStringLiteral("mnuFileMinimize"), this));
    file->addSeparator();
    file->addAction(bind_.Action(f.mnuFileExit, QStringLiteral("mnuFileExit"), this));

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
    settings->setObjectName(QStringLiteral("mnuSettings"));
    for (int i = 0; i < 4; ++i) {
        settings->addAction(
            bind_.Action(f.mnuSettingsItem[i], QStringLiteral("mnuSettingsItem%1").arg(i), this));
    }
    QMenu* quarantine = menuBar()->addMenu(QStringLiteral("&Quarantine"));
    quarantine->setObjectName(QStringLiteral("mnuQuar"));
    for (int i = 0; i < 3; ++i) {
        quarantine->addAction(
            bind_.Action(f.mnuQuarItem[i], QStringLiteral("mnuQuarItem%1").arg(i), this));
    }
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->addAction(bind_.Action(f.mnuViewHelp, QStringLiteral("mnuViewHelp"), this));
    QMenu* about = menuBar()->addMenu(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuAboutMenu"));
    about->addAction(bind_.Action(f.mnuAbout, QStringLiteral("mnuAbout"), this));
    QMenu* debug = menuBar()->addMenu(QStringLiteral("&Debug"));
    debug->setObjectName(QStringLiteral("mnuDebug"));
    debug->addAction(bind_.Action(f.mnuDebugHomepage, QStringLiteral("mnuDebugHomepage"), this));
    debug->addAction(bind_.Action(f.mnuDebugSignature, QStringLiteral("mnuDebugSignature"), this));
    debug->addAction(bind_.Action(f.mnuDebugSpyware, QStringLiteral("mnuDebugSpyware"), this));
}

QWidget* MainWindow::BuildBanner() {
    auto& f = form_;
    auto* banner = new Banner;
    auto* row = new QHBoxLayout(banner);
    row->setContentsMargins(16, 10, 12, 10);
    row->setSpacing(14);

    auto* logo = new QLabel;
    logo->setPixmap(AppIcon().pixmap(56, 56));
    logo->setStyleSheet(QStringLiteral("background: transparent;"));
    row->addWidget(logo);

    // The four pictures: one is shown at a time, as the label links choose.
    const QString product = ToQt(f.Info().productName);
    struct Picture {
        ui::Frame& model;
        const char* name;
        QString title;
        QString line;
    };
    const Picture pictures[] = {
        {f.PicStartUp, "PicStartUp", product, QStringLiteral("Spyware and adware protection")},
        {f.PicOptions, "PicOptions", QStringLiteral("Options"),
         QStringLiteral("Choose what a scan looks at and how the shields protect you")},
        {f.PicResults, "PicResults", QStringLiteral("Results"),
         QStringLiteral("Review what the scan found and choose what to remove")},
        {f.PicSweepNow, "PicSweepNow", QStringLiteral("Sweep Now"),
         QStringLiteral("Scan this computer for spyware and adware")},
    };
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    for (const Picture& picture : pictures) {
        auto* widget = new QWidget;
        widget->setObjectName(QString::fromLatin1(picture.name));
        auto* lines = new QVBoxLayout(widget);
        lines->setContentsMargins(0, 0, 0, 0);
        lines->setSpacing(2);
        lines->addWidget(BannerText(picture.title, 18, true));
        lines->addWidget(BannerText(picture.line, 10, false));
        bind_.Control(picture.model, widget);
        texts->addWidget(widget);
    }
    row->addLayout(texts, 1);

    // The label links of the top row.
    auto* links = new QHBoxLayout;
    links->setSpacing(2);
    for (auto [model, name] : {std::pair<ui::Label*, const char*>{&f.lblOptions, "lblOptions"},
                               {&f.lblResult, "lblResult"},
                               {&f.lblSweepNow, "lblSweepNow"},
                               {&f.lblRemove, "lblRemove"},
                               {&f.lblExit, "lblExit"},
                               {&f.lblHide, "lblHide"}}) {
        links->addWidget(bind_.LinkButton(*model, QString::fromLatin1(name)));
    }
    auto* linkColumn = new QVBoxLayout;
    linkColumn->addLayout(links);
    linkColumn->addStretch(1);
    row->addLayout(linkColumn);
    banner->setStyleSheet(QStringLiteral(
        "QToolButton { color: white; background: transparent; border: none; padding: 2px 6px; }"
        "QToolButton:hover { text-decoration: underline; }"
        "QToolButton:disabled { color: rgba(255, 255, 255, 110); }"
        "QToolButton#lblHide { font-weight: bold; }"
        "QToolButton#lblHide:hover { font-style: italic; text-decoration: none; }"));
    return banner;
}

QWidget* MainWindow::BuildNavigation() {
    auto& f = form_;
    auto* nav = new QWidget;
    nav->setObjectName(QStringLiteral("navigation"));
    auto* column = new QVBoxLayout(nav);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    struct Entry {
        ui::Button& button;
        ui::Frame& frame;
        const char* name;
    };
    const Entry entries[] = {{f.cmdStatus, f.frmStatus, "cmdStatus"},
                             {f.cmdScan, f.frmScan, "cmdScan"},
                             {f.cmdResults, f.frmResults, "cmdResults"},
                             {f.cmdSettings, f.frmOptions, "cmdSettings"}};
    for (const Entry& entry : entries) {
        QPushButton* button = bind_.PushButton(entry.button, QString::fromLatin1(entry.name));
        button->setMinimumSize(150, 38);
        // The button of the page on show is set in bold.
        ui::Frame* frame = &entry.frame;
        bind_.Watch(*frame, [frame, button] {
            QFont font = button->font();
            if (font.bold() != frame->Visible()) {
                font.setBold(frame->Visible());
                button->setFont(font);
            }
        });
        column->addWidget(button);
    }
    column->addStretch(1);
    QPushButton* tray = bind_.PushButton(f.Command5, QStringLiteral("Command5"));
    tray->setMinimumHeight(32);
    column->addWidget(tray);
    return nav;
}

QWidget* MainWindow::Page(ui::Frame& frame, const QString& name, QWidget* body) {
    auto* page = new QWidget;
    page->setObjectName(name);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    QLabel* title = bind_.Label(frame, name + QStringLiteral("Title"));
    QFont font = title->font();
    font.setPointSize(font.pointSize() + 5);
    font.setBold(true);
    title->setFont(font);
    column->addWidget(title);
    column->addWidget(body, 1);
    bind_.Control(frame, page);
    return page;
}

void MainWindow::BuildTray() {
    trayMenu_ = std::make_unique<TrayMenu>(form_.frmMenuPopUp, ToQt(form_.Info().productName));
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    tray_ = new QSystemTrayIcon(AppIcon(), this);
    tray_->setObjectName(QStringLiteral("trayIcon"));
    tray_->setToolTip(ToQt(form_.Info().productName));
    // No context menu of the toolkit's: the right button opens the
    // program's own slide-up menu.
    QObject::connect(tray_, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick) {
                             form_.OnTrayMessage(app::kTrayDoubleClick);
                         } else if (reason == QSystemTrayIcon::Context) {
                             form_.OnTrayMessage(app::kTrayRightButtonUp);
                         }
                     });
}

void MainWindow::Present() {
    presented_ = true;
    SyncWindow();
}

void MainWindow::ScheduleWindowSync() {
    if (!presented_ || syncPending_) {
        return;
    }
    // Coalesced: a procedure often changes state and visibility in a row.
    syncPending_ = true;
    QTimer::singleShot(0, this, [this] {
        syncPending_ = false;
        SyncWindow();
    });
}

void MainWindow::SyncWindow() {
    if (!presented_) {
        return;
    }
    syncing_ = true;
    const auto& model = form_.frmMainWindow;
    if (host_.Ended()) {
        hide();
    } else if (model.Visible()) {
        switch (model.WindowState()) {
            case ui::Window::State::kMinimized:
                if (!isVisible() || !isMinimized()) {
                    showMinimized();
                }
                break;
            case ui::Window::State::kMaximized:
                if (!isVisible() || !isMaximized()) {
                    showMaximized();
                }
                break;
            case ui::Window::State::kNormal:
                if (!isVisible() || isMinimized() || isMaximized()) {
                    showNormal();
                    raise();
                    activateWindow();
                }
                break;
        }
    } else if (form_.trayIcon.Visible() && tray_ == nullptr) {
        // Sent to the tray where there is none: minimised, it stays on the
        // taskbar and comes back from there.
        if (!isVisible() || !isMinimized()) {
            showMinimized();
        }
    } else if (isVisible()) {
        hide();
    }
    syncing_ = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (host_.Ended()) {
        event->accept();
        return;
    }
    // The form decides: run state, tray icon, unload.
    event->ignore();
    form_.Form_QueryUnload();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || syncing_ || !presented_ || host_.Ended()) {
        return;
    }
    const Qt::WindowStates state = windowState();
    const ui::Window::State s = (state & Qt::WindowMinimized)   ? ui::Window::State::kMinimized
                                : (state & Qt::WindowMaximized) ? ui::Window::State::kMaximized
                                                                : ui::Window::State::kNormal;
    auto& model = form_.frmMainWindow;
    if (s != ui::Window::State::kMinimized && !model.Visible() && form_.trayIcon.Visible()) {
        // Back from the taskbar while in the tray: as a double click on the icon.
        form_.OnTrayMessage(app::kTrayDoubleClick);
        return;
    }
    model.SetWindowState(s);
}

}  // namespace quellon::gui
