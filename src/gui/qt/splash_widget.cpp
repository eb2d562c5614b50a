#include "gui/qt/splash_widget.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "gui/qt/icons.h"

namespace quellon::gui {

SplashWidget::SplashWidget(app::FrmSplash& splash, const QString& product, const QString& line)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), product_(product), line_(line) {
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(420, 220);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    bind_.Watch(splash.window, [this, &splash] { setVisible(splash.window.Visible()); });
}

void SplashWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, width(), height());
    fill.setColorAt(0, QColor(0x12, 0x36, 0x74));
    fill.setColorAt(1, QColor(0x2f, 0x7b, 0xd0));
    p.fillRect(rect(), fill);
    p.drawPixmap(28, 60, AppIcon().pixmap(96, 96));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPointSize(24);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(140, 70, width() - 150, 44), Qt::AlignLeft | Qt::AlignVCenter, product_);
    font.setPointSize(11);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRect(142, 114, width() - 150, 30), Qt::AlignLeft | Qt::AlignVCenter, line_);
    p.setPen(QColor(0x0b, 0x24, 0x52));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace quellon::gui
