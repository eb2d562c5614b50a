#include "gui/qt/bindings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>

#include "gui/qt/icons.h"
#include "gui/qt/text.h"

namespace quellon::gui {
namespace {

// A push button with room around its caption, whatever the caption becomes.
class PaddedButton : public QPushButton {
public:
    QSize sizeHint() const override {
        const QSize hint = QPushButton::sizeHint();
        return {hint.width() + 20, std::max(hint.height(), 30)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

}  // namespace

// A list view mirrored into a tree widget. Rows are compared with the copy
// last shown, so a refresh converts only what changed; refreshes are
// coalesced until pending events run, because a scan adds rows one by one
// (and code may tick a row right after adding it).
class ListBinding : public QObject {
public:
    ListBinding(ui::ListView& model, QTreeWidget* widget, bool checkable)
        : model_(model), widget_(widget), checkable_(checkable) {
        slot_ = model_.Observe([this] { Schedule(); });
        QObject::connect(
            widget_, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int column) { OnItemChanged(item, column); });
        Sync();
    }
    ~ListBinding() override { model_.Unobserve(slot_); }

    void Schedule() {
        if (pending_) {
            return;
        }
        pending_ = true;
        QTimer::singleShot(0, this, [this] { Sync(); });
    }

    void Sync() {
        pending_ = false;
        updating_ = true;
        const auto& rows = model_.Items();
        const size_t columns = static_cast<size_t>(std::max(1, widget_->columnCount()));
        for (size_t i = 0; i < rows.size(); ++i) {
            const ui::ListItem& row = rows[i];
            QTreeWidgetItem* item = nullptr;
            if (i < shown_.size()) {
                const ui::ListItem& was = shown_[i];
                if (was.text == row.text && was.SameSubItems(row) &&
                    was.smallIcon == row.smallIcon && was.checked == row.checked) {
                    continue;
                }
                item = widget_->topLevelItem(static_cast<int>(i));
                shown_[i] = row;
            } else {
                item = new QTreeWidgetItem(widget_);
                shown_.push_back(row);
            }
            item->setText(0, ToQt(row.text));
            for (size_t c = 1; c < columns; ++c) {
                item->setText(static_cast<int>(c), ToQt(row.SubItem(c)));
            }
            item->setIcon(0, KindIcon(row.smallIcon));
            if (checkable_) {
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
            }
        }
        while (shown_.size() > rows.size()) {
            delete widget_->takeTopLevelItem(static_cast<int>(shown_.size() - 1));
            shown_.pop_back();
        }
        updating_ = false;
    }

private:
    void OnItemChanged(QTreeWidgetItem* item, int column) {
        if (updating_ || column != 0 || !checkable_) {
            return;
        }
        const int index = widget_->indexOfTopLevelItem(item);
        const bool checked = item->checkState(0) == Qt::Checked;
        // The row must still be the one shown (the model may have moved on).
        if (index >= 0 && static_cast<size_t>(index) < model_.Count() &&
            static_cast<size_t>(index) < shown_.size() &&
            model_.Item(static_cast<size_t>(index)).text ==
                shown_[static_cast<size_t>(index)].text) {
            model_.SetChecked(static_cast<size_t>(index), checked);
        }
        Schedule();
    }

    ui::ListView& model_;
    QTreeWidget* widget_;
    bool checkable_;
    size_t slot_ = 0;
    bool pending_ = false;
    bool updating_ = false;
    std::vector<ui::ListItem> shown_;
};

Binder::Binder() : queue_(std::make_unique<QObject>()) {}

Binder::~Binder() {
    queue_.reset();
    lists_.clear();
    for (auto& [model, slot] : slots_) {
        model->Unobserve(slot);
    }
}

void Binder::Watch(ui::Observable& model, std::function<void()> fn) {
    fn();
    slots_.emplace_back(&model, model.Observe(std::move(fn)));
}

void Binder::WatchCoalesced(ui::Observable& model, std::function<void()> fn) {
    fn();
    auto entry = std::make_unique<Coalesced>();
    entry->fn = std::move(fn);
    Coalesced* raw = entry.get();
    coalesced_.push_back(std::move(entry));
    slots_.emplace_back(&model, model.Observe([this, raw] {
        if (raw->pending) {
            return;
        }
        raw->pending = true;
        due_.push_back(raw);
        if (!queued_) {
            queued_ = true;
            QTimer::singleShot(0, queue_.get(), [this] { RunCoalesced(); });
        }
    }));
}

void Binder::RunCoalesced() {
    queued_ = false;
    // A widget's update may change another model; what it queues runs on
    // this pass or the next.
    for (size_t i = 0; i < due_.size(); ++i) {
        Coalesced* entry = due_[i];
        entry->pending = false;
        entry->fn();
    }
    due_.clear();
}

void Binder::Control(ui::Control& model, QWidget* widget) {
    Watch(model, [&model, widget] {
        if (widget->isHidden() == model.Visible()) {
            widget->setVisible(model.Visible());
        }
        if (widget->isEnabled() != model.Enabled()) {
            widget->setEnabled(model.Enabled());
        }
    });
}

QLabel* Binder::Label(ui::Label& model, const QString& name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    Control(model, label);
    WatchCoalesced(model, [&model, label] {
        const QString text = ToQt(model.Caption());
        if (label->text() != text) {
            label->setText(text);
        }
    });
    return label;
}

void Binder::Caption(ui::Label& model, QAbstractButton* button) {
    Control(model, button);
    Watch(model, [&model, button] {
        const QString text = ToQtCaption(model.Caption());
        if (button->text() != text) {
            button->setText(text);
        }
    });
    QObject::connect(button, &QAbstractButton::clicked, button, [&model] { model.Click(); });
}

QPushButton* Binder::PushButton(ui::Label& model, const QString& name) {
    auto* button = new PaddedButton;
    button->setObjectName(name);
    button->setAutoDefault(false);
    Caption(model, button);
    return button;
}

QToolButton* Binder::LinkButton(ui::Label& model, const QString& name) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    Caption(model, button);
    return button;
}

QAction* Binder::Action(ui::Label& model, const QString& name, QObject* parent) {
    auto* action = new QAction(parent);
    action->setObjectName(name);
    Watch(model, [&model, action] {
        action->setText(ToQtCaption(model.Caption()));
        action->setVisible(model.Visible());
        action->setEnabled(model.Enabled());
    });
    QObject::connect(action, &QAction::triggered, action, [&model] { model.Click(); });
    return action;
}

QCheckBox* Binder::CheckBox(ui::CheckBox& model, const QString& name) {
    auto* box = new QCheckBox;
    box->setObjectName(name);
    Control(model, box);
    Watch(model, [&model, box] {
        box->setText(ToQtCaption(model.Caption()));
        if (box->isChecked() != model.Checked()) {
            const QSignalBlocker block(box);
            box->setChecked(model.Checked());
        }
    });
    // `clicked` comes from the user only; the model decides what is shown.
    QObject::connect(box, &QCheckBox::clicked, box, [&model, box](bool checked) {
        model.SetChecked(checked);
        const QSignalBlocker block(box);
        box->setChecked(model.Checked());
    });
    return box;
}

QRadioButton* Binder::Option(ui::OptionButton& model, const QString& name) {
    auto* button = new QRadioButton;
    button->setObjectName(name);
    // The model keeps its group exclusive.
    button->setAutoExclusive(false);
    Control(model, button);
    Watch(model, [&model, button] {
        button->setText(ToQtCaption(model.Caption()));
        if (button->isChecked() != model.Value()) {
            const QSignalBlocker block(button);
            button->setChecked(model.Value());
        }
    });
    QObject::connect(button, &QRadioButton::clicked, button, [&model, button] {
        model.SetValue(true);
        const QSignalBlocker block(button);
        button->setChecked(model.Value());
    });
    return button;
}

QProgressBar* Binder::Progress(ui::ProgressBar& model, const QString& name) {
    auto* bar = new QProgressBar;
    bar->setObjectName(name);
    bar->setTextVisible(false);
    Control(model, bar);
    WatchCoalesced(model, [&model, bar] {
        if (bar->minimum() != model.Min() || bar->maximum() != model.Max()) {
            bar->setRange(model.Min(), model.Max());
        }
        bar->setValue(static_cast<int>(std::lround(model.Value())));
    });
    return bar;
}

QPlainTextEdit* Binder::Text(ui::TextBox& model, const QString& name) {
    auto* edit = new QPlainTextEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    Control(model, edit);
    Watch(model, [&model, edit] {
        const QString text = ToQt(model.Text());
        if (edit->toPlainText() != text) {
            edit->setPlainText(text);
        }
    });
    return edit;
}

QTreeWidget* Binder::List(ui::ListView& model, const QString& name, bool checkable) {
    auto* tree = new QTreeWidget;
    tree->setObjectName(name);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setAlternatingRowColors(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    if (model.columns.empty()) {
        tree->setColumnCount(1);
        tree->setHeaderHidden(true);
    } else {
        QStringList headings;
        for (const auto& heading : model.columns) {
            headings << ToQt(heading);
        }
        tree->setColumnCount(static_cast<int>(headings.size()));
        tree->setHeaderLabels(headings);
    }
    Control(model, tree);
    lists_.push_back(std::make_unique<ListBinding>(model, tree, checkable));
    return tree;
}

QComboBox* Binder::Combo(ui::ComboBox& model, const QString& name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    Control(model, combo);
    Watch(model, [&model, combo] {
        const QSignalBlocker block(combo);
        bool same = combo->count() == static_cast<int>(model.entries.size());
        for (int i = 0; same && i < combo->count(); ++i) {
            same = combo->itemText(i) == ToQt(model.entries[static_cast<size_t>(i)]);
        }
        if (!same) {
            combo->clear();
            for (const auto& entry : model.entries) {
                combo->addItem(ToQt(entry));
            }
        }
        combo->setCurrentIndex(model.ListIndex());
    });
    QObject::connect(combo, &QComboBox::activated, combo, [&model, combo](int index) {
        model.SetListIndex(index);
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(model.ListIndex());
    });
    return combo;
}

void Binder::Tabs(ui::TabStrip& model, QTabWidget* widget) {
    Control(model, widget);
    Watch(model, [&model, widget] {
        const QSignalBlocker block(widget);
        for (int i = 0; i < widget->count() && i < static_cast<int>(model.tabs.size()); ++i) {
            widget->setTabText(i, ToQtCaption(model.tabs[static_cast<size_t>(i)]));
        }
        widget->setCurrentIndex(model.SelectedIndex() - 1);
    });
    QObject::connect(widget, &QTabWidget::currentChanged, widget, [&model, widget](int index) {
        model.Select(index + 1);
        const QSignalBlocker block(widget);
        widget->setCurrentIndex(model.SelectedIndex() - 1);
    });
}

void Binder::FlushLists() {
    RunCoalesced();
    for (auto& list : lists_) {
        list->Sync();
    }
}

}  // namespace quellon::gui
