// The four pages of the main window and the panels of the option page.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/page_lines.h"
#include "gui/qt/date_picker.h"
#include "gui/qt/main_window.h"

namespace quellon::gui {
namespace {

// The column that holds one option tab's groups.
QVBoxLayout* TabColumn(QWidget* panel) {
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(12);
    return column;
}

QLabel* Caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void Bold(QWidget* widget, int grow = 0) {
    QFont font = widget->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + grow);
    widget->setFont(font);
}

// A label whose text may be long: it never widens the window.
void Elastic(QLabel* label) {
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(40);
}

QFrame* Panel() {
    auto* panel = new QFrame;
    panel->setFrameShape(QFrame::StyledPanel);
    return panel;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretchAfter = true) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    for (QWidget* w : widgets) {
        row->addWidget(w);
    }
    if (stretchAfter) {
        row->addStretch(1);
    }
    return row;
}

}  // namespace

QWidget* MainWindow::BuildStatusPage() {
    auto& f = form_;
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    QLabel* welcome = bind_.Label(f.Label22, QStringLiteral("Label22"));
    QFont font = welcome->font();
    font.setPointSize(font.pointSize() + 2);
    welcome->setFont(font);
    column->addWidget(welcome);

    auto* panel = Panel();
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(8);
    QLabel* heading = bind_.Label(f.lblDefCaption, QStringLiteral("lblDefCaption"));
    Bold(heading, 1);
    grid->addWidget(heading, 0, 0, 1, 2);
    int r = 1;
    for (const app::LabelLine& line : app::DefinitionLines(f)) {
        grid->addWidget(Caption(QString::fromLatin1(line.caption)), r, 0);
        QLabel* value = bind_.Label(line.value, QString::fromLatin1(line.name));
        Bold(value);
        grid->addWidget(value, r, 1);
        ++r;
    }
    // The report of the last scan, under its date.
    QToolButton* report = bind_.LinkButton(f.lblViewLogFile, QStringLiteral("lblViewLogFile"));
    report->setStyleSheet(
        QStringLiteral("QToolButton { color: palette(link); border: none; padding: 0; }"
                       "QToolButton:hover { text-decoration: underline; }"
                       "QToolButton:disabled { color: palette(mid); }"));
    grid->addWidget(report, r, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, 180);
    column->addWidget(panel);

    // What guards the computer now, as the option page has it.
    auto* guard = Panel();
    auto* guardGrid = new QGridLayout(guard);
    guardGrid->setContentsMargins(16, 12, 16, 12);
    guardGrid->setHorizontalSpacing(24);
    guardGrid->setVerticalSpacing(8);
    QLabel* guardHeading = Caption(QStringLiteral("Protection"));
    Bold(guardHeading, 1);
    guardGrid->addWidget(guardHeading, 0, 0, 1, 2);
    // A background task's line: on or off, and whether it runs now.
    r = 1;
    for (const app::Guard& g : app::Guards(f)) {
        guardGrid->addWidget(Caption(QString::fromLatin1(g.caption)), r, 0);
        auto* state = new QLabel;
        state->setObjectName(QStringLiteral("guard%1").arg(r));
        Bold(state);
        auto show = [&f, g, state] {
            const app::GuardText line = app::ShowGuard(f, g);
            state->setText(QString::fromLatin1(line.text.data(), int(line.text.size())));
            state->setStyleSheet(
                line.state == app::GuardState::kOff  ? QStringLiteral("color: #8a8a8a;")
                : line.state == app::GuardState::kOn ? QStringLiteral("color: #1e7b34;")
                                                     : QStringLiteral("color: #9a6a00;"));
        };
        for (ui::Observable* source : app::GuardSources(f, g)) {
            bind_.Watch(*source, show);
        }
        guardGrid->addWidget(state, r, 1);
        ++r;
    }
    // The stored schedule and its next scan.
    guardGrid->addWidget(Caption(QStringLiteral("Schedule")), r, 0);
    QLabel* schedule = bind_.Label(f.lblSchedule, QStringLiteral("lblSchedule"));
    Bold(schedule);
    Elastic(schedule);
    guardGrid->addWidget(schedule, r, 1);
    guardGrid->setColumnStretch(1, 1);
    guardGrid->setColumnMinimumWidth(0, 180);
    column->addWidget(guard);

    QPushButton* website = bind_.PushButton(f.cmdWebsite, QStringLiteral("cmdWebsite"));
    column->addLayout(Row({website}));
    column->addStretch(1);
    return Page(f.frmStatus, QStringLiteral("frmStatus"), body);
}

QWidget* MainWindow::BuildScanPage() {
    auto& f = form_;
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    QPushButton* start = bind_.PushButton(f.cmdScanNow, QStringLiteral("cmdScanNow"));
    QPushButton* stop = bind_.PushButton(f.cmdStop, QStringLiteral("cmdStop"));
    QPushButton* pause = bind_.PushButton(f.cmdPause, QStringLiteral("cmdPause"));
    for (QPushButton* b : {start, stop, pause}) {
        b->setMinimumSize(100, 32);
    }
    Bold(start);
    column->addLayout(Row({start, stop, pause}));

    // The counters, in two columns.
    auto* counters = Panel();
    auto* grid = new QGridLayout(counters);
    grid->setContentsMargins(16, 10, 16, 10);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(6);
    const auto list = app::ScanCounters(f);
    for (int i = 0; i < 6; ++i) {
        const int row = i % 3;
        const int col = (i / 3) * 3;
        grid->addWidget(Caption(QString::fromLatin1(list[i].caption)), row, col);
        QLabel* value = bind_.Label(list[i].value, QString::fromLatin1(list[i].name));
        Bold(value);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(90);
        grid->addWidget(value, row, col + 1);
    }
    grid->setColumnMinimumWidth(2, 56);
    grid->setColumnStretch(6, 1);
    column->addWidget(counters);

    // Progress: the phase text, the three bars, the two-line status.
    QLabel* phase = bind_.Label(f.lblPercentageCompleted, QStringLiteral("lblPercentageCompleted"));
    Bold(phase);
    Elastic(phase);
    column->addWidget(phase);
    auto* bars = new QGridLayout;
    bars->setHorizontalSpacing(12);
    bars->setVerticalSpacing(6);
    int r = 0;
    for (const app::BarLine& bar : app::ScanBars(f)) {
        QLabel* caption = Caption(QString::fromLatin1(bar.caption));
        bind_.Control(bar.model, caption);
        bars->addWidget(caption, r, 0);
        QProgressBar* widget = bind_.Progress(bar.model, QString::fromLatin1(bar.name));
        widget->setFixedHeight(bar.thin ? 8 : 16);
        bars->addWidget(widget, r, 1);
        ++r;
    }
    bars->setColumnStretch(1, 1);
    column->addLayout(bars);

    QLabel* status = bind_.Label(f.lblStatus, QStringLiteral("lblStatus"));
    Elastic(status);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status->setFixedHeight(status->fontMetrics().lineSpacing() * 2 + 4);
    column->addWidget(status);

    QTreeWidget* found = bind_.List(f.lvwSpywareFound, QStringLiteral("lvwSpywareFound"), false);
    column->addWidget(found, 1);

    QPushButton* next = bind_.PushButton(f.cmdRemove, QStringLiteral("cmdRemove"));
    next->setMinimumHeight(30);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(next);
    column->addLayout(bottom);
    return Page(f.frmScan, QStringLiteral("frmScan"), body);
}

QWidget* MainWindow::BuildResultsPage() {
    auto& f = form_;
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    QLabel* count =
        bind_.Label(f.lblRemovePicSoftwareFound, QStringLiteral("lblRemovePicSoftwareFound"));
    Bold(count);
    column->addLayout(Row({Caption(QStringLiteral("Spyware found:")), count}));
    column->addWidget(
        Caption(QStringLiteral("Tick the items to remove or to exclude from future scans.")));

    QTreeWidget* list =
        bind_.List(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved,
                   QStringLiteral("lvwPicRemoveListOfSpywareFoundAndToBeRemoved"), true);
    list->header()->resizeSection(0, 320);
    column->addWidget(list, 1);

    QPushButton* all = bind_.PushButton(f.cmdSelectAll, QStringLiteral("cmdSelectAll"));
    QPushButton* exclude = bind_.PushButton(f.cmdExclude, QStringLiteral("cmdExclude"));
    QPushButton* remove = bind_.PushButton(f.Command4, QStringLiteral("Command4"));
    QPushButton* log = bind_.PushButton(f.cmdLog, QStringLiteral("cmdLog"));
    for (QPushButton* b : {all, exclude, remove, log}) {
        b->setMinimumSize(96, 30);
    }
    auto* buttons = Row({all, exclude, remove});
    buttons->addWidget(log);
    column->addLayout(buttons);

    // Progress of a removal run, shown only while one runs.
    QLabel* caption = bind_.Label(f.lblDeletingCaption, QStringLiteral("lblDeletingCaption"));
    Elastic(caption);
    column->addWidget(caption);
    QProgressBar* bar =
        bind_.Progress(f.pgbDeleteSpywaresFound, QStringLiteral("pgbDeleteSpywaresFound"));
    QLabel* percent = bind_.Label(f.lblDeletingPercentageCompleted,
                                  QStringLiteral("lblDeletingPercentageCompleted"));
    auto* progress = new QHBoxLayout;
    progress->addWidget(bar, 1);
    progress->addWidget(percent);
    column->addLayout(progress);
    return Page(f.frmResults, QStringLiteral("frmResults"), body);
}

QWidget* MainWindow::BuildOptionsPage() {
    auto& f = form_;
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("TabStrip1"));
    QWidget* panels[] = {BuildScanOptionsTab(), BuildScheduleTab(), BuildProtectionTab(),
                         BuildUpdateTab()};
    for (int i = 0; i < 4; ++i) {
        panels[i]->setObjectName(QStringLiteral("frmView%1").arg(i));
        tabs->addTab(panels[i], QString());
    }
    bind_.Tabs(f.TabStrip1, tabs);
    return Page(f.frmOptions, QStringLiteral("frmOptions"), tabs);
}

QWidget* MainWindow::BuildScanOptionsTab() {
    auto& f = form_;
    auto* panel = new QWidget;
    auto* column = TabColumn(panel);

    auto* areas = new QGroupBox(QStringLiteral("What to scan"));
    auto* areaList = new QVBoxLayout(areas);
    areaList->addWidget(bind_.CheckBox(f.chkSweepMemory, QStringLiteral("chkSweepMemory")));
    areaList->addWidget(bind_.CheckBox(f.chkScanRegistry, QStringLiteral("chkScanRegistry")));
    areaList->addWidget(bind_.CheckBox(f.chkScanCookies, QStringLiteral("chkScanCookies")));
    column->addWidget(areas);

    auto* type = new QGroupBox(QStringLiteral("Scan type"));
    auto* typeList = new QVBoxLayout(type);
    typeList->addWidget(
        bind_.Option(f.optScanOnlyKnownSoftwares, QStringLiteral("optScanOnlyKnownSoftwares")));
    typeList->addWidget(
        bind_.Option(f.optScanAllSelectedHardDrive, QStringLiteral("optScanAllSelectedHardDrive")));
    QTreeWidget* drives = bind_.List(f.lvwHardDrives, QStringLiteral("lvwHardDrives"), true);
    drives->setMaximumHeight(110);
    typeList->addWidget(drives);
    column->addWidget(type);

    auto* general = new QGroupBox(QStringLiteral("General"));
    auto* generalList = new QVBoxLayout(general);
    generalList->addWidget(bind_.CheckBox(f.chkMakeLog, QStringLiteral("chkMakeLog")));
    generalList->addWidget(bind_.CheckBox(f.chkRunAtStartup, QStringLiteral("chkRunAtStartup")));
    column->addWidget(general);
    column->addStretch(1);
    return panel;
}

QWidget* MainWindow::BuildScheduleTab() {
    auto& f = form_;
    auto* panel = new QWidget;
    auto* column = TabColumn(panel);
    column->addWidget(
        bind_.CheckBox(f.chkAutomaticScanYesOrNo, QStringLiteral("chkAutomaticScanYesOrNo")));

    auto* when = new QGroupBox(QStringLiteral("When to scan"));
    auto* form = new QFormLayout(when);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Day:"), bind_.Combo(f.cmbDays, QStringLiteral("cmbDays")));
    form->addRow(QStringLiteral("Date:"), BindPicker(bind_, f.dtpScheduleDate, PickerKind::kDate,
                                                     QStringLiteral("dtpScheduleDate")));
    form->addRow(QStringLiteral("Time:"), BindPicker(bind_, f.dtpScheduleTime, PickerKind::kTime,
                                                     QStringLiteral("dtpScheduleTime")));
    column->addWidget(when);
    QLabel* note = Caption(QStringLiteral(
        "A scheduled scan runs while this window is minimised or in the tray; it waits while "
        "the window is shown. Apply stores the schedule."));
    note->setWordWrap(true);
    column->addWidget(note);

    QPushButton* apply = bind_.PushButton(f.CmdProceed, QStringLiteral("CmdProceed"));
    QPushButton* reset = bind_.PushButton(f.cmdDefaultSetting, QStringLiteral("cmdDefaultSetting"));
    for (QPushButton* b : {apply, reset}) {
        b->setMinimumSize(90, 30);
    }
    column->addLayout(Row({apply, reset}));
    column->addWidget(bind_.CheckBox(f.chkAutoDel, QStringLiteral("chkAutoDel")));
    column->addStretch(1);
    return panel;
}

QWidget* MainWindow::BuildProtectionTab() {
    auto& f = form_;
    auto* panel = new QWidget;
    auto* column = TabColumn(panel);

    auto* memory = new QGroupBox(QStringLiteral("Memory Shield"));
    auto* memoryList = new QVBoxLayout(memory);
    memoryList->addWidget(Caption(
        QStringLiteral("Watches the running programs and warns when a listed one starts.")));
    memoryList->addWidget(bind_.CheckBox(f.chkAutoProtect, QStringLiteral("chkAutoProtect")));
    auto* memoryOptions = new QHBoxLayout;
    memoryOptions->addWidget(
        bind_.Option(f.optMemorySheildOn, QStringLiteral("optMemorySheildOn")));
    memoryOptions->addWidget(
        bind_.Option(f.optMemorySheildOff, QStringLiteral("optMemorySheildOff")));
    memoryOptions->addStretch(1);
    memoryList->addLayout(memoryOptions);
    column->addWidget(memory);

    auto* home = new QGroupBox(QStringLiteral("Home Page Shield"));
    auto* homeList = new QVBoxLayout(home);
    homeList->addWidget(
        Caption(QStringLiteral("Watches the browser's home page and notices when it is changed.")));
    homeList->addWidget(bind_.CheckBox(f.chkHomePage, QStringLiteral("chkHomePage")));
    auto* homeOptions = new QHBoxLayout;
    homeOptions->addWidget(
        bind_.Option(f.optIEHomePageSheildOn, QStringLiteral("optIEHomePageSheildOn")));
    homeOptions->addWidget(
        bind_.Option(f.optIEHomePageSheildOff, QStringLiteral("optIEHomePageSheildOff")));
    homeOptions->addStretch(1);
    homeList->addLayout(homeOptions);
    homeList->addSpacing(4);
    homeList->addWidget(Caption(QStringLiteral("When the home page has been changed:")));
    homeList->addWidget(bind_.Option(f.optAlwaysnotifybeforerestoring,
                                     QStringLiteral("optAlwaysnotifybeforerestoring")));
    homeList->addWidget(bind_.Option(f.optRestoredefaultwithoutnotification,
                                     QStringLiteral("optRestoredefaultwithoutnotification")));
    column->addWidget(home);
    column->addStretch(1);
    return panel;
}

QWidget* MainWindow::BuildUpdateTab() {
    auto& f = form_;
    auto* panel = new QWidget;
    auto* column = TabColumn(panel);
    column->addWidget(Caption(QStringLiteral(
        "Live Update keeps the definition files current from the maker's web site.")));
    column->addWidget(bind_.CheckBox(f.chkAutomaticUpdate, QStringLiteral("chkAutomaticUpdate")));
    QPushButton* update = bind_.PushButton(f.cmdLiveUpdate, QStringLiteral("cmdLiveUpdate"));
    update->setMinimumHeight(32);
    column->addLayout(Row({update}));
    column->addWidget(bind_.Label(f.lblLastUpdate, QStringLiteral("lblLastUpdate")));
    column->addStretch(1);
    return panel;
}

}  // namespace quellon::gui
