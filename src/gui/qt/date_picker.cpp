#include "gui/qt/date_picker.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QTimeEdit>

namespace quellon::gui {
namespace {

DateTime FromEdit(const QDateTimeEdit* edit, PickerKind kind) {
    DateTime v = kZeroDate;
    if (kind == PickerKind::kDate) {
        const QDate d = edit->date();
        v.year = d.year();
        v.month = d.month();
        v.day = d.day();
    } else {
        const QTime t = edit->time();
        v.hour = t.hour();
        v.minute = t.minute();
        v.second = t.second();
    }
    return v;
}

void ShowInEdit(QDateTimeEdit* edit, PickerKind kind, const ui::DateTimePicker& model) {
    const DateTime v = model.Value();
    const QSignalBlocker block(edit);
    if (kind == PickerKind::kDate) {
        QDate date(v.year, v.month, v.day);
        // A picker that never held a date starts on today.
        if (!date.isValid() || (model.IsNull() && v == kZeroDate)) {
            date = QDate::currentDate();
        }
        if (edit->date() != date) {
            edit->setDate(date);
        }
    } else {
        const QTime time(v.hour, v.minute, v.second);
        if (time.isValid() && edit->time() != time) {
            edit->setTime(time);
        }
    }
}

}  // namespace

QWidget* BindPicker(Binder& bind, ui::DateTimePicker& model, PickerKind kind, const QString& name) {
    auto* box = new QWidget;
    box->setObjectName(name);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* set = new QCheckBox;
    set->setObjectName(name + QStringLiteral("Set"));
    set->setToolTip(kind == PickerKind::kDate ? QStringLiteral("Scan on a date")
                                              : QStringLiteral("Scan at a time"));
    QDateTimeEdit* edit = nullptr;
    if (kind == PickerKind::kDate) {
        auto* date = new QDateEdit;
        date->setDisplayFormat(QStringLiteral("M/d/yyyy"));
        date->setCalendarPopup(true);
        date->setMinimumDate(QDate(1753, 1, 1));
        edit = date;
    } else {
        auto* time = new QTimeEdit;
        time->setDisplayFormat(QStringLiteral("h:mm:ss AP"));
        edit = time;
    }
    edit->setObjectName(name + QStringLiteral("Edit"));
    row->addWidget(set);
    row->addWidget(edit);
    bind.Control(model, box);
    bind.Watch(model, [&model, kind, set, edit] {
        {
            const QSignalBlocker block(set);
            set->setChecked(!model.IsNull());
        }
        edit->setEnabled(!model.IsNull());
        ShowInEdit(edit, kind, model);
    });
    QObject::connect(set, &QCheckBox::toggled, edit, [&model, kind, edit](bool on) {
        if (on) {
            model.SetValue(FromEdit(edit, kind));
        } else {
            model.SetNull();
        }
    });
    QObject::connect(edit, &QDateTimeEdit::dateTimeChanged, edit, [&model, kind, edit] {
        if (!model.IsNull()) {
            model.SetValue(FromEdit(edit, kind));
        }
    });
    return box;
}

}  // namespace quellon::gui
