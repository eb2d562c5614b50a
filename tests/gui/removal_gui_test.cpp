// Removal, the files-not-deleted window, the report window and the restore
// from quarantine, driven through the real widgets on the offscreen platform.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "gui_harness.h"
#include "support/test_machine.h"

namespace quellon::testing {

namespace fs = std::filesystem;
using settings::kOptionAndSettings;
namespace keys = settings::keys;

class RemovalGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void deleteQuarantinesAndRestorePutsTheFileBack();
    void filesThatStayAreListedInTheirWindow();
    void viewLogShowsTheReportModally();
};

namespace {

// Acts on a dialog of the main window once it is on screen: a modal one is
// shown by a loop the test enters right after. A dialog that never comes up
// leaves `acted` false; a modal loop still running after ten seconds is
// closed so that the test ends.
class DialogDriver {
public:
    DialogDriver(GuiHarness& h, const char* name, std::function<void(QDialog*)> act)
        : act_(std::move(act)) {
        deadline_.start();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, &h, name] {
            auto* dialog = h.Window().findChild<QDialog*>(QString::fromLatin1(name));
            if (dialog != nullptr && dialog->isVisible()) {
                timer_.stop();
                acted = true;
                act_(dialog);
            } else if (deadline_.elapsed() > 10000) {
                timer_.stop();
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->close();
                }
            }
        });
        timer_.start();
    }
    ~DialogDriver() { timer_.stop(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool acted = false;

private:
    std::function<void(QDialog*)> act_;
    QTimer timer_;
    QElapsedTimer deadline_;
};

// Scans with the memory scan off and goes on to the removal page.
void ScanAndContinue(GuiHarness& h) {
    QTest::mouseClick(h.Find<QPushButton>("cmdScanNow"), Qt::LeftButton);
    GuiHarness::Settle();
    QTest::mouseClick(h.Find<QPushButton>("cmdRemove"), Qt::LeftButton);
    GuiHarness::Settle();
}

bool Shown(const GuiHarness& h, std::string_view title) {
    for (const auto& box : h.shown) {
        if (box.title == title) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RemovalGuiTest::initTestCase() {
    SilencePlatformMessages();
}

void RemovalGuiTest::cleanupTestCase() {
    RestorePlatformMessages();
}

void RemovalGuiTest::deleteQuarantinesAndRestorePutsTheFileBack() {
    GuiHarness h;
    const fs::path planted = h.machine.PlantFile("C:\\WINDOWS\\bad.txt", "spy");
    h.WriteDefinitions({"bad.txt=Bad|[wDir]"});
    QVERIFY(h.Start());
    h.Form().Settings().SaveCheck(kOptionAndSettings, keys::kChkSweepMemory, false);
    ScanAndContinue(h);
    auto* list = h.Find<QTreeWidget>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    QCOMPARE(list->topLevelItemCount(), 1);

    QTest::mouseClick(h.Find<QPushButton>("cmdSelectAll"), Qt::LeftButton);
    h.Expect("Are you sure you want to delete the selected files?", ui::MsgResult::kYes);
    QTest::mouseClick(h.Find<QPushButton>("Command4"), Qt::LeftButton);
    GuiHarness::Settle();
    QVERIFY(h.script.empty());
    QVERIFY(h.unexpected.empty());
    QVERIFY(Shown(h, "Really Delete?"));
    QVERIFY(!fs::exists(planted));
    QCOMPARE(ReadBytes(h.machine.Home() / "quarantine" / "bad.txt"), "spy");
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(h.Find<QWidget>("frmResults")->isVisible());
    QVERIFY(h.Find<QProgressBar>("pgbDeleteSpywaresFound")->isHidden());
    QVERIFY(!h.Find<QDialog>("frmDelete")->isVisible());

    // Quarantine > Restore...: the file is chosen in the list and put back.
    QStringList headings, row;
    DialogDriver driver(h, "frmRestore", [&](QDialog* dialog) {
        auto* files = dialog->findChild<QTreeWidget*>(QStringLiteral("lstQuarantine"));
        for (int c = 0; c < files->columnCount(); ++c) {
            headings << files->headerItem()->text(c);
            row << files->topLevelItem(0)->text(c);
        }
        files->setCurrentItem(files->topLevelItem(0));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdRestore")),
                          Qt::LeftButton);
    });
    h.Expect("bad.txt was restored to C:\\WINDOWS\\bad.txt", ui::MsgResult::kOk);
    h.Find<QAction>("mnuQuarItem2")->trigger();
    QVERIFY(driver.acted);
    QVERIFY(h.script.empty());
    QVERIFY(h.unexpected.empty());
    QCOMPARE(headings, QStringList({QStringLiteral("File"), QStringLiteral("Original Location"),
                                    QStringLiteral("Quarantined")}));
    QCOMPARE(row.value(0), QStringLiteral("bad.txt"));
    QCOMPARE(row.value(1), QStringLiteral("C:\\WINDOWS\\bad.txt"));
    QVERIFY(!row.value(2).isEmpty());
    QCOMPARE(ReadBytes(planted), "spy");
    QVERIFY(!fs::exists(h.machine.Home() / "quarantine" / "bad.txt"));

    // Nothing left to restore: said so, no list.
    h.Expect("The quarantine folder holds no files.", ui::MsgResult::kOk);
    h.Find<QAction>("mnuQuarItem2")->trigger();
    QVERIFY(h.script.empty());
}

void RemovalGuiTest::filesThatStayAreListedInTheirWindow() {
    GuiHarness h;
    const fs::path planted = h.machine.PlantFile("C:\\Locked\\stuck.txt", "s");
    h.WriteDefinitions({"stuck.txt=Stuck|C:\\Locked"});
    QVERIFY(h.Start());
    h.Form().Settings().SaveCheck(kOptionAndSettings, keys::kChkSweepMemory, false);
    ScanAndContinue(h);

    // The removal's progress as the page shows it when the window comes up.
    auto& f = h.Form();
    bool barShown = false;
    QString removing, caption;
    const size_t slot = f.frmDelete.Observe([&] {
        if (f.frmDelete.Visible() && removing.isEmpty()) {
            // What the next drawing shows: the page as of the pending events.
            h.Window().Bindings().FlushLists();
            barShown = !h.Find<QProgressBar>("pgbDeleteSpywaresFound")->isHidden();
            removing = h.Find<QLabel>("lblDeletingPercentageCompleted")->text();
            caption = h.Find<QLabel>("lblDeletingCaption")->text();
        }
    });
    // A folder without write bits: nothing in it can be deleted.
    const fs::path folder = planted.parent_path();
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    QTest::mouseClick(h.Find<QPushButton>("cmdSelectAll"), Qt::LeftButton);
    h.Expect("Are you sure you want to delete", ui::MsgResult::kYes);
    QTest::mouseClick(h.Find<QPushButton>("Command4"), Qt::LeftButton);
    fs::permissions(folder, fs::perms::owner_all);
    f.frmDelete.Unobserve(slot);
    GuiHarness::Settle();
    QVERIFY(h.unexpected.empty());
    QVERIFY(fs::exists(planted));
    QVERIFY(barShown);
    QCOMPARE(removing, QStringLiteral("Removing : 100% Completed."));
    QCOMPARE(caption, QStringLiteral("c:\\locked\\stuck.txt"));

    auto* dialog = h.Find<QDialog>("frmDelete");
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Files Not Deleted"));
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("Label1"))
                ->text()
                .startsWith(QStringLiteral("The following files could not be deleted.")));
    auto* problems = dialog->findChild<QTreeWidget*>(QStringLiteral("lstProblem"));
    QCOMPARE(problems->headerItem()->text(0), QStringLiteral("Location"));
    QCOMPARE(problems->topLevelItemCount(), 1);
    QCOMPARE(problems->topLevelItem(0)->text(0), QStringLiteral("C:\\Locked\\stuck.txt"));

    // "Copy List": one line per file.
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("C:\\Locked\\stuck.txt\n"));

    // "Ok" hides the window; so does its close box.
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QVERIFY(!f.frmDelete.Visible());
    f.frmDelete.Show();
    QVERIFY(dialog->isVisible());
    dialog->close();
    QVERIFY(!dialog->isVisible());
    QVERIFY(!f.frmDelete.Visible());
}

void RemovalGuiTest::viewLogShowsTheReportModally() {
    GuiHarness h;
    h.machine.PlantFile("C:\\WINDOWS\\bad.txt", "spy");
    h.WriteDefinitions({"bad.txt=Bad|[wDir]"});
    QVERIFY(h.Start());
    h.Form().Settings().SaveCheck(kOptionAndSettings, keys::kChkSweepMemory, false);
    QVERIFY(h.Form().chkMakeLog.Checked());
    ScanAndContinue(h);

    // "View Log" on the removal page; the report's OK closes it.
    QString text, title;
    bool modal = false;
    DialogDriver byButton(h, "frmReport", [&](QDialog* dialog) {
        text = dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtReport"))->toPlainText();
        title = dialog->windowTitle();
        modal = dialog->isModal();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOk")), Qt::LeftButton);
    });
    QTest::mouseClick(h.Find<QPushButton>("cmdLog"), Qt::LeftButton);
    QVERIFY(byButton.acted);
    QVERIFY(modal);
    QCOMPARE(title, QStringLiteral("Quellon Pro Log"));
    QVERIFY(text.contains(QStringLiteral("[Threats Detected]")));
    QVERIFY(text.contains(QStringLiteral("C:\\WINDOWS\\bad.txt")));
    QVERIFY(!h.Form().frmReport.Visible());
    QVERIFY(!h.Find<QDialog>("frmReport")->isVisible());

    // "Show Report" on the status page; closed with its close box.
    QTest::mouseClick(h.Find<QPushButton>("cmdStatus"), Qt::LeftButton);
    auto* link = h.Find<QToolButton>("lblViewLogFile");
    QVERIFY(link->isVisible());
    bool linkEnabled = true;
    DialogDriver byLink(h, "frmReport", [&](QDialog* dialog) {
        linkEnabled = h.Form().lblViewLogFile.Enabled();
        dialog->close();
    });
    QTest::mouseClick(link, Qt::LeftButton);
    QVERIFY(byLink.acted);
    QVERIFY(!linkEnabled);
    QVERIFY(!h.Form().frmReport.Visible());
    QVERIFY(h.Form().lblViewLogFile.Enabled());
    QVERIFY(h.unexpected.empty());
}

int RunRemovalGuiTests(int argc, char** argv) {
    RemovalGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quellon::testing

#include "removal_gui_test.moc"
