// The captioned lines of the main window's pages, which every window
// front-end lays out its own way: the status page's definition lines and
// protection lines, the scan page's counters and progress bars.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "ui/controls.h"

namespace quellon::app {

class FrmMain;

// A caption and the label that shows its value (named after its control).
struct LabelLine {
    const char* caption;
    ui::Label& value;
    const char* name;
};

struct BarLine {
    const char* caption;
    ui::ProgressBar& model;
    const char* name;
    // A thin bar: the activity bar, which only shows that work goes on.
    bool thin;
};

// "Definitions loaded" ... "Last complete scan".
std::array<LabelLine, 6> DefinitionLines(FrmMain& f);
// The scan page's counters, in two columns of three.
std::array<LabelLine, 6> ScanCounters(FrmMain& f);
// "Current task", "Overall progress", "Activity".
std::array<BarLine, 3> ScanBars(FrmMain& f);

// A background task's line on the status page: whether it is on, whether
// its timer runs now, and why not. Every background task pauses during a
// scan and while an alert waits; the memory shield and the schedule check
// also pause while the window is shown.
struct Guard {
    const char* caption;
    ui::CheckBox& option;
    ui::Timer* timer;  // null: nothing runs in the background for it
    bool pausesWhileShown;
};
std::array<Guard, 5> Guards(FrmMain& f);

enum class GuardState { kOff, kOn, kPaused };
struct GuardText {
    GuardState state;
    std::string_view text;
};
GuardText ShowGuard(FrmMain& f, const Guard& guard);
// The models whose changes can change a guard's line.
std::vector<ui::Observable*> GuardSources(FrmMain& f, const Guard& guard);

}  // namespace quellon::app
