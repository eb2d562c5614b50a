// The schedule's date and time pickers: an edit with a check box in front,
// so that a picker can hold no value (the box cleared; the edit then shows
// its last value greyed out).
#pragma once

#include <QString>

#include "gui/qt/bindings.h"
#include "ui/controls.h"

class QWidget;

namespace quellon::gui {

enum class PickerKind { kDate, kTime };

// The widget named `name` holds the check box `name`+"Set" and the edit
// `name`+"Edit". A date holds midnight of its day; a time lies on the zero
// date (12/30/1899), as the general date writes a time alone.
QWidget* BindPicker(Binder& bind, ui::DateTimePicker& model, PickerKind kind, const QString& name);

}  // namespace quellon::gui
