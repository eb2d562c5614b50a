// The program's icon: the pictures the build renders from the one SVG are
// embedded, in every size the icon theme gets, and are the shield.
#include <QImage>
#include <QTest>

#include "gui/qt/icons.h"

namespace quellon::testing {

class AppIconTest : public QObject {
    Q_OBJECT

private slots:
    void everyRenderedSizeIsEmbedded();
    void theRendersShowTheShield();
};

void AppIconTest::everyRenderedSizeIsEmbedded() {
    const QIcon icon = gui::AppIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        const QPixmap pixmap = icon.pixmap(size, size);
        QCOMPARE(pixmap.size(), QSize(size, size));
    }
}

void AppIconTest::theRendersShowTheShield() {
    const QImage image = gui::AppIcon().pixmap(64, 64).toImage();
    // The corners are transparent, the shield's fill is blue and the tick
    // white.
    QCOMPARE(qAlpha(image.pixel(1, 62)), 0);
    const QColor fill = image.pixelColor(32, 52);
    QVERIFY2(fill.blue() > 100 && fill.blue() > fill.red() + 40, qPrintable(fill.name()));
    const QColor tick = image.pixelColor(29, 40);
    QVERIFY2(tick.red() > 230 && tick.green() > 230 && tick.blue() > 230, qPrintable(tick.name()));
}

int RunAppIconTests(int argc, char** argv) {
    AppIconTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quellon::testing

#include "app_icon_test.moc"
