#include "ui/controls.h"

#include <gtest/gtest.h>

#include <chrono>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/event_checks.h"

namespace quellon::ui {
namespace {

TEST(Observable, NotifiesOnlyRealChangesAndStopsAfterUnobserve) {
    Label label("a");
    int seen = 0;
    const size_t slot = label.Observe([&] { ++seen; });
    label.SetCaption("a");
    label.SetEnabled(true);
    EXPECT_EQ(seen, 0);
    label.SetCaption("b");
    label.SetVisible(false);
    EXPECT_EQ(seen, 2);
    label.Unobserve(slot);
    label.SetCaption("c");
    EXPECT_EQ(seen, 2);
}

TEST(LabelClick, RunsOnlyWhenEnabled) {
    Button b("Scan");
    int clicks = 0;
    b.Click();  // no handler: nothing happens
    b.onClick = [&] { ++clicks; };
    b.Click();
    b.SetEnabled(false);
    b.Click();
    EXPECT_EQ(clicks, 1);
}

TEST(CheckBox, HandlerRunsWhenStateChanges) {
    CheckBox c;
    std::vector<bool> states;
    c.onChange = [&] { states.push_back(c.Checked()); };
    c.SetChecked(false);
    c.SetChecked(true);
    c.SetChecked(true);
    c.SetChecked(false);
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
}

struct OptionGroup : ::testing::Test {
    OptionButton a{"a"}, b{"b"}, c{"c"};
    std::vector<std::string> log;
    void SetUp() override {
        OptionButton::Group({&a, &b, &c});
        for (OptionButton* o : {&a, &b, &c}) {
            o->onChange = [this, o] {
                log.push_back(o->Caption() + (o->Value() ? "+" : "-") + "[" +
                              (a.Value() ? "a" : "") + (b.Value() ? "b" : "") +
                              (c.Value() ? "c" : "") + "]");
            };
        }
    }
};

TEST_F(OptionGroup, SelectingClearsTheOthersClearedHandlersFirst) {
    a.SetValue(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a+[a]"}));
    log.clear();
    b.SetValue(true);
    // The group is settled before any handler runs.
    EXPECT_EQ(log, (std::vector<std::string>{"a-[b]", "b+[b]"}));
    EXPECT_FALSE(a.Value());
    EXPECT_TRUE(b.Value());
    EXPECT_FALSE(c.Value());
}

TEST_F(OptionGroup, ReselectingAndClearing) {
    b.SetValue(true);
    log.clear();
    b.SetValue(true);
    EXPECT_TRUE(log.empty());
    b.SetValue(false);  // just clears this one
    EXPECT_EQ(log, (std::vector<std::string>{"b-[]"}));
    EXPECT_FALSE(a.Value() || b.Value() || c.Value());
}

TEST(OptionButton, UngroupedButtonsAreIndependent) {
    OptionButton x, y;
    x.SetValue(true);
    y.SetValue(true);
    EXPECT_TRUE(x.Value());
    EXPECT_TRUE(y.Value());
}

TEST(ProgressBar, ClampsValueIntoRange) {
    ProgressBar p;
    p.SetValue(150);
    EXPECT_EQ(p.Value(), 100);
    p.SetValue(-3);
    EXPECT_EQ(p.Value(), 0);
    p.SetValue(40.5);
    EXPECT_EQ(p.Value(), 40.5);
    int seen = 0;
    p.Observe([&] { ++seen; });
    p.SetMax(20);
    EXPECT_EQ(p.Max(), 20);
    EXPECT_EQ(p.Value(), 20);
    EXPECT_EQ(seen, 1);
    p.SetMax(1000);
    EXPECT_EQ(p.Value(), 20);
}

TEST(ListView, RowsChecksAndPrefixSearch) {
    ListView lv;
    lv.Add("Alpha", 1, {"x", "y"});
    lv.Add("beta");
    lv.Add("\xC9t\xE9");
    EXPECT_EQ(lv.Count(), 3u);
    EXPECT_EQ(lv.Item(0).SubItem(1), "x");
    EXPECT_EQ(lv.Item(0).SubItem(2), "y");
    EXPECT_EQ(lv.Item(0).SubItem(3), "");
    EXPECT_EQ(lv.Item(0).SubItem(0), "");
    // Empty sub-items keep their places; text after a NUL is cut, as ANSI
    // text ends there.
    lv.Add("Gamma", 2, {"", std::string_view("a\0b", 3), "c"});
    EXPECT_EQ(lv.Item(3).SubItemCount(), 3u);
    EXPECT_EQ(lv.Item(3).SubItem(1), "");
    EXPECT_EQ(lv.Item(3).SubItem(2), "a");
    EXPECT_EQ(lv.Item(3).SubItem(3), "c");
    EXPECT_FALSE(lv.Item(3).SameSubItems(lv.Item(0)));
    EXPECT_TRUE(lv.Item(1).SameSubItems(lv.Item(2)));
    lv.Remove(3);
    EXPECT_EQ(lv.FindPrefix("BE"), 1u);
    EXPECT_EQ(lv.FindPrefix("\xE9T"), 2u);
    EXPECT_EQ(lv.FindPrefix(""), 0u);
    EXPECT_FALSE(lv.FindPrefix("gamma"));

    std::vector<size_t> checked;
    lv.onItemCheck = [&](size_t i) { checked.push_back(i); };
    lv.SetChecked(1, true);
    lv.SetChecked(1, true);
    lv.SetChecked(2, false);
    lv.SetChecked(7, true);  // out of range: ignored
    lv.SetChecked(1, false);
    EXPECT_EQ(checked, (std::vector<size_t>{1, 1}));

    lv.Remove(0);
    EXPECT_EQ(lv.Item(0).text, "beta");
    lv.Remove(10);
    lv.Clear();
    EXPECT_EQ(lv.Count(), 0u);
}

// A packed list gives back every row as a ListView would keep it, across
// block ends and with a row longer than a block; Clear empties it and it
// fills again.
TEST(PackedList, RowsReadBackAsAddedAcrossBlocks) {
    PackedList list;
    ListView reference;
    int notified = 0;
    list.Observe([&] { ++notified; });
    const std::string huge(300000, 'h');
    auto fill = [&] {
        for (int i = 0; i < 40000; ++i) {
            const std::string text = "file" + std::to_string(i) + ".dll";
            const std::string spyware = "Spy" + std::to_string(i / 7);
            if (i == 20000) {
                list.Add(huge, 3, {huge, ""});
                reference.Add(huge, 3, {huge, ""});
            } else if (i % 5000 == 7) {
                // More sub-items and a larger icon than a row's short form holds.
                list.Add(text, 15,
                         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14",
                          "15", "16"});
                reference.Add(text, 15,
                              {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13",
                               "14", "15", "16"});
            } else if (i % 1000 == 1) {
                list.Add(std::string_view("cut\0here", 8), -2, {"", std::string_view("a\0b", 3)});
                reference.Add("cut", -2, {"", std::string_view("a\0b", 3)});
            } else {
                list.Add(text, 0, {spyware});
                reference.Add(text, 0, {spyware});
            }
        }
    };
    fill();
    EXPECT_EQ(notified, 40000);
    ASSERT_EQ(list.Count(), reference.Count());
    for (size_t i = 0; i < list.Count(); ++i) {
        const ListItem row = list.Item(i);
        const ListItem& want = reference.Item(i);
        ASSERT_EQ(row.text, want.text) << i;
        ASSERT_EQ(list.Text(i), want.text) << i;
        ASSERT_EQ(row.smallIcon, want.smallIcon) << i;
        ASSERT_TRUE(row.SameSubItems(want)) << i;
    }
    EXPECT_EQ(list.Item(20000).SubItem(1).size(), huge.size());
    EXPECT_EQ(list.Item(1).SubItem(2), "a");
    EXPECT_EQ(list.Item(40000).text, "");
    EXPECT_EQ(list.Text(40000), "");
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    list.Clear();
    EXPECT_EQ(notified, 40001);
    fill();
    EXPECT_EQ(list.Count(), 40000u);
    EXPECT_EQ(list.Item(39999).text, "file39999.dll");
    EXPECT_EQ(list.Item(39999).SubItem(1), "Spy5714");
}

// The working lists of a removal: rows read in place with their ticks, a
// tick's event only through SetChecked, ticked rows dropped in one pass with
// the order of the rest kept, and no row whose text a NUL would cut short.
TEST(ActionList, TicksRemovalAndRowsAsAdded) {
    ActionList list;
    int notified = 0;
    std::vector<size_t> events;
    list.Observe([&] { ++notified; });
    list.onItemCheck = [&](size_t i) { events.push_back(i); };
    for (int i = 0; i < 30000; ++i) {
        ASSERT_TRUE(list.Add(std::to_string(i), i % 3, {"key" + std::to_string(i), "", "Spy"}));
    }
    EXPECT_FALSE(list.Add(std::string_view("C:\\Windows\0\\x.dll", 17), 0, {"Spy"}));
    ASSERT_EQ(list.Count(), 30000u);
    EXPECT_EQ(notified, 30000);
    const ListRow row = list.Item(29999);
    EXPECT_EQ(row.text, "29999");
    EXPECT_EQ(row.smallIcon, 29999 % 3);
    EXPECT_FALSE(row.checked);
    EXPECT_EQ(row.SubItemCount(), 3u);
    EXPECT_EQ(row.SubItem(1), "key29999");
    EXPECT_EQ(row.SubItemView(2), "");
    EXPECT_EQ(row.SubItemView(3), "Spy");
    EXPECT_EQ(row.SubItemView(0), "");
    EXPECT_EQ(row.SubItemView(4), "");
    EXPECT_THROW(list.Item(30000), std::out_of_range);

    list.SetChecked(5, true);
    list.SetChecked(5, true);
    list.SetCheckedWithoutEvent(7, true);
    list.SetCheckedWithoutEvent(30000, true);
    EXPECT_EQ(events, std::vector<size_t>{5});
    EXPECT_TRUE(list.Item(5).checked);
    EXPECT_TRUE(list.Item(7).checked);
    for (size_t i = 100; i < 30000; ++i) {
        list.SetCheckedWithoutEvent(i, i % 2 == 0);
    }
    list.RemoveChecked();
    // 0-99 less rows 5 and 7, then the odd rows from 101.
    ASSERT_EQ(list.Count(), 98u + 14950u);
    EXPECT_EQ(list.Item(5).text, "6");
    EXPECT_EQ(list.Item(6).text, "8");
    EXPECT_EQ(list.Item(98).text, "101");
    EXPECT_EQ(list.Item(98).SubItem(1), "key101");
    EXPECT_EQ(list.Item(98).smallIcon, 101 % 3);
    EXPECT_EQ(list.Item(list.Count() - 1).text, "29999");
    for (size_t i = 0; i < list.Count(); ++i) {
        ASSERT_FALSE(list.Item(i).checked) << i;
    }
    const int before = notified;
    list.RemoveChecked();
    EXPECT_EQ(notified, before);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(notified, before + 1);
    EXPECT_TRUE(list.Add("again"));
    EXPECT_EQ(list.Item(0).text, "again");
}

TEST(ListView, RemoveCheckedKeepsTheOrderOfTheRest) {
    ListView lv;
    for (const char* text : {"a", "b", "c", "d"}) {
        lv.Add(text, 0, {std::string(text) + "1"});
    }
    int notified = 0;
    lv.Observe([&] { ++notified; });
    lv.RemoveChecked();
    EXPECT_EQ(notified, 0);
    lv.SetChecked(0, true);
    lv.SetChecked(2, true);
    lv.RemoveChecked();
    ASSERT_EQ(lv.Count(), 2u);
    EXPECT_EQ(lv.Item(0).text, "b");
    EXPECT_EQ(lv.Item(1).SubItem(1), "d1");
    EXPECT_FALSE(lv.Item(0).checked);
}

// A row whose texts a NUL cuts short takes less room than it asked for;
// the rows after it still start where their offsets can say.
TEST(PackedList, RowsAfterARowCutShortReadBack) {
    PackedList list;
    std::string longTail = "kept";
    longTail.push_back('\0');
    longTail.append(400000, 'x');
    list.Add("first", 1, {longTail});
    for (int i = 0; i < 30000; ++i) {
        list.Add("row" + std::to_string(i), 2, {"sub" + std::to_string(i)});
    }
    EXPECT_EQ(list.Row(0).SubItemView(1), "kept");
    for (int i = 0; i < 30000; ++i) {
        const ListRow row = list.Row(static_cast<size_t>(i) + 1);
        ASSERT_EQ(row.text, "row" + std::to_string(i));
        ASSERT_EQ(row.smallIcon, 2);
        ASSERT_EQ(row.SubItemView(1), "sub" + std::to_string(i));
    }
    EXPECT_EQ(list.Row(30001).text, "");
}

TEST(ComboBox, ListIndexChanges) {
    ComboBox cb;
    cb.entries = {"Daily", "Weekly"};
    int changes = 0;
    cb.onChange = [&] { ++changes; };
    EXPECT_EQ(cb.Text(), "");
    cb.SetListIndex(1);
    EXPECT_EQ(cb.Text(), "Weekly");
    cb.SetListIndex(1);
    cb.SetListIndex(2);   // out of range
    cb.SetListIndex(-2);  // out of range
    EXPECT_EQ(cb.ListIndex(), 1);
    cb.SetListIndex(-1);
    EXPECT_EQ(cb.Text(), "");
    EXPECT_EQ(changes, 2);
}

TEST(Timer, ChangesNotifyAndTickRunsHandler) {
    Timer t(1000, false);
    int notes = 0, ticks = 0;
    t.Observe([&] { ++notes; });
    t.onTick = [&] { ++ticks; };
    t.SetEnabled(true);
    t.SetEnabled(true);
    t.SetInterval(500);
    t.Tick();
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(ticks, 1);
}

TEST(DateTimePickerAndTextBox, ChangeOnlyOnNewValue) {
    DateTimePicker d;
    int changes = 0;
    d.onChange = [&] { ++changes; };
    d.SetValue(DateTime{2026, 1, 1, 8, 0, 0});
    d.SetValue(DateTime{2026, 1, 1, 8, 0, 0});
    EXPECT_EQ(changes, 1);
    // Holding no value is a state of its own; the last value is kept.
    d.SetNull();
    d.SetNull();
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(d.IsNull());
    EXPECT_EQ(d.Get(), std::nullopt);
    EXPECT_EQ(d.Value(), (DateTime{2026, 1, 1, 8, 0, 0}));
    d.SetValue(DateTime{2026, 1, 1, 8, 0, 0});
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(d.Get(), (DateTime{2026, 1, 1, 8, 0, 0}));
    TextBox tb;
    int notes = 0;
    tb.Observe([&] { ++notes; });
    tb.SetText("x");
    tb.SetText("x");
    EXPECT_EQ(notes, 1);
}

// A window drawn whole between two looks at the events would otherwise
// take most of a scan's time: the wait grows with what the events took.
TEST(NextEventSlice, GrowsWithTheEventsTimeUpToATenthOfASecond) {
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    const milliseconds slice{12};
    EXPECT_EQ(NextEventSlice(slice, milliseconds{0}), nanoseconds{milliseconds{12}});
    EXPECT_EQ(NextEventSlice(slice, milliseconds{1}), nanoseconds{milliseconds{12}});
    EXPECT_EQ(NextEventSlice(slice, milliseconds{5}), nanoseconds{milliseconds{45}});
    EXPECT_EQ(NextEventSlice(slice, milliseconds{30}), nanoseconds{milliseconds{100}});
    EXPECT_EQ(NextEventSlice(slice, milliseconds{5000}), nanoseconds{milliseconds{100}});
    // A longer slice than that is kept; a slice of zero never waits.
    EXPECT_EQ(NextEventSlice(milliseconds{250}, milliseconds{30}), nanoseconds{milliseconds{250}});
    EXPECT_EQ(NextEventSlice(milliseconds{0}, milliseconds{30}), nanoseconds{0});
}

}  // namespace
}  // namespace quellon::ui
