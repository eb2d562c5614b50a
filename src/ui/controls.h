// Toolkit-free models of the window controls. A front-end mirrors them by
// observing; code and users change them through the same setters, and a
// setter runs the control's change handler exactly as a user's change does.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"
#include "ui/observable.h"

namespace quellon::ui {

// Visible/enabled state that every control has.
class Control : public Observable {
public:
    bool Visible() const { return visible_; }
    bool Enabled() const { return enabled_; }
    void SetVisible(bool v);
    void SetEnabled(bool e);

private:
    bool visible_ = true;
    bool enabled_ = true;
};

class Label : public Control {
public:
    explicit Label(std::string caption = {}) : caption_(std::move(caption)) {}
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string c);
    std::function<void()> onClick;
    void Click();

private:
    std::string caption_;
};

class Button : public Label {
public:
    using Label::Label;
};

// A frame, picture or form area: a container that can be shown or hidden.
class Frame : public Label {
public:
    using Label::Label;
};

class CheckBox : public Label {
public:
    using Label::Label;
    bool Checked() const { return checked_; }
    // Runs onChange when the state changes.
    void SetChecked(bool c);
    std::function<void()> onChange;

private:
    bool checked_ = false;
};

// One button of an option pair or group. Selecting one clears the others of
// its group; the handler of every button whose state changed runs.
class OptionButton : public Label {
public:
    using Label::Label;
    bool Value() const { return value_; }
    void SetValue(bool v);
    std::function<void()> onChange;
    // Joins the buttons into one group.
    static void Group(std::vector<OptionButton*> buttons);

private:
    void SetValueQuiet(bool v);
    bool value_ = false;
    std::vector<OptionButton*> group_;
};

class ProgressBar : public Control {
public:
    int Min() const { return min_; }
    int Max() const { return max_; }
    double Value() const { return value_; }
    void SetMax(int m);
    // Values outside the range are held at its ends.
    void SetValue(double v);

private:
    int min_ = 0, max_ = 100;
    double value_ = 0;
};

struct ListItem {
    std::string text;
    int smallIcon = 0;
    bool checked = false;
    // Sub-item 1 is the second column; an index past the last gives "".
    std::string SubItem(size_t i) const { return std::string(SubItemView(i)); }
    std::string_view SubItemView(size_t i) const;
    size_t SubItemCount() const { return subCount_; }
    void SetSubItems(std::initializer_list<std::string_view> subItems);
    void SetSubItems(const std::vector<std::string_view>& subItems);
    bool SameSubItems(const ListItem& other) const {
        return subCount_ == other.subCount_ && subItems_ == other.subItems_;
    }

private:
    // Every sub-item followed by a NUL, which ANSI text never holds: one
    // allocation a row, where a result list may get tens of thousands.
    std::string subItems_;
    size_t subCount_ = 0;
};

class ListView : public Control {
public:
    const std::vector<ListItem>& Items() const { return items_; }
    size_t Count() const { return items_.size(); }
    ListItem& Item(size_t index) { return items_.at(index); }
    const ListItem& Item(size_t index) const { return items_.at(index); }
    ListItem& Add(std::string text, int smallIcon = 0,
                  std::initializer_list<std::string_view> subItems = {});
    void Remove(size_t index);
    // Drops every ticked row, in one pass over the list.
    void RemoveChecked();
    void Clear();
    void SetChecked(size_t index, bool checked);
    // The same without running onItemCheck: a tick that the program's own
    // bookkeeping changes, which the list's item-check handling must not see.
    void SetCheckedWithoutEvent(size_t index, bool checked);
    // Index of the first row whose text begins with `prefix`, ignoring case.
    std::optional<size_t> FindPrefix(std::string_view prefix) const;
    std::vector<std::string> columns;
    // Runs after a row's check mark changes through SetChecked.
    std::function<void(size_t)> onItemCheck;

private:
    std::vector<ListItem> items_;
};

// A row of a packed list read in place, without a copy: it stays valid
// until its list changes.
struct ListRow {
    std::string_view text;
    int smallIcon = 0;
    bool checked = false;
    // Sub-item 1 is the second column; an index past the last gives "".
    std::string_view SubItemView(size_t i) const;
    std::string SubItem(size_t i) const { return std::string(SubItemView(i)); }
    size_t SubItemCount() const { return subCount_; }

private:
    friend class PackedList;
    // The sub-items, each ended by a NUL.
    const char* subItems_ = nullptr;
    size_t subCount_ = 0;
};

// A list that is only filled, read back and emptied, and never shown: a
// working list of a scan that may get a row for each of a million
// definition lines. Its rows are packed one after another in large blocks,
// a few bytes beyond their text each, where a ListView row costs eighty
// and its list's growth twice that for a while.
class PackedList : public Control {
public:
    PackedList() = default;
    PackedList(const PackedList&) = delete;
    PackedList& operator=(const PackedList&) = delete;

    size_t Count() const { return rows_.size(); }
    void Add(std::string_view text, int smallIcon = 0,
             std::initializer_list<std::string_view> subItems = {});
    void Add(std::string_view text, int smallIcon, const std::vector<std::string_view>& subItems);
    // A copy of the row; an index past the last gives an empty row.
    ListItem Item(size_t index) const;
    // The same read in place.
    ListRow Row(size_t index) const;
    std::string_view Text(size_t index) const;
    void Clear();
    // Trades rows with `other`; observers stay where they are.
    void SwapRows(PackedList& other) noexcept;

private:
    template <typename Texts>
    void AddRow(std::string_view text, int smallIcon, const Texts& subItems);
    // Bytes of one block; a longer row gets a block of its own. A row's
    // start is its block number above its offset in the block.
    static constexpr unsigned kOffsetBits = 18;
    static constexpr size_t kBlockBytes = size_t{1} << kOffsetBits;
    static constexpr size_t kMaxBlocks = size_t{1} << (32 - kOffsetBits);
    const char* RowAt(size_t index) const;

    // A block's bytes are written once, row by row, and never cleared first.
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        size_t capacity = 0;
    };
    std::vector<Block> blocks_;
    std::vector<std::uint32_t> rows_;
};

// The working list of what a removal acts on (the files and the registry
// entries a scan found): rows packed as a PackedList keeps them, each with
// its tick. It is never shown: the removal list's ticks reach it, and the
// removal reads it back.
class ActionList : public Control {
public:
    ActionList() = default;
    ActionList(const ActionList&) = delete;
    ActionList& operator=(const ActionList&) = delete;

    size_t Count() const { return rows_.Count(); }
    // A text holding a NUL names nothing the program could act on as it
    // stands, and cut short it would name something else: such a row is
    // not taken, and false says so. Sub-items end at a NUL, as in a ListView.
    bool Add(std::string_view text, int smallIcon = 0,
             std::initializer_list<std::string_view> subItems = {});
    // The row read in place; std::out_of_range past the last row.
    ListRow Item(size_t index) const;
    // Runs onItemCheck when the tick changed.
    void SetChecked(size_t index, bool checked);
    // The same without running onItemCheck.
    void SetCheckedWithoutEvent(size_t index, bool checked);
    // Drops every ticked row, in one pass over the list.
    void RemoveChecked();
    void Clear();
    std::vector<std::string> columns;
    std::function<void(size_t)> onItemCheck;

private:
    PackedList rows_;
    std::vector<bool> checked_;
};

class ComboBox : public Control {
public:
    std::vector<std::string> entries;
    int ListIndex() const { return index_; }
    void SetListIndex(int i);
    std::string Text() const;
    std::function<void()> onChange;

private:
    int index_ = -1;
};

// A date or time picker. It may hold no value ("Null", its check box
// cleared); Value() is then the value it held last.
class DateTimePicker : public Control {
public:
    bool IsNull() const { return null_; }
    DateTime Value() const { return value_; }
    std::optional<DateTime> Get() const {
        return null_ ? std::nullopt : std::optional<DateTime>(value_);
    }
    // Holds `v`; runs onChange when the picker changed (a value where it
    // held none counts as a change).
    void SetValue(DateTime v);
    // Holds no value; runs onChange when it held one.
    void SetNull();
    std::function<void()> onChange;

private:
    DateTime value_;
    bool null_ = false;
};

class TextBox : public Control {
public:
    const std::string& Text() const { return text_; }
    void SetText(std::string t);

private:
    std::string text_;
};

// A tab strip: the selected tab is numbered from 1.
class TabStrip : public Control {
public:
    std::vector<std::string> tabs;
    int SelectedIndex() const { return selected_; }
    // Runs onChange when the selection changes; out-of-range indexes are ignored.
    void Select(int index);
    std::function<void()> onChange;

private:
    int selected_ = 1;
};

// A top-level window: caption, visibility and window state.
class Window : public Label {
public:
    enum class State { kNormal, kMinimized, kMaximized };
    using Label::Label;
    State WindowState() const { return state_; }
    // Runs onResize when the state changes, as the window's resize event does.
    void SetWindowState(State s);
    std::function<void()> onResize;
    // Whether the program is listed among the running applications.
    bool ShowInTaskList() const { return showInTaskList_; }
    void SetShowInTaskList(bool v);
    // Asks for the window to be raised above the others and given the focus
    // (a front-end counts the requests to tell a new one).
    void BringToFront();
    unsigned FrontRequests() const { return frontRequests_; }

private:
    State state_ = State::kNormal;
    bool showInTaskList_ = true;
    unsigned frontRequests_ = 0;
};

// A timer model: the host's event loop runs onTick every interval while enabled.
class Timer : public Observable {
public:
    explicit Timer(int intervalMs = 0, bool enabled = false)
        : interval_(intervalMs), enabled_(enabled) {}
    int Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    void SetInterval(int ms);
    void SetEnabled(bool e);
    std::function<void()> onTick;
    void Tick();

private:
    int interval_;
    bool enabled_;
};

}  // namespace quellon::ui
