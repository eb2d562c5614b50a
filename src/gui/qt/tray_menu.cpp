#include "gui/qt/tray_menu.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/qt/icons.h"

namespace quellon::gui {

TrayMenu::TrayMenu(tray::FrmMenuPopUp& model, const QString& productName)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      model_(model) {
    setObjectName(QStringLiteral("frmMenuPopUp"));
    setWindowTitle(productName + QStringLiteral(" menu"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(tray::FrmMenuPopUp::PixelWidth(), tray::FrmMenuPopUp::PixelHeight());
    setStyleSheet(
        QStringLiteral("QWidget#frmMenuPopUp { background: #f4f7fc; border: 1px solid #123674; }"
                       "QWidget#menuHeader { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                       " stop:0 #123674, stop:1 #2f7bd0); }"
                       "QWidget#menuHeader QLabel { color: white; background: transparent; }"
                       "QPushButton { text-align: left; padding: 4px 10px; border: none;"
                       " background: transparent; }"
                       "QPushButton:hover { background: #dce8f8; }"
                       "QPushButton:disabled { color: #9a9a9a; }"
                       "QToolButton { padding: 2px 10px; border: none; color: #123674;"
                       " background: transparent; }"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(1, 1, 1, 6);
    column->setSpacing(0);
    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("menuHeader"));
    header->setAttribute(Qt::WA_StyledBackground);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(8, 5, 8, 5);
    auto* logo = new QLabel;
    logo->setPixmap(AppIcon().pixmap(20, 20));
    auto* title = new QLabel(productName);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    headerRow->addWidget(logo);
    headerRow->addWidget(title, 1);
    column->addWidget(header);
    column->addSpacing(4);

    struct Item {
        ui::Label& model;
        const char* name;
    };
    const Item items[] = {{model_.mnuMaxmimaize, "mnuMaxmimaize"},
                          {model_.mnuShowOptions, "mnuShowOptions"},
                          {model_.mnuScanNow, "mnuScanNow"},
                          {model_.mnuClose, "mnuClose"}};
    for (const Item& item : items) {
        QPushButton* button = bind_.PushButton(item.model, QString::fromLatin1(item.name));
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        column->addWidget(button);
    }
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(QStringLiteral("color: #c5d2e6;"));
    column->addSpacing(2);
    column->addWidget(line);
    QToolButton* close = bind_.LinkButton(model_.lblMenuClose, QStringLiteral("lblMenuClose"));
    close_ = close;
    column->addWidget(close, 0, Qt::AlignRight);
    column->addStretch(1);

    // Every movement over the menu, whichever part of it is under the mouse.
    Follow(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        Follow(child);
    }
    bind_.Watch(model_, [this] { Sync(); });
}

TrayMenu::~TrayMenu() = default;

void TrayMenu::Follow(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->setAttribute(Qt::WA_Hover);
    widget->installEventFilter(this);
}

bool TrayMenu::eventFilter(QObject* watched, QEvent* event) {
    // Which part of the menu the mouse is over: the watched widget, or for
    // the menu itself (which also gets its children's unhandled moves) the
    // child at the event's place.
    auto overClose = [this, watched](const QPointF& position) {
        if (watched != this) {
            return watched == close_;
        }
        const QWidget* under = childAt(position.toPoint());
        return under != nullptr && (under == close_ || close_->isAncestorOf(under));
    };
    switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::HoverMove: {
            const QPointF position = event->type() == QEvent::MouseMove
                                         ? static_cast<QMouseEvent*>(event)->position()
                                         : static_cast<QHoverEvent*>(event)->position();
            if (overClose(position)) {
                model_.lblMenuClose_MouseMove();
            } else {
                model_.Form_MouseMove();
            }
            break;
        }
        case QEvent::Enter:
            if (watched == close_) {
                model_.lblMenuClose_MouseMove();
            } else if (watched != this) {
                model_.Form_MouseMove();
            }
            break;
        case QEvent::Leave:
            if (watched == close_) {
                model_.Form_MouseMove();
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void TrayMenu::Sync() {
    QFont font = close_->font();
    if (font.bold() != model_.MenuCloseBold()) {
        font.setBold(model_.MenuCloseBold());
        close_->setFont(font);
    }
    if (!model_.Visible()) {
        if (isVisible()) {
            hide();
        }
        return;
    }
    QPoint origin;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        origin = screen->geometry().topLeft();
    }
    const QPoint place = origin + QPoint(model_.PixelLeft(), model_.PixelTop());
    if (pos() != place) {
        move(place);
    }
    if (!isVisible()) {
        show();
        raise();
    }
}

}  // namespace quellon::gui
