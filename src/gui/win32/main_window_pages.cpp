// The four pages of the main window and the panels of the option page. Places
// are in 96-dpi pixels of the page (kPageWidth by kPageHeight).
#include "gui/win32/main_window.h"

#include <commctrl.h>

#include <string>

#include "app/page_lines.h"
#include "gui/win32/text.h"

namespace quellon::gui::win32 {
namespace {

constexpr int kPageWidth = MainWindow::kClientWidth - (12 + 150 + 14) - 12;
constexpr int kPageHeight = MainWindow::kClientHeight - MainWindow::kBannerHeight - 24;
// The option page's tab control and the place of a tab's panel on the page.
constexpr int kTabsTop = 36;
constexpr int kTabHeader = 28;
constexpr int kTabPanelWidth = kPageWidth - 10;
constexpr int kTabPanelHeight = kPageHeight - kTabsTop - kTabHeader - 6;

constexpr COLORREF kGuardOff = RGB(0x8a, 0x8a, 0x8a);
constexpr COLORREF kGuardOn = RGB(0x1e, 0x7b, 0x34);
constexpr COLORREF kGuardPaused = RGB(0x9a, 0x6a, 0x00);

}  // namespace

void MainWindow::BuildStatusPage(HWND page) {
    auto& f = form_;
    SetStyle(Named("Label22", bind_.Label(f.Label22, page, {0, 34, kPageWidth, 24})), 2, false);

    constexpr int kCaptionX = 16, kCaptionWidth = 160;
    constexpr int kValueX = kCaptionX + kCaptionWidth + 12;
    constexpr int kValueWidth = kPageWidth - kValueX - 16;
    constexpr int kLine = 19;

    // What the definitions are and what was done with them.
    int y = 64;
    GroupBox("", page, {0, y, kPageWidth, 18 + 7 * kLine + 24});
    SetStyle(Named("lblDefCaption",
                   bind_.Label(f.lblDefCaption, page, {kCaptionX, y + 14, kValueWidth, kLine})),
             1, true);
    int row = y + 14 + 24;
    for (const app::LabelLine& line : app::DefinitionLines(f)) {
        bind_.Caption(line.caption, page, {kCaptionX, row, kCaptionWidth, kLine - 2});
        SetStyle(
            Named(line.name, bind_.Label(line.value, page, {kValueX, row, kValueWidth, kLine - 2})),
            0, true);
        row += kLine;
    }
    // The report of the last scan, under its date.
    Named("lblViewLogFile",
          bind_.LinkButton(f.lblViewLogFile, page, {kValueX, row, 120, kLine - 2}));

    // What guards the computer now, as the option page has it.
    y = row + kLine + 10;
    // The schedule's line may take two lines.
    GroupBox("", page, {0, y, kPageWidth, 18 + 8 * kLine + 16});
    SetStyle(bind_.Caption("Protection", page, {kCaptionX, y + 14, kValueWidth, kLine}), 1, true);
    // A background task's line: on or off, and whether it runs now.
    row = y + 14 + 24;
    int number = 1;
    for (const app::Guard& g : app::Guards(f)) {
        bind_.Caption(g.caption, page, {kCaptionX, row, kCaptionWidth, kLine - 2});
        HWND state = Named("guard" + std::to_string(number),
                           bind_.Caption("", page, {kValueX, row, kValueWidth, kLine - 2}));
        SetStyle(state, 0, true);
        auto show = [this, g, state] {
            const app::GuardText line = app::ShowGuard(form_, g);
            colours_[state] = line.state == app::GuardState::kOff  ? kGuardOff
                              : line.state == app::GuardState::kOn ? kGuardOn
                                                                   : kGuardPaused;
            SetWindowTextW(state, Wide(line.text).c_str());
            InvalidateRect(state, nullptr, TRUE);
        };
        for (ui::Observable* source : app::GuardSources(f, g)) {
            bind_.Watch(*source, show);
        }
        row += kLine;
        ++number;
    }
    // The stored schedule and its next scan.
    bind_.Caption("Schedule", page, {kCaptionX, row, kCaptionWidth, kLine - 2});
    SetStyle(Named("lblSchedule",
                   bind_.Label(f.lblSchedule, page, {kValueX, row, kValueWidth, 2 * kLine - 2})),
             0, true);

    y = y + 18 + 8 * kLine + 16 + 8;
    Named("cmdWebsite", bind_.PushButton(f.cmdWebsite, page, {0, y, 240, 28}));
    MoveOwnControls();
}

void MainWindow::BuildScanPage(HWND page) {
    auto& f = form_;
    int y = 36;
    HWND start = Named("cmdScanNow", bind_.PushButton(f.cmdScanNow, page, {0, y, 100, 32}));
    SetStyle(start, 0, true);
    Named("cmdStop", bind_.PushButton(f.cmdStop, page, {108, y, 100, 32}));
    Named("cmdPause", bind_.PushButton(f.cmdPause, page, {216, y, 100, 32}));

    // The counters, in two columns.
    y += 32 + 8;
    GroupBox("", page, {0, y, kPageWidth, 84});
    const auto list = app::ScanCounters(f);
    for (int i = 0; i < 6; ++i) {
        const int top = y + 14 + (i % 3) * 22;
        const int left = i < 3 ? 16 : 300;
        bind_.Caption(list[i].caption, page, {left, top, 170, 18});
        SetStyle(Named(list[i].name,
                       bind_.Label(list[i].value, page, {left + 172, top, 90, 18}, SS_RIGHT)),
                 0, true);
    }

    // Progress: the phase text, the three bars, the two-line status.
    y += 84 + 8;
    SetStyle(Named("lblPercentageCompleted", bind_.Label(f.lblPercentageCompleted, page,
                                                         {0, y, kPageWidth, 18}, SS_ENDELLIPSIS)),
             0, true);
    y += 22;
    for (const app::BarLine& bar : app::ScanBars(f)) {
        const int height = bar.thin ? 8 : 16;
        HWND caption = bind_.Caption(bar.caption, page, {0, y, 110, 18});
        bind_.Control(bar.model, caption);
        Named(bar.name, bind_.Progress(bar.model, page,
                                       {120, y + (18 - height) / 2, kPageWidth - 120, height}));
        y += 22;
    }
    Named("lblStatus", bind_.Label(f.lblStatus, page, {0, y, kPageWidth, 32}));
    y += 36;

    constexpr int kContinueHeight = 30;
    const int listBottom = kPageHeight - kContinueHeight - 8;
    Named("lvwSpywareFound",
          bind_.List(f.lvwSpywareFound, page, {0, y, kPageWidth, listBottom - y}, false));
    Named("cmdRemove", bind_.PushButton(f.cmdRemove, page,
                                        {kPageWidth - 190, kPageHeight - kContinueHeight, 190,
                                         kContinueHeight}));
    MoveOwnControls();
}

void MainWindow::BuildResultsPage(HWND page) {
    auto& f = form_;
    int y = 36;
    bind_.Caption("Spyware found:", page, {0, y, 100, 18});
    SetStyle(Named("lblRemovePicSoftwareFound",
                   bind_.Label(f.lblRemovePicSoftwareFound, page, {104, y, 200, 18})),
             0, true);
    y += 22;
    bind_.Caption("Tick the items to remove or to exclude from future scans.", page,
                  {0, y, kPageWidth, 18});
    y += 24;

    // From the bottom: the progress of a removal, its caption, the buttons.
    constexpr int kBar = 18, kButtons = 30;
    const int barTop = kPageHeight - kBar;
    const int captionTop = barTop - 22;
    const int buttonsTop = captionTop - 6 - kButtons;
    Named("lvwPicRemoveListOfSpywareFoundAndToBeRemoved",
          bind_.List(f.lvwPicRemoveListOfSpywareFoundAndToBeRemoved, page,
                     {0, y, kPageWidth, buttonsTop - 8 - y}, true));
    Named("cmdSelectAll", bind_.PushButton(f.cmdSelectAll, page, {0, buttonsTop, 96, kButtons}));
    Named("cmdExclude", bind_.PushButton(f.cmdExclude, page, {104, buttonsTop, 96, kButtons}));
    Named("Command4", bind_.PushButton(f.Command4, page, {208, buttonsTop, 96, kButtons}));
    Named("cmdLog", bind_.PushButton(f.cmdLog, page, {kPageWidth - 96, buttonsTop, 96, kButtons}));
    // Progress of a removal run, shown only while one runs.
    Named("lblDeletingCaption",
          bind_.Label(f.lblDeletingCaption, page, {0, captionTop, kPageWidth, 18}, SS_ENDELLIPSIS));
    Named("pgbDeleteSpywaresFound",
          bind_.Progress(f.pgbDeleteSpywaresFound, page, {0, barTop, kPageWidth - 64, kBar}));
    Named("lblDeletingPercentageCompleted",
          bind_.Label(f.lblDeletingPercentageCompleted, page, {kPageWidth - 58, barTop, 58, kBar},
                      SS_RIGHT));
}

void MainWindow::BuildOptionsPage(HWND page) {
    auto& f = form_;
    // The tabs' panels first: made before the tab control they sit above
    // them in the z-order.
    std::vector<HWND> panels;
    for (int i = 0; i < 4; ++i) {
        panels.push_back(
            Named("frmView" + std::to_string(i),
                  bind_.Frame(f.frmView[i], page,
                              {5, kTabsTop + kTabHeader, kTabPanelWidth, kTabPanelHeight})));
    }
    BuildScanOptionsTab(panels[0]);
    BuildScheduleTab(panels[1]);
    BuildProtectionTab(panels[2]);
    BuildUpdateTab(panels[3]);
    HWND tabs = Named(
        "TabStrip1",
        bind_.Tabs(f.TabStrip1, page, {0, kTabsTop, kPageWidth, kPageHeight - kTabsTop}, panels));
    // The tab control paints only around its panels.
    SetWindowLongPtrW(tabs, GWL_STYLE, GetWindowLongPtrW(tabs, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::BuildScanOptionsTab(HWND panel) {
    auto& f = form_;
    constexpr int kWidth = kTabPanelWidth - 20;
    int y = 8;
    GroupBox("What to scan", panel, {10, y, kWidth, 90});
    Named("chkSweepMemory", bind_.CheckBox(f.chkSweepMemory, panel, {24, y + 20, 400, 20}));
    Named("chkScanRegistry", bind_.CheckBox(f.chkScanRegistry, panel, {24, y + 42, 400, 20}));
    Named("chkScanCookies", bind_.CheckBox(f.chkScanCookies, panel, {24, y + 64, 400, 20}));
    y += 98;
    GroupBox("Scan type", panel, {10, y, kWidth, 170});
    Named("optScanOnlyKnownSoftwares",
          bind_.Option(f.optScanOnlyKnownSoftwares, panel, {24, y + 20, 400, 20}));
    Named("optScanAllSelectedHardDrive",
          bind_.Option(f.optScanAllSelectedHardDrive, panel, {24, y + 42, 400, 20}));
    Named("lvwHardDrives", bind_.List(f.lvwHardDrives, panel, {24, y + 66, kWidth - 28, 94}, true));
    y += 178;
    GroupBox("General", panel, {10, y, kWidth, 68});
    Named("chkMakeLog", bind_.CheckBox(f.chkMakeLog, panel, {24, y + 20, kWidth - 28, 20}));
    Named("chkRunAtStartup",
          bind_.CheckBox(f.chkRunAtStartup, panel, {24, y + 42, kWidth - 28, 20}));
    MoveOwnControls();
}

void MainWindow::BuildScheduleTab(HWND panel) {
    auto& f = form_;
    constexpr int kWidth = kTabPanelWidth - 20;
    int y = 10;
    Named("chkAutomaticScanYesOrNo",
          bind_.CheckBox(f.chkAutomaticScanYesOrNo, panel, {14, y, kWidth - 8, 20}));
    y += 28;
    GroupBox("When to scan", panel, {10, y, kWidth, 112});
    bind_.Caption("Day:", panel, {24, y + 25, 50, 18});
    Named("cmbDays", bind_.Combo(f.cmbDays, panel, {80, y + 20, 180, 200}));
    bind_.Caption("Date:", panel, {24, y + 55, 50, 18});
    Named("dtpScheduleDate",
          bind_.DatePicker(f.dtpScheduleDate, panel, {80, y + 51, 180, 24}, false));
    bind_.Caption("Time:", panel, {24, y + 85, 50, 18});
    Named("dtpScheduleTime",
          bind_.DatePicker(f.dtpScheduleTime, panel, {80, y + 81, 180, 24}, true));
    y += 120;
    bind_.Caption(
        "A scheduled scan runs while this window is minimised or in the tray; it waits "
        "while the window is shown. Apply stores the schedule.",
        panel, {14, y, kWidth - 8, 36});
    y += 44;
    Named("CmdProceed", bind_.PushButton(f.CmdProceed, panel, {14, y, 90, 30}));
    Named("cmdDefaultSetting", bind_.PushButton(f.cmdDefaultSetting, panel, {112, y, 90, 30}));
    y += 40;
    Named("chkAutoDel", bind_.CheckBox(f.chkAutoDel, panel, {14, y, kWidth - 8, 20}));
    MoveOwnControls();
}

void MainWindow::BuildProtectionTab(HWND panel) {
    auto& f = form_;
    constexpr int kWidth = kTabPanelWidth - 20;
    int y = 8;
    GroupBox("Memory Shield", panel, {10, y, kWidth, 98});
    bind_.Caption("Watches the running programs and warns when a listed one starts.", panel,
                  {24, y + 20, kWidth - 28, 18});
    Named("chkAutoProtect", bind_.CheckBox(f.chkAutoProtect, panel, {24, y + 42, 200, 20}));
    Named("optMemorySheildOn", bind_.Option(f.optMemorySheildOn, panel, {24, y + 66, 120, 20}));
    Named("optMemorySheildOff", bind_.Option(f.optMemorySheildOff, panel, {150, y + 66, 120, 20}));
    y += 106;
    GroupBox("Home Page Shield", panel, {10, y, kWidth, 170});
    bind_.Caption("Watches the browser's home page and notices when it is changed.", panel,
                  {24, y + 20, kWidth - 28, 18});
    Named("chkHomePage", bind_.CheckBox(f.chkHomePage, panel, {24, y + 42, 200, 20}));
    Named("optIEHomePageSheildOn",
          bind_.Option(f.optIEHomePageSheildOn, panel, {24, y + 66, 120, 20}));
    Named("optIEHomePageSheildOff",
          bind_.Option(f.optIEHomePageSheildOff, panel, {150, y + 66, 120, 20}));
    bind_.Caption("When the home page has been changed:", panel, {24, y + 94, kWidth - 28, 18});
    Named("optAlwaysnotifybeforerestoring",
          bind_.Option(f.optAlwaysnotifybeforerestoring, panel, {24, y + 116, kWidth - 28, 20}));
    Named("optRestoredefaultwithoutnotification",
          bind_.Option(f.optRestoredefaultwithoutnotification, panel,
                       {24, y + 140, kWidth - 28, 20}));
    MoveOwnControls();
}

void MainWindow::BuildUpdateTab(HWND panel) {
    auto& f = form_;
    constexpr int kWidth = kTabPanelWidth - 20;
    bind_.Caption("Live Update keeps the definition files current from the maker's web site.",
                  panel, {14, 12, kWidth, 18});
    Named("chkAutomaticUpdate", bind_.CheckBox(f.chkAutomaticUpdate, panel, {14, 38, kWidth, 20}));
    Named("cmdLiveUpdate", bind_.PushButton(f.cmdLiveUpdate, panel, {14, 68, 180, 32}));
    Named("lblLastUpdate", bind_.Label(f.lblLastUpdate, panel, {14, 110, kWidth, 18}));
}

}  // namespace quellon::gui::win32
