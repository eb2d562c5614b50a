// The bindings of the window: counters, status texts and progress bars
// follow their models once pending events run, however often the models
// change before; visibility and enabled state follow at once.
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <memory>

#include "gui/qt/bindings.h"
#include "ui/controls.h"

namespace quellon::testing {

class BindingsGuiTest : public QObject {
    Q_OBJECT

private slots:
    void countersFollowOnceWhenEventsRun();
    void aBinderGoneBeforeEventsRunLeavesNothingBehind();
};

void BindingsGuiTest::countersFollowOnceWhenEventsRun() {
    ui::Label counter("0");
    ui::ProgressBar bar;
    gui::Binder bind;
    std::unique_ptr<QLabel> label(bind.Label(counter, QStringLiteral("counter")));
    std::unique_ptr<QProgressBar> progress(bind.Progress(bar, QStringLiteral("bar")));
    QCOMPARE(label->text(), QStringLiteral("0"));

    int repaints = 0;
    label->show();
    QCoreApplication::processEvents();
    struct Counter : QObject {
        int* count;
        explicit Counter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                ++*count;
            }
            return false;
        }
    } filter(&repaints);
    progress->installEventFilter(&filter);
    progress->show();
    QCoreApplication::processEvents();
    repaints = 0;

    for (int i = 1; i <= 1000; ++i) {
        counter.SetCaption(std::to_string(i));
        bar.SetValue(i / 10.0);
    }
    // Nothing is laid out or drawn for the values between two looks.
    QCOMPARE(label->text(), QStringLiteral("0"));
    QCOMPARE(progress->value(), 0);
    QCOMPARE(repaints, 0);
    QCoreApplication::processEvents();
    QCOMPARE(label->text(), QStringLiteral("1000"));
    QCOMPARE(progress->value(), 100);

    // Shown and enabled state do not wait.
    counter.SetVisible(false);
    counter.SetEnabled(false);
    QVERIFY(label->isHidden());
    QVERIFY(!label->isEnabled());

    // Flushing shows the model at once.
    counter.SetCaption("7");
    bind.FlushLists();
    QCOMPARE(label->text(), QStringLiteral("7"));
}

void BindingsGuiTest::aBinderGoneBeforeEventsRunLeavesNothingBehind() {
    ui::Label counter("0");
    auto label = std::make_unique<QLabel>();
    {
        gui::Binder bind;
        QLabel* bound = bind.Label(counter, QStringLiteral("counter"));
        bound->setParent(label.get());
        counter.SetCaption("1");
    }
    // The queued update went with its binder; the model changes unseen.
    QCoreApplication::processEvents();
    counter.SetCaption("2");
    QCoreApplication::processEvents();
    QCOMPARE(label->findChild<QLabel*>(QStringLiteral("counter"))->text(), QStringLiteral("0"));
}

int RunBindingsGuiTests(int argc, char** argv) {
    BindingsGuiTest t;
    return QTest::qExec(&t, argc, argv);
}

}  // namespace quellon::testing

#include "bindings_gui_test.moc"
