// The schedule's pickers and the tray menu driven through their widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

#include "gui/qt/tray_menu.h"
#include "gui_harness.h"

namespace quellon::testing {

using settings::kOptionAndSettings;
using settings::kSettings;
namespace keys = settings::keys;

class TrayGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SilencePlatformMessages(); }
    void cleanupTestCase() { RestorePlatformMessages(); }
    void schedulePickersCanHoldNoValue();
    void trayMenuFollowsItsModel();
};

namespace {

// Lets the window's timers run for `ms` milliseconds of real time.
void RunFor(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

void MoveOver(QWidget* widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

}  // namespace

void TrayGuiTest::schedulePickersCanHoldNoValue() {
    GuiHarness h;
    h.WriteDefinitions();
    QVERIFY(h.Start());
    auto& f = h.Form();
    f.mnuSettingsItem[2].Click();
    GuiHarness::Settle();
    auto* apply = h.Find<QPushButton>("CmdProceed");
    QVERIFY(!apply->isEnabled());
    GuiHarness::Tick(h.Find<QCheckBox>("chkAutomaticScanYesOrNo"));
    auto* days = h.Find<QComboBox>("cmbDays");
    QVERIFY(days->isEnabled());
    QCOMPARE(days->currentText(), QStringLiteral("Daily"));
    days->setCurrentIndex(8);
    emit days->activated(8);
    GuiHarness::Settle();
    QCOMPARE(f.cmbDays.ListIndex(), 8);

    // The date holds none until its box is ticked; then the edit's day.
    auto* dateSet = h.Find<QCheckBox>("dtpScheduleDateSet");
    auto* dateEdit = h.Find<QDateEdit>("dtpScheduleDateEdit");
    QVERIFY(h.Find<QWidget>("dtpScheduleDate")->isEnabled());
    QVERIFY(!dateSet->isChecked());
    QVERIFY(!dateEdit->isEnabled());
    QVERIFY(f.dtpScheduleDate.IsNull());
    h.Expect("Please select the date that you want to scan.", ui::MsgResult::kOk);
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kDay), "<absent>");
    GuiHarness::Tick(dateSet);
    QVERIFY(dateEdit->isEnabled());
    dateEdit->setDate(QDate(2031, 3, 4));
    QCOMPARE(f.dtpScheduleDate.Value(), (DateTime{2031, 3, 4, 0, 0, 0}));
    auto* timeEdit = h.Find<QTimeEdit>("dtpScheduleTimeEdit");
    QVERIFY(h.Find<QCheckBox>("dtpScheduleTimeSet")->isChecked());
    timeEdit->setTime(QTime(21, 5, 7));
    QCOMPARE(f.dtpScheduleTime.Value(), (DateTime{1899, 12, 30, 21, 5, 7}));
    QVERIFY(apply->isEnabled());
    QTest::mouseClick(apply, Qt::LeftButton);
    QVERIFY(!apply->isEnabled());
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kDay), "8");
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kDate), "3/4/2031");
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kTime), "9:05:07 PM");

    // "Never" clears both: their boxes untick.
    days->setCurrentIndex(9);
    emit days->activated(9);
    GuiHarness::Settle();
    QVERIFY(!dateSet->isChecked());
    QVERIFY(!h.Find<QCheckBox>("dtpScheduleTimeSet")->isChecked());
    QVERIFY(!h.Find<QWidget>("dtpScheduleTime")->isEnabled());
    QVERIFY(h.unexpected.empty());
}

void TrayGuiTest::trayMenuFollowsItsModel() {
    GuiHarness h;
    h.WriteDefinitions();
    QVERIFY(h.Start());
    auto& f = h.Form();
    QTest::mouseClick(h.Find<QPushButton>("Command5"), Qt::LeftButton);
    GuiHarness::Settle();
    gui::TrayMenu* menu = h.Window().Menu();
    QVERIFY(menu != nullptr);
    QVERIFY(!menu->isVisible());
    f.OnTrayMessage(0x205);
    RunFor(400);
    QVERIFY(menu->isVisible());
    QVERIFY(!f.frmMenuPopUp.tmrMenuPopup.Enabled());
    QCOMPARE(menu->pos().y(), f.frmMenuPopUp.PixelTop());
    QCOMPARE(menu->size(),
             QSize(tray::FrmMenuPopUp::PixelWidth(), tray::FrmMenuPopUp::PixelHeight()));

    // A movement over any part starts the idle count again; over "Close
    // This Menu" the item turns bold.
    auto* close = menu->findChild<QToolButton*>(QStringLiteral("lblMenuClose"));
    auto* exit = menu->findChild<QPushButton*>(QStringLiteral("mnuClose"));
    QVERIFY(close != nullptr && exit != nullptr);
    f.frmMenuPopUp.lTimDown = 7;
    MoveOver(exit);
    QCOMPARE(f.frmMenuPopUp.lTimDown, 0);
    MoveOver(close);
    QVERIFY(close->font().bold());
    MoveOver(exit);
    QVERIFY(!close->font().bold());

    // "Exit Program" asks; No keeps the program in the tray.
    h.Expect("may leave your system vulnerable to malicious programs", ui::MsgResult::kNo);
    QTest::mouseClick(exit, Qt::LeftButton);
    GuiHarness::Settle();
    QVERIFY(h.shown.size() == 1);
    QVERIFY(!menu->isVisible());
    QVERIFY(!f.frmMainWindow.Visible());
    QVERIFY(f.clsTray.bRunningInTray());
    QCOMPARE(h.ends, 0);

    // "Close This Menu" slides it away.
    f.OnTrayMessage(0x205);
    RunFor(300);
    QVERIFY(menu->isVisible());
    QTest::mouseClick(close, Qt::LeftButton);
    RunFor(400);
    QVERIFY(!menu->isVisible());
    QVERIFY(!f.frmMenuPopUp.Visible());
    QVERIFY(h.unexpected.empty());
}

int RunTrayGuiTests(int argc, char** argv) {
    TrayGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quellon::testing

#include "tray_gui_test.moc"
