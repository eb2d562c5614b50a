// The main window driven through its real widgets on the offscreen platform.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLockFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "gui_harness.h"
#include "support/test_machine.h"

namespace quellon::testing {

using settings::kOptionAndSettings;
using settings::kSettings;
namespace keys = settings::keys;

class MainWindowGuiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void freshProfileShowsTheDefaultsOnTheOptionPage();
    void quickScanIsSelectedAtEveryStart();
    void startRunsAScanToTheEnd();
    void stopAndPauseWorkWhileTheScanRuns();
    void excludeWritesTwoLinesPerTickedRow();
    void aSecondInstanceEndsSilently();
    void exitPathsLeaveTheirRunState();
    void minimisingSwitchesTheTimersAndTheTrayComesBack();
    void missingDefinitionsDisableScanning();
    void runAtStartupWritesTheAutostartEntry();
    void quarantineMenuOpensTheFolder();
};

void MainWindowGuiTest::initTestCase() {
    SilencePlatformMessages();
}

void MainWindowGuiTest::cleanupTestCase() {
    RestorePlatformMessages();
}

void MainWindowGuiTest::freshProfileShowsTheDefaultsOnTheOptionPage() {
    GuiHarness h;
    h.WriteDefinitions({"a.dll=A"});
    QVERIFY(h.Start());
    QVERIFY(h.program->Loaded());
    QVERIFY(h.Window().isVisible());
    QCOMPARE(h.Window().windowTitle(), QStringLiteral("Quellon Pro by Quellon Software"));
    QVERIFY(h.Find<QWidget>("frmStatus")->isVisibleTo(&h.Window()));
    QCOMPARE(h.Find<QLabel>("Label22")->text(), QStringLiteral("Welcome to Quellon Pro"));
    QCOMPARE(h.Find<QLabel>("frmStatusTitle")->text(), QStringLiteral("Quellon Pro Status"));
    // The protection lines say what runs now, and why what is on does not.
    QCOMPARE(h.Find<QLabel>("guard1")->text(),
             QStringLiteral("On, paused while this window is shown"));
    QCOMPARE(h.Find<QLabel>("guard2")->text(), QStringLiteral("On"));
    QCOMPARE(h.Find<QLabel>("guard3")->text(), QStringLiteral("Off"));
    {
        auto& form = h.program->Form();
        form.tmrCheckHomePage.SetEnabled(false);
        form.frmHomePageChangedAlert.SetVisible(true);
        QCOMPARE(h.Find<QLabel>("guard2")->text(),
                 QStringLiteral("On, paused while an alert waits"));
        form.frmHomePageChangedAlert.SetVisible(false);
        form.tmrCheckHomePage.SetEnabled(true);
        GuiHarness::Settle();
    }

    QTest::mouseClick(h.Find<QPushButton>("cmdSettings"), Qt::LeftButton);
    GuiHarness::Settle();
    QVERIFY(h.Find<QWidget>("frmOptions")->isVisible());
    QVERIFY(!h.Find<QWidget>("frmStatus")->isVisible());
    for (const char* on : {"chkMakeLog", "chkSweepMemory", "chkScanRegistry", "chkScanCookies",
                           "chkAutoProtect", "chkHomePage"}) {
        QVERIFY2(h.Find<QCheckBox>(on)->isChecked(), on);
    }
    for (const char* off :
         {"chkRunAtStartup", "chkAutomaticScanYesOrNo", "chkAutomaticUpdate", "chkAutoDel"}) {
        QVERIFY2(!h.Find<QCheckBox>(off)->isChecked(), off);
    }
    for (const char* on : {"optMemorySheildOn", "optIEHomePageSheildOn",
                           "optAlwaysnotifybeforerestoring", "optScanOnlyKnownSoftwares"}) {
        QVERIFY2(h.Find<QRadioButton>(on)->isChecked(), on);
    }
    for (const char* off :
         {"optMemorySheildOff", "optIEHomePageSheildOff", "optRestoredefaultwithoutnotification",
          "optScanAllSelectedHardDrive"}) {
        QVERIFY2(!h.Find<QRadioButton>(off)->isChecked(), off);
    }
    QCOMPARE(h.Find<QCheckBox>("chkRunAtStartup")->text(),
             QStringLiteral("Run at Startup and protect my computer automatically"));
    QCOMPARE(h.Find<QRadioButton>("optAlwaysnotifybeforerestoring")->text(),
             QStringLiteral("Ask me what I would like to do"));
    // Scheduled scans off: their pickers are greyed out.
    QTest::mouseClick(h.Find<QPushButton>("cmdSettings"), Qt::LeftButton);
    for (const char* off : {"cmbDays", "dtpScheduleDate", "dtpScheduleTime"}) {
        QVERIFY2(!h.Find<QWidget>(off)->isEnabled(), off);
    }
    auto* tabs = h.Find<QTabWidget>("TabStrip1");
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->tabText(2), QStringLiteral("Proactive System Protection"));
    // Every drive is ticked.
    GuiHarness::Settle();
    auto* drives = h.Find<QTreeWidget>("lvwHardDrives");
    QCOMPARE(drives->topLevelItemCount(), 1);
    QCOMPARE(drives->topLevelItem(0)->text(0), QStringLiteral("Drive C: Fixed Disk"));
    QCOMPARE(drives->topLevelItem(0)->checkState(0), Qt::Checked);
    QVERIFY(h.unexpected.empty());
    drives->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QCOMPARE(h.Stored(settings::kDrives, "Drive C: Fixed Disk"), "False");

    // A user's change goes through the model's handler into the store.
    GuiHarness::Tick(h.Find<QCheckBox>("chkHomePage"));
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kOptIEHomePageSheildOn), "False");
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kOptIEHomePageSheildOff), "True");
    QVERIFY(!h.Find<QRadioButton>("optAlwaysnotifybeforerestoring")->isEnabled());
    QVERIFY(!h.Form().tmrCheckHomePage.Enabled());
}

void MainWindowGuiTest::quickScanIsSelectedAtEveryStart() {
    GuiHarness h;
    h.WriteDefinitions();
    QVERIFY(h.Start());
    auto& store = h.Form().Settings();
    store.SaveOption(kOptionAndSettings, keys::kOptScanAllSelectedHardDrive, true);
    store.SaveOption(kOptionAndSettings, keys::kOptScanOnlyKnownSoftwares, false);
    QVERIFY(h.Start());
    h.Form().cmdSettings.Click();
    GuiHarness::Settle();
    QVERIFY(h.Find<QRadioButton>("optScanOnlyKnownSoftwares")->isChecked());
    QVERIFY(!h.Find<QRadioButton>("optScanAllSelectedHardDrive")->isChecked());
    QVERIFY(h.Find<QTreeWidget>("lvwHardDrives")->isHidden());
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kOptScanOnlyKnownSoftwares), "True");

    // Choosing the complete scan shows the drives; a click on the chosen
    // button keeps it chosen.
    auto* complete = h.Find<QRadioButton>("optScanAllSelectedHardDrive");
    GuiHarness::Tick(complete);
    GuiHarness::Settle();
    GuiHarness::Tick(complete);
    QVERIFY(complete->isChecked());
    QVERIFY(!h.Find<QRadioButton>("optScanOnlyKnownSoftwares")->isChecked());
    QVERIFY(!h.Find<QTreeWidget>("lvwHardDrives")->isHidden());
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kOptScanAllSelectedHardDrive), "True");

    QVERIFY(h.Start());
    QVERIFY(h.Find<QRadioButton>("optScanOnlyKnownSoftwares")->isChecked());
    QVERIFY(h.Find<QTreeWidget>("lvwHardDrives")->isHidden());
}

void MainWindowGuiTest::startRunsAScanToTheEnd() {
    GuiHarness h;
    h.machine.PlantFile("C:\\WINDOWS\\a.dll", "x");
    h.machine.PlantFile("C:\\Documents and Settings\\User\\Cookies\\user@ads[1].txt",
                        "ads.example/\n");
    h.WriteDefinitions({"a.dll=Foo|[wDir]", "b.dll=Bar|[wDir]"}, {}, {}, {"ads.example"});
    QVERIFY(h.Start());
    h.Form().Settings().SaveCheck(kOptionAndSettings, keys::kChkSweepMemory, false);
    auto* start = h.Find<QPushButton>("cmdScanNow");
    QTest::mouseClick(start, Qt::LeftButton);
    // Labels take over their texts when pending events run.
    GuiHarness::Settle();
    QVERIFY(h.Find<QWidget>("frmScan")->isVisible());
    QCOMPARE(h.Find<QLabel>("lblStatus")->text(), QStringLiteral("Scanning complete."));
    QCOMPARE(h.Find<QLabel>("lblFilesFolderInspected")->text(), QStringLiteral("2"));
    QCOMPARE(h.Find<QLabel>("lblMemoryInspected")->text(), QStringLiteral("Not Selected"));
    QCOMPARE(h.Find<QProgressBar>("pb2")->value(), 100);
    QVERIFY(start->isEnabled());
    QVERIFY(!h.Find<QPushButton>("cmdStop")->isEnabled());
    QVERIFY(h.Find<QPushButton>("cmdRemove")->isVisible());

    GuiHarness::Settle();
    auto* found = h.Find<QTreeWidget>("lvwSpywareFound");
    QCOMPARE(found->topLevelItemCount(), 2);
    QCOMPARE(found->headerItem()->text(0), QStringLiteral("Spyware/Adware Found"));
    QCOMPARE(found->topLevelItem(1)->text(0), QStringLiteral("Foo - Found"));
    auto* removal = h.Find<QTreeWidget>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    QCOMPARE(removal->columnCount(), 2);
    QCOMPARE(removal->headerItem()->text(1), QStringLiteral("Location"));
    QCOMPARE(removal->topLevelItem(1)->text(1), QStringLiteral("C:\\WINDOWS\\a.dll"));
    // Cookie and file rows carry different icons.
    const QImage cookie = removal->topLevelItem(0)->icon(0).pixmap(16).toImage();
    const QImage file = removal->topLevelItem(1)->icon(0).pixmap(16).toImage();
    QVERIFY(!cookie.isNull() && !file.isNull());
    QVERIFY(cookie != file);

    // "Click Here to Continue" leads to the removal page.
    QTest::mouseClick(h.Find<QPushButton>("cmdRemove"), Qt::LeftButton);
    QVERIFY(h.Find<QWidget>("frmResults")->isVisible());
    QCOMPARE(h.Find<QLabel>("lblRemovePicSoftwareFound")->text(), QStringLiteral("2"));
    QVERIFY(h.Find<QProgressBar>("pgbDeleteSpywaresFound")->isHidden());
    QVERIFY(h.unexpected.empty());
}

void MainWindowGuiTest::stopAndPauseWorkWhileTheScanRuns() {
    GuiHarness h;
    std::string lines;
    for (int i = 0; i < 4000; ++i) {
        lines += definitions::EncodeDefinitionLine("f" + std::to_string(i) + ".dll=Spy") + "\r\n";
    }
    h.WriteDefinitions();
    h.machine.HomeFile("FileDefinition.dat", lines);
    QVERIFY(h.Start());
    for (auto key : {keys::kChkSweepMemory, keys::kChkScanCookies, keys::kChkScanRegistry}) {
        h.Form().Settings().SaveCheck(kOptionAndSettings, key, false);
    }
    // Pending events run every 64th item, so that both presses land inside
    // the scan however fast it is.
    h.program->Host().SetEventSlice(std::chrono::milliseconds(0));
    auto* start = h.Find<QPushButton>("cmdScanNow");
    auto* stop = h.Find<QPushButton>("cmdStop");
    auto* pause = h.Find<QPushButton>("cmdPause");

    // Pressed while the scan runs: Pause (answered OK), then Stop (Yes).
    h.Expect("Quellon Pro has been paused.  Click OK to resume.", ui::MsgResult::kOk);
    h.Expect("Are you sure you want to stop the scan?", ui::MsgResult::kYes);
    bool startEnabledDuringScan = true;
    auto* inspected = h.Find<QLabel>("lblFilesFolderInspected");
    QString inspectedAtStop;
    int step = 0;
    QTimer presser;
    presser.setInterval(0);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (h.Form().cmdScan.Enabled()) {
            return;  // not scanning yet
        }
        startEnabledDuringScan = start->isEnabled();
        if (step == 0) {
            QTest::mouseClick(pause, Qt::LeftButton);
            ++step;
        } else if (inspected->text() != QStringLiteral("0")) {
            // The counter moves on screen while the scan runs.
            inspectedAtStop = inspected->text();
            QTest::mouseClick(stop, Qt::LeftButton);
            ++step;
            presser.stop();
        }
    });
    presser.start();
    QTest::mouseClick(start, Qt::LeftButton);
    presser.stop();
    GuiHarness::Settle();

    QCOMPARE(step, 2);
    QVERIFY(!startEnabledDuringScan);
    QVERIFY(inspectedAtStop.toInt() >= 100);
    QVERIFY(h.script.empty());
    QVERIFY(h.unexpected.empty());
    QCOMPARE(h.shown.back().style, ui::kYesNo | ui::kQuestion);
    QCOMPARE(h.shown.back().title, "Quellon Pro");
    QCOMPARE(h.Find<QLabel>("lblStatus")->text(), QStringLiteral("Scanning was cancelled."));
    QCOMPARE(h.Find<QLabel>("lblPercentageCompleted")->text(), QStringLiteral("0% complete."));
    QCOMPARE(h.Find<QProgressBar>("pbgMain")->value(), 0);
    QVERIFY(h.Form().Session().counters.FilesFoldersInspected < 4000);
    QVERIFY(start->isEnabled());
    QVERIFY(!stop->isEnabled());
    QVERIFY(!pause->isEnabled());
}

void MainWindowGuiTest::excludeWritesTwoLinesPerTickedRow() {
    GuiHarness h;
    h.machine.PlantFile("C:\\WINDOWS\\a.dll", "x");
    h.machine.PlantFile("C:\\WINDOWS\\b.dll", "x");
    h.WriteDefinitions({"a.dll=Foo|[wDir]", "b.dll=Bar|[wDir]"});
    QVERIFY(h.Start());
    h.Form().Settings().SaveCheck(kOptionAndSettings, keys::kChkSweepMemory, false);
    QTest::mouseClick(h.Find<QPushButton>("cmdScanNow"), Qt::LeftButton);
    GuiHarness::Settle();
    QTest::mouseClick(h.Find<QPushButton>("cmdResults"), Qt::LeftButton);
    GuiHarness::Settle();
    auto* list = h.Find<QTreeWidget>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("Bar"));
    // The user ticks the second row.
    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QVERIFY(h.Form().lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Item(1).checked);
    QVERIFY(h.Form().lvwFilesToBeDeleted.Item(1).checked);

    h.Expect("Are you sure you want to exclude the selected files?", ui::MsgResult::kYes);
    QTest::mouseClick(h.Find<QPushButton>("cmdExclude"), Qt::LeftButton);
    QVERIFY(h.unexpected.empty());
    QCOMPARE(h.shown.back().title, "Really Exclude?");
    QCOMPARE(h.machine.ReadHome("ENoSignature.txt"), "C:\\WINDOWS\\b.dll\r\nBar\r\n");
    GuiHarness::Settle();
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Foo"));

    // Select All ticks what is left; Exclude adds its two lines.
    QTest::mouseClick(h.Find<QPushButton>("cmdSelectAll"), Qt::LeftButton);
    GuiHarness::Settle();
    QCOMPARE(list->topLevelItem(0)->checkState(0), Qt::Checked);
    h.Expect("Are you sure you want to exclude", ui::MsgResult::kYes);
    QTest::mouseClick(h.Find<QPushButton>("cmdExclude"), Qt::LeftButton);
    QCOMPARE(h.machine.ReadHome("ENoSignature.txt"),
             "C:\\WINDOWS\\b.dll\r\nBar\r\nC:\\WINDOWS\\a.dll\r\nFoo\r\n");
    GuiHarness::Settle();
    QCOMPARE(list->topLevelItemCount(), 0);
}

void MainWindowGuiTest::aSecondInstanceEndsSilently() {
    GuiHarness h;
    h.WriteDefinitions();
    QLockFile first(QString::fromStdString(gui::Program::LockPath(h.machine.Config()).string()));
    QVERIFY(first.tryLock(0));
    QVERIFY(h.Start());
    QVERIFY(h.program->Refused());
    QCOMPARE(h.ends, 1);
    QVERIFY(h.shown.empty());
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kSTATUS), "<absent>");
    GuiHarness::Settle();
    QVERIFY(!h.Window().isVisible());

    // Once the first instance has gone, the program starts.
    first.unlock();
    QVERIFY(h.Start());
    QVERIFY(h.program->Loaded());
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
}

void MainWindowGuiTest::exitPathsLeaveTheirRunState() {
    GuiHarness h;
    h.WriteDefinitions();

    // "X" unloads without touching the run state.
    QVERIFY(h.Start());
    QTest::mouseClick(h.Find<QToolButton>("lblHide"), Qt::LeftButton);
    QCOMPARE(h.ends, 1);
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
    GuiHarness::Settle();
    QVERIFY(!h.Window().isVisible());

    // File "Exit".
    QVERIFY(h.Start());
    h.Find<QAction>("mnuFileExit")->trigger();
    QCOMPARE(h.ends, 2);
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kSTATUS), "STOPPED");
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kRESTART), "False");

    // The system close box.
    QVERIFY(h.Start());
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kSTATUS), "RUNNING");
    h.Window().close();
    QCOMPARE(h.ends, 3);
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kSTATUS), "STOPPED");
    GuiHarness::Settle();
    QVERIFY(!h.Window().isVisible());
}

void MainWindowGuiTest::minimisingSwitchesTheTimersAndTheTrayComesBack() {
    GuiHarness h;
    h.WriteDefinitions();
    QVERIFY(h.Start());
    auto& f = h.Form();
    h.Window().showMinimized();
    GuiHarness::Settle();
    QCOMPARE(f.frmMainWindow.WindowState(), ui::Window::State::kMinimized);
    QVERIFY(f.tmrMemoryInspected.Enabled());
    QVERIFY(!f.tmrScroll.Enabled());
    h.Window().showNormal();
    GuiHarness::Settle();
    QCOMPARE(f.frmMainWindow.WindowState(), ui::Window::State::kNormal);
    QVERIFY(!f.tmrMemoryInspected.Enabled());
    QVERIFY(f.tmrScroll.Enabled());

    QTest::mouseClick(h.Find<QPushButton>("Command5"), Qt::LeftButton);
    GuiHarness::Settle();
    QCOMPARE(h.Stored(kSettings, keys::kMinimized), "Yes");
    QVERIFY(f.trayIcon.Visible());
    if (h.Window().TrayIcon() != nullptr) {
        QVERIFY(!h.Window().isVisible());
        f.OnTrayMessage(0x203);
    } else {
        // No tray here: the window waits minimised on the taskbar.
        QVERIFY(h.Window().isVisible());
        QVERIFY(h.Window().isMinimized());
        h.Window().showNormal();
    }
    GuiHarness::Settle();
    QVERIFY(f.frmMainWindow.Visible());
    QVERIFY(h.Window().isVisible());
    QVERIFY(!h.Window().isMinimized());
    QCOMPARE(h.Stored(kSettings, keys::kMinimized), "No");

    // Sent to the tray, the next start stays there.
    QTest::mouseClick(h.Find<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(h.Start());
    GuiHarness::Settle();
    QVERIFY(!h.Form().frmMainWindow.Visible());
    QVERIFY(!h.Window().isVisible() || h.Window().isMinimized());
}

void MainWindowGuiTest::missingDefinitionsDisableScanning() {
    GuiHarness h;
    h.Expect("Definition files are missing or they have been corrupted, Please run Live Update.",
             ui::MsgResult::kOk);
    QVERIFY(h.Start());
    QVERIFY(h.script.empty());
    QCOMPARE(h.shown.size(), size_t{1});
    QCOMPARE(h.shown[0].style, ui::kOkOnly | ui::kInformation);
    QVERIFY(!h.Find<QPushButton>("cmdScan")->isEnabled());
    QVERIFY(h.Find<QWidget>("frmStatus")->isVisible());
}

void MainWindowGuiTest::runAtStartupWritesTheAutostartEntry() {
    GuiHarness h;
    h.WriteDefinitions();
    QVERIFY(h.Start());
    h.Form().cmdSettings.Click();
    GuiHarness::Settle();
    const auto entry = h.machine.Config() / "autostart" / "quellon-pro.desktop";
    GuiHarness::Tick(h.Find<QCheckBox>("chkRunAtStartup"));
    QCOMPARE(h.Stored(kOptionAndSettings, keys::kChkRunAtStartup), "1");
    QVERIFY(ReadBytes(entry).find("Exec=\"/opt/quellon pro/quellon-pro\"\n") != std::string::npos);
    QVERIFY(ReadBytes(h.machine.Root() / "registry.reg").find("\"quellon-pro\"=") !=
            std::string::npos);
    GuiHarness::Tick(h.Find<QCheckBox>("chkRunAtStartup"));
    QVERIFY(!std::filesystem::exists(entry));
}

void MainWindowGuiTest::quarantineMenuOpensTheFolder() {
    GuiHarness h;
    h.WriteDefinitions();
    QVERIFY(h.Start());
    h.Find<QAction>("mnuQuarItem0")->trigger();
    QCOMPARE(h.opened.size(), size_t{1});
    QVERIFY(h.opened[0].isLocalFile());
    QCOMPARE(std::filesystem::path(h.opened[0].toLocalFile().toStdString()),
             h.machine.Home() / "quarantine");
    QVERIFY(std::filesystem::is_directory(h.machine.Home() / "quarantine"));
    h.Expect("No exclusion file exists yet.", ui::MsgResult::kOk);
    h.Find<QAction>("mnuQuarItem1")->trigger();
    QVERIFY(h.script.empty());
    h.machine.HomeFile("ENoSignature.txt", "x\r\n");
    h.Find<QAction>("mnuQuarItem1")->trigger();
    QCOMPARE(std::filesystem::path(h.opened.back().toLocalFile().toStdString()),
             h.machine.Home() / "ENoSignature.txt");
}

int RunMainWindowGuiTests(int argc, char** argv) {
    MainWindowGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quellon::testing

#include "main_window_gui_test.moc"
