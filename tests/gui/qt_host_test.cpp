// The window host: timers that follow their models, time-sliced pending
// events, message box answers, text conversion.
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "gui/qt/qt_host.h"
#include "gui/qt/text.h"
#include "platform/posix/backend.h"
#include "support/test_machine.h"
#include "ui/controls.h"

namespace quellon::testing {

class QtHostTest : public QObject {
    Q_OBJECT

private slots:
    void timersFollowTheirModels();
    void aTimerMayBeRemovedFromItsOwnTick();
    void pendingEventsRunAtMostOncePerSlice();
    void aRunOfCallsLooksWhereItsCallsWould();
    void messageBoxButtonsMapToResults();
    void textIsWindows1252WithLineBreaks();
    void documentsOpenAtTheirLinuxPath();
};

void QtHostTest::timersFollowTheirModels() {
    gui::QtHost host;
    ui::Timer timer(5, false);
    int ticks = 0;
    timer.onTick = [&] { ++ticks; };
    host.AddTimer(timer);
    QTest::qWait(40);
    QCOMPARE(ticks, 0);
    timer.SetEnabled(true);
    QTRY_VERIFY(ticks >= 3);
    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(40);
    QCOMPARE(ticks, stopped);
    // An interval of 0 keeps an enabled timer still.
    timer.SetInterval(0);
    timer.SetEnabled(true);
    QTest::qWait(40);
    QCOMPARE(ticks, stopped);
    timer.SetInterval(5);
    QTRY_VERIFY(ticks > stopped);
    host.RemoveTimer(timer);
    const int removed = ticks;
    QTest::qWait(40);
    QCOMPARE(ticks, removed);
}

void QtHostTest::aTimerMayBeRemovedFromItsOwnTick() {
    gui::QtHost host;
    ui::Timer timer(1, true);
    int ticks = 0;
    timer.onTick = [&] {
        ++ticks;
        host.RemoveTimer(timer);
    };
    host.AddTimer(timer);
    QTRY_COMPARE(ticks, 1);
    QTest::qWait(30);
    QCOMPARE(ticks, 1);
    // The host goes on working.
    ui::Timer other(1, true);
    int otherTicks = 0;
    other.onTick = [&] { ++otherTicks; };
    host.AddTimer(other);
    QTRY_VERIFY(otherTicks > 0);
    host.RemoveTimer(other);
}

void QtHostTest::pendingEventsRunAtMostOncePerSlice() {
    gui::QtHost host;
    host.SetEventSlice(std::chrono::milliseconds(50));
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    // The 64th call lets the first slice run.
    for (int i = 0; i < 63; ++i) {
        host.DoEvents();
    }
    QCOMPARE(fired, 0);
    host.DoEvents();
    QCOMPARE(fired, 1);
    QCOMPARE(host.EventSlices(), std::uint64_t{1});
    // Within the slice, however many calls come, nothing runs.
    QTimer::singleShot(0, [&] { ++fired; });
    for (int i = 0; i < 64 * 100; ++i) {
        host.DoEvents();
    }
    QCOMPARE(fired, 1);
    QTest::qWait(60);
    QCOMPARE(fired, 2);  // the wait itself ran it
    for (int i = 0; i < 64; ++i) {
        host.DoEvents();
    }
    QCOMPARE(host.EventSlices(), std::uint64_t{2});
    QCOMPARE(host.DoEventsCalls(), std::uint64_t{64 * 102});
}

// A run of calls handed over at once lets events run at the same call as
// the calls one by one, and ends at the call whose events stopped it.
void QtHostTest::aRunOfCallsLooksWhereItsCallsWould() {
    gui::QtHost host;
    host.SetEventSlice(std::chrono::milliseconds(0));
    bool stop = false;
    int fired = 0;
    QTimer::singleShot(0, [&] { ++fired; });
    // 63 calls look nowhere; the 64th looks.
    QCOMPARE(host.DoEventsAfter(63, stop), std::size_t{63});
    QCOMPARE(fired, 0);
    QCOMPARE(host.DoEventsAfter(1, stop), std::size_t{1});
    QCOMPARE(fired, 1);
    QCOMPARE(host.EventSlices(), std::uint64_t{1});
    // A long run looks at each 64th call: the slice is 0, so each runs events.
    QCOMPARE(host.DoEventsAfter(64 * 10 + 5, stop), std::size_t{64 * 10 + 5});
    QCOMPARE(host.EventSlices(), std::uint64_t{11});
    QCOMPARE(host.DoEventsCalls(), std::uint64_t{64 * 11 + 5});
    // An event that stops: the run ends at the call that ran it (the 59th
    // from here, the next 64th), and nothing is made once stopped.
    QTimer::singleShot(0, [&] { stop = true; });
    QCOMPARE(host.DoEventsAfter(1000, stop), std::size_t{59});
    QVERIFY(stop);
    QCOMPARE(host.DoEventsCalls(), std::uint64_t{64 * 12});
    QCOMPARE(host.DoEventsAfter(10, stop), std::size_t{0});
    QCOMPARE(host.DoEventsCalls(), std::uint64_t{64 * 12});
}

void QtHostTest::messageBoxButtonsMapToResults() {
    QCOMPARE(gui::ResultOfButton(QMessageBox::Yes, ui::kYesNo), ui::MsgResult::kYes);
    QCOMPARE(gui::ResultOfButton(QMessageBox::No, ui::kYesNoCancel), ui::MsgResult::kNo);
    QCOMPARE(gui::ResultOfButton(QMessageBox::Cancel, ui::kOkCancel), ui::MsgResult::kCancel);
    QCOMPARE(gui::ResultOfButton(QMessageBox::Ok, ui::kOkOnly), ui::MsgResult::kOk);
    // Closed without a button.
    QCOMPARE(gui::ResultOfButton(QMessageBox::NoButton, ui::kYesNo | ui::kQuestion),
             ui::MsgResult::kNo);
    QCOMPARE(gui::ResultOfButton(QMessageBox::NoButton, ui::kYesNoCancel), ui::MsgResult::kCancel);
    QCOMPARE(gui::ResultOfButton(QMessageBox::NoButton, ui::kOkOnly), ui::MsgResult::kOk);

    // A real box: its buttons, icon, title and text; Escape answers No.
    gui::QtHost host;
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        QCOMPARE(box->windowTitle(), QStringLiteral("Title"));
        QCOMPARE(box->text(), QStringLiteral("one\n\ntwo"));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(host.MsgBox("one\r\n\r\ntwo", ui::kYesNo | ui::kQuestion, "Title"),
             ui::MsgResult::kNo);
}

void QtHostTest::textIsWindows1252WithLineBreaks() {
    QCOMPARE(gui::ToQt("Scanning Registry: \r\nHKEY"), QStringLiteral("Scanning Registry: \nHKEY"));
    QCOMPARE(gui::ToQt("a\rb\nc"), QStringLiteral("a\nb\nc"));
    QCOMPARE(gui::ToQt("\x80 \xe9\x99"), QString::fromUtf8("\u20ac \u00e9\u2122"));
    QCOMPARE(gui::FromQt(QString::fromUtf8("\u20ac \u00e9\u2122\u4e00")), "\x80 \xe9\x99?");
    QCOMPARE(gui::ToQtCaption("Date & Time"), QStringLiteral("Date && Time"));
}

void QtHostTest::documentsOpenAtTheirLinuxPath() {
    TestMachine machine;
    machine.PlantFile("C:\\Program Files\\Quellon\\ENoSignature.txt", "x");
    gui::QtHost host(
        [&machine](std::string_view path) { return machine.Backend().Machine().Resolve(path); });
    std::vector<QUrl> opened;
    host.openUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    QVERIFY(host.OpenDocument("c:\\program files\\QUELLON\\enosignature.txt"));
    QCOMPARE(opened.size(), size_t{1});
    QCOMPARE(std::filesystem::path(opened[0].toLocalFile().toStdString()),
             machine.Root() / "drive_c" / "Program Files" / "Quellon" / "ENoSignature.txt");
    QVERIFY(!host.OpenDocument("relative\\path"));
    QCOMPARE(opened.size(), size_t{1});
    gui::QtHost none;
    QVERIFY(!none.OpenDocument("C:\\x"));
}

int RunQtHostTests(int argc, char** argv) {
    QtHostTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quellon::testing

#include "qt_host_test.moc"
