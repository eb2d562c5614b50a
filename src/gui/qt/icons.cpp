#include "gui/qt/icons.h"

#include <initializer_list>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "scan/scan_context.h"

namespace quellon::gui {
namespace {

// An icon in the given pixel sizes, drawn by `paint` on a square of
// `units` units (16 for the list icons).
template <typename Paint>
QIcon Painted(Paint paint, double units = 16, std::initializer_list<int> sizes = {16, 32}) {
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / units, size / units);
        paint(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon CookieIcon() {
    return Painted([](QPainter& p) {
        p.setPen(QPen(QColor(0x8a, 0x5a, 0x2b), 1));
        p.setBrush(QColor(0xd9, 0xa4, 0x5b));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x5b, 0x36, 0x16));
        for (QPointF chip :
             {QPointF(5, 5.5), QPointF(10, 6), QPointF(7.5, 10.5), QPointF(11, 10)}) {
            p.drawEllipse(chip, 1.2, 1.2);
        }
    });
}

QIcon RegistryIcon() {
    return Painted([](QPainter& p) {
        const QColor colours[] = {QColor(0x2f, 0x6f, 0xd6), QColor(0x3f, 0xa3, 0x5b),
                                  QColor(0xd6, 0x8a, 0x2f), QColor(0x8a, 0x4f, 0xc9)};
        int n = 0;
        for (int y : {1, 8}) {
            for (int x : {1, 8}) {
                p.setPen(QPen(colours[n].darker(140), 0.8));
                p.setBrush(colours[n++]);
                p.drawRoundedRect(QRectF(x + 0.5, y + 0.5, 6, 6), 1, 1);
            }
        }
    });
}

QIcon FileIcon() {
    return Painted([](QPainter& p) {
        QPainterPath page;
        page.moveTo(3, 1.5);
        page.lineTo(10, 1.5);
        page.lineTo(13.5, 5);
        page.lineTo(13.5, 14.5);
        page.lineTo(3, 14.5);
        page.closeSubpath();
        p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.drawLine(QPointF(10, 1.5), QPointF(10, 5));
        p.drawLine(QPointF(10, 5), QPointF(13.5, 5));
        // A red mark: a file that does not belong.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc6, 0x28, 0x28));
        p.drawEllipse(QRectF(5, 7.5, 6, 6));
        p.setPen(QPen(Qt::white, 1.2));
        p.drawLine(QPointF(8, 8.8), QPointF(8, 10.8));
        p.drawPoint(QPointF(8, 12.2));
    });
}

}  // namespace

QIcon KindIcon(int kind) {
    // Drawn once; kept for the whole run (never destroyed after the
    // application object).
    static const QIcon* const cookie = new QIcon(CookieIcon());
    static const QIcon* const registry = new QIcon(RegistryIcon());
    static const QIcon* const file = new QIcon(FileIcon());
    switch (kind) {
        case scan::kIconCookie:
            return *cookie;
        case scan::kIconRegistry:
            return *registry;
        case scan::kIconFile:
            return *file;
        default:
            return {};
    }
}

QIcon AppIcon() {
    // Rendered by the build from packaging/icons/quellon-pro.svg: the same
    // pictures as the menu entry's icon.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/quellon-pro.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

}  // namespace quellon::gui
