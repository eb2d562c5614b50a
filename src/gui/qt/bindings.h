// Binds control models to widgets both ways: a model change updates its
// widget; a user's action on the widget goes through the model's setter, so
// the model's change handler runs exactly as for a change made from code.
// Widgets are named after their controls (QObject::objectName).
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <QString>

#include "ui/controls.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QObject;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace quellon::gui {

class ListBinding;

class Binder {
public:
    Binder();
    ~Binder();
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    // Runs `fn` now and after every change of `model`.
    void Watch(ui::Observable& model, std::function<void()> fn);
    // Runs `fn` now, and after changes of `model` once when pending events
    // run: for what a scan changes hundreds of times between two looks at
    // the screen (counters, status texts, progress bars), where each change
    // would lay out or repaint a widget nobody sees before events run.
    void WatchCoalesced(ui::Observable& model, std::function<void()> fn);

    // Visible and enabled state.
    void Control(ui::Control& model, QWidget* widget);
    QLabel* Label(ui::Label& model, const QString& name);
    QPushButton* PushButton(ui::Label& model, const QString& name);
    QToolButton* LinkButton(ui::Label& model, const QString& name);
    QAction* Action(ui::Label& model, const QString& name, QObject* parent);
    QCheckBox* CheckBox(ui::CheckBox& model, const QString& name);
    QRadioButton* Option(ui::OptionButton& model, const QString& name);
    QProgressBar* Progress(ui::ProgressBar& model, const QString& name);
    // A read-only multi-line text box.
    QPlainTextEdit* Text(ui::TextBox& model, const QString& name);
    // Check boxes on the rows when `checkable`; small icons by kind.
    QTreeWidget* List(ui::ListView& model, const QString& name, bool checkable);
    QComboBox* Combo(ui::ComboBox& model, const QString& name);
    // (Date and time pickers: date_picker.h.)
    // The tab strip over a tab widget whose pages are already added.
    void Tabs(ui::TabStrip& model, QTabWidget* widget);

    // Makes every list and every coalesced widget show its model now (they
    // follow a change once pending events have run).
    void FlushLists();

private:
    void Caption(ui::Label& model, QAbstractButton* button);

    std::vector<std::pair<ui::Observable*, size_t>> slots_;
    std::vector<std::unique_ptr<ListBinding>> lists_;

    void RunCoalesced();
    struct Coalesced {
        std::function<void()> fn;
        bool pending = false;
    };
    // Stable addresses: the model's observers point at them.
    std::vector<std::unique_ptr<Coalesced>> coalesced_;
    std::vector<Coalesced*> due_;
    // The context of the queued run: none is left behind the binder.
    std::unique_ptr<QObject> queue_;
    bool queued_ = false;
};

}  // namespace quellon::gui
