#include "ui/controls.h"

#include <algorithm>

#include "common/text.h"

namespace quellon::ui {

void Control::SetVisible(bool v) {
    if (visible_ == v)
        return;
    visible_ = v;
    Notify();
}

void Control::SetEnabled(bool e) {
    if (enabled_ == e)
        return;
    enabled_ = e;
    Notify();
}

void Label::SetCaption(std::string c) {
    if (caption_ == c)
        return;
    caption_ = std::move(c);
    Notify();
}

void Label::Click() {
    if (Enabled() && onClick)
        onClick();
}

void CheckBox::SetChecked(bool c) {
    if (checked_ == c)
        return;
    checked_ = c;
    Notify();
    if (onChange)
        onChange();
}

// Selecting a button first settles the whole group (the others cleared, this
// one set), then notifies and runs the handlers: those of the cleared buttons
// in group order, then the selected button's. Handlers thus always see the
// group's final state.
void OptionButton::SetValue(bool v) {
    if (value_ == v)
        return;
    std::vector<OptionButton*> cleared;
    if (v) {
        for (OptionButton* other : group_) {
            if (other != this && other->value_) {
                other->SetValueQuiet(false);
                cleared.push_back(other);
            }
        }
    }
    SetValueQuiet(v);
    for (OptionButton* other : cleared) {
        other->Notify();
        if (other->onChange)
            other->onChange();
    }
    Notify();
    if (onChange)
        onChange();
}

void OptionButton::Group(std::vector<OptionButton*> buttons) {
    for (OptionButton* b : buttons)
        b->group_ = buttons;
}

void OptionButton::SetValueQuiet(bool v) {
    value_ = v;
}

void ProgressBar::SetMax(int m) {
    const double old = value_;
    const int oldMax = max_;
    max_ = m;
    value_ = std::max<double>(min_, std::min<double>(value_, max_));
    if (old != value_ || oldMax != max_)
        Notify();
}

void ProgressBar::SetValue(double v) {
    const double clamped = std::max<double>(min_, std::min<double>(v, max_));
    if (clamped == value_)
        return;
    value_ = clamped;
    Notify();
}

std::string_view ListItem::SubItemView(size_t i) const {
    if (i < 1 || i > subCount_) {
        return {};
    }
    size_t from = 0;
    for (size_t n = 1; n < i; ++n) {
        from = subItems_.find('\0', from) + 1;
    }
    return std::string_view(subItems_).substr(from, subItems_.find('\0', from) - from);
}

void ListItem::SetSubItems(std::initializer_list<std::string_view> subItems) {
    size_t size = 0;
    for (std::string_view s : subItems) {
        size += s.size() + 1;
    }
    subItems_.clear();
    subItems_.reserve(size);
    for (std::string_view s : subItems) {
        // A NUL would end the text where the program reads it anyway.
        subItems_.append(s.substr(0, s.find('\0'))).push_back('\0');
    }
    subCount_ = subItems.size();
}

ListItem& ListView::Add(std::string text, int smallIcon,
                        std::initializer_list<std::string_view> subItems) {
    ListItem& item = items_.emplace_back();
    item.text = std::move(text);
    item.smallIcon = smallIcon;
    item.SetSubItems(subItems);
    Notify();
    return items_.back();
}

void ListView::Remove(size_t index) {
    if (index >= items_.size())
        return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    Notify();
}

void ListView::Clear() {
    if (items_.empty())
        return;
    items_.clear();
    Notify();
}

void ListView::SetChecked(size_t index, bool checked) {
    if (index >= items_.size() || items_[index].checked == checked)
        return;
    items_[index].checked = checked;
    Notify();
    if (onItemCheck)
        onItemCheck(index);
}

void ListView::SetCheckedWithoutEvent(size_t index, bool checked) {
    if (index >= items_.size() || items_[index].checked == checked)
        return;
    items_[index].checked = checked;
    Notify();
}

std::optional<size_t> ListView::FindPrefix(std::string_view prefix) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (text::StartsWithNoCase(items_[i].text, prefix))
            return i;
    }
    return std::nullopt;
}

void ComboBox::SetListIndex(int i) {
    if (i < -1 || i >= static_cast<int>(entries.size()) || i == index_)
        return;
    index_ = i;
    Notify();
    if (onChange)
        onChange();
}

std::string ComboBox::Text() const {
    if (index_ < 0 || index_ >= static_cast<int>(entries.size()))
        return {};
    return entries[static_cast<size_t>(index_)];
}

void DateTimePicker::SetValue(DateTime v) {
    if (value_ == v && !null_)
        return;
    value_ = v;
    null_ = false;
    Notify();
    if (onChange)
        onChange();
}

void DateTimePicker::SetNull() {
    if (null_)
        return;
    null_ = true;
    Notify();
    if (onChange)
        onChange();
}

void TextBox::SetText(std::string t) {
    if (text_ == t)
        return;
    text_ = std::move(t);
    Notify();
}

void Timer::SetInterval(int ms) {
    if (interval_ == ms)
        return;
    interval_ = ms;
    Notify();
}

void Timer::SetEnabled(bool e) {
    if (enabled_ == e)
        return;
    enabled_ = e;
    Notify();
}

void Timer::Tick() {
    if (onTick)
        onTick();
}

void TabStrip::Select(int index) {
    if (index < 1 || index > static_cast<int>(tabs.size()) || index == selected_) {
        return;
    }
    selected_ = index;
    Notify();
    if (onChange) {
        onChange();
    }
}

void Window::SetWindowState(State s) {
    if (s == state_) {
        return;
    }
    state_ = s;
    Notify();
    if (onResize) {
        onResize();
    }
}

void Window::SetShowInTaskList(bool v) {
    if (v == showInTaskList_) {
        return;
    }
    showInTaskList_ = v;
    Notify();
}

void Window::BringToFront() {
    ++frontRequests_;
    Notify();
}

}  // namespace quellon::ui
