#include "ui/controls.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

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

namespace {

template <typename Texts>
void JoinSubItems(const Texts& subItems, std::string& joined) {
    size_t size = 0;
    for (std::string_view s : subItems) {
        size += s.size() + 1;
    }
    joined.clear();
    joined.reserve(size);
    for (std::string_view s : subItems) {
        // A NUL would end the text where the program reads it anyway.
        joined.append(s.substr(0, s.find('\0'))).push_back('\0');
    }
}

}  // namespace

void ListItem::SetSubItems(std::initializer_list<std::string_view> subItems) {
    JoinSubItems(subItems, subItems_);
    subCount_ = subItems.size();
}

void ListItem::SetSubItems(const std::vector<std::string_view>& subItems) {
    JoinSubItems(subItems, subItems_);
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

void ListView::RemoveChecked() {
    const auto kept = std::remove_if(items_.begin(), items_.end(),
                                     [](const ListItem& item) { return item.checked; });
    if (kept == items_.end()) {
        return;
    }
    items_.erase(kept, items_.end());
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

// A row: a header byte, then the text and each sub-item, each ended by a
// NUL (which ANSI text never holds). The header holds a small icon of 0 to
// 14 and up to 15 sub-items as icon * 16 + count; any other row has the
// header kWideRow followed by the icon and the count, 4 bytes each.
namespace {
constexpr unsigned char kWideRow = 0xFF;
}

void PackedList::Add(std::string_view text, int smallIcon,
                     std::initializer_list<std::string_view> subItems) {
    AddRow(text, smallIcon, subItems);
}

void PackedList::Add(std::string_view text, int smallIcon,
                     const std::vector<std::string_view>& subItems) {
    AddRow(text, smallIcon, subItems);
}

template <typename Texts>
void PackedList::AddRow(std::string_view text, int smallIcon, const Texts& subItems) {
    const bool narrow = smallIcon >= 0 && smallIcon < 15 && subItems.size() < 16;
    // The room asked for counts every text whole; each is searched for a
    // NUL once, as it is copied.
    size_t size = (narrow ? 1 : 9) + text.size() + 1;
    for (std::string_view sub : subItems) {
        size += sub.size() + 1;
    }
    // A row starts inside the first kBlockBytes of its block, where its
    // offset fits; a longer row has room of its own.
    if (blocks_.empty() || blocks_.back().size >= kBlockBytes ||
        blocks_.back().capacity - blocks_.back().size < size) {
        if (blocks_.size() == kMaxBlocks) {
            throw std::length_error("a packed list holds no more than 4 GiB of rows");
        }
        const size_t capacity = std::max(size, kBlockBytes);
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), 0, capacity});
    }
    Block& block = blocks_.back();
    const size_t at = block.size;
    rows_.push_back(static_cast<std::uint32_t>(((blocks_.size() - 1) << kOffsetBits) | at));
    // The row is written into its room in one go (the room is there: no
    // text moves); the room a text cut at a NUL left stays free.
    char* out = block.bytes.get() + at;
    if (narrow) {
        *out++ = static_cast<char>(smallIcon * 16 + static_cast<int>(subItems.size()));
    } else {
        const auto icon = static_cast<std::int32_t>(smallIcon);
        const auto count = static_cast<std::uint32_t>(subItems.size());
        *out++ = static_cast<char>(kWideRow);
        std::memcpy(out, &icon, sizeof icon);
        out += sizeof icon;
        std::memcpy(out, &count, sizeof count);
        out += sizeof count;
    }
    auto put = [&out](std::string_view s) {
        if (!s.empty()) {
            const void* nul = std::memchr(s.data(), '\0', s.size());
            const size_t n = nul == nullptr
                                 ? s.size()
                                 : static_cast<size_t>(static_cast<const char*>(nul) - s.data());
            std::memcpy(out, s.data(), n);
            out += n;
        }
        *out++ = '\0';
    };
    put(text);
    for (std::string_view sub : subItems) {
        put(sub);
    }
    block.size = static_cast<size_t>(out - block.bytes.get());
    Notify();
}

const char* PackedList::RowAt(size_t index) const {
    const std::uint32_t start = rows_[index];
    return blocks_[start >> kOffsetBits].bytes.get() + (start & (kBlockBytes - 1));
}

namespace {

// The row's icon and sub-item count, and where its text begins.
const char* ReadHeader(const char* row, std::int32_t& icon, std::uint32_t& count) {
    const auto header = static_cast<unsigned char>(row[0]);
    if (header != kWideRow) {
        icon = header / 16;
        count = header % 16;
        return row + 1;
    }
    std::memcpy(&icon, row + 1, sizeof icon);
    std::memcpy(&count, row + 5, sizeof count);
    return row + 9;
}

}  // namespace

std::string_view PackedList::Text(size_t index) const {
    if (index >= rows_.size()) {
        return {};
    }
    std::int32_t icon = 0;
    std::uint32_t count = 0;
    return std::string_view(ReadHeader(RowAt(index), icon, count));
}

ListRow PackedList::Row(size_t index) const {
    ListRow row;
    if (index >= rows_.size()) {
        return row;
    }
    std::int32_t icon = 0;
    std::uint32_t count = 0;
    const char* at = ReadHeader(RowAt(index), icon, count);
    row.text = std::string_view(at);
    row.smallIcon = icon;
    row.subItems_ = at + row.text.size() + 1;
    row.subCount_ = count;
    return row;
}

std::string_view ListRow::SubItemView(size_t i) const {
    if (i < 1 || i > subCount_) {
        return {};
    }
    const char* at = subItems_;
    for (size_t n = 1; n < i; ++n) {
        at += std::strlen(at) + 1;
    }
    return std::string_view(at);
}

ListItem PackedList::Item(size_t index) const {
    const ListRow row = Row(index);
    ListItem item;
    item.text = row.text;
    item.smallIcon = row.smallIcon;
    std::vector<std::string_view> subs;
    for (size_t i = 1; i <= row.SubItemCount(); ++i) {
        subs.push_back(row.SubItemView(i));
    }
    item.SetSubItems(subs);
    return item;
}

void PackedList::Clear() {
    if (rows_.empty() && blocks_.empty()) {
        return;
    }
    // The room is given back: the next scan may find far fewer rows.
    std::vector<Block>().swap(blocks_);
    std::vector<std::uint32_t>().swap(rows_);
    Notify();
}

void PackedList::SwapRows(PackedList& other) noexcept {
    blocks_.swap(other.blocks_);
    rows_.swap(other.rows_);
}

bool ActionList::Add(std::string_view text, int smallIcon,
                     std::initializer_list<std::string_view> subItems) {
    if (text.find('\0') != std::string_view::npos) {
        return false;
    }
    rows_.Add(text, smallIcon, subItems);
    checked_.push_back(false);
    Notify();
    return true;
}

ListRow ActionList::Item(size_t index) const {
    if (index >= checked_.size()) {
        throw std::out_of_range("no such row in the list");
    }
    ListRow row = rows_.Row(index);
    row.checked = checked_[index];
    return row;
}

void ActionList::SetChecked(size_t index, bool checked) {
    if (index >= checked_.size() || checked_[index] == checked) {
        return;
    }
    checked_[index] = checked;
    Notify();
    if (onItemCheck) {
        onItemCheck(index);
    }
}

void ActionList::SetCheckedWithoutEvent(size_t index, bool checked) {
    if (index >= checked_.size() || checked_[index] == checked) {
        return;
    }
    checked_[index] = checked;
    Notify();
}

void ActionList::RemoveChecked() {
    if (std::find(checked_.begin(), checked_.end(), true) == checked_.end()) {
        return;
    }
    PackedList kept;
    std::vector<std::string_view> subs;
    for (size_t i = 0; i < checked_.size(); ++i) {
        if (checked_[i]) {
            continue;
        }
        const ListRow row = rows_.Row(i);
        subs.clear();
        for (size_t k = 1; k <= row.SubItemCount(); ++k) {
            subs.push_back(row.SubItemView(k));
        }
        kept.Add(row.text, row.smallIcon, subs);
    }
    rows_.SwapRows(kept);
    checked_.assign(rows_.Count(), false);
    Notify();
}

void ActionList::Clear() {
    if (checked_.empty()) {
        return;
    }
    rows_.Clear();
    std::vector<bool>().swap(checked_);
    Notify();
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
