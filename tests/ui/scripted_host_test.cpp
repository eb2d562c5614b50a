#include "support/scripted_host.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quellon::testing {
namespace {

using ui::MsgResult;

TEST(ScriptedHostMsgBox, AnswersInOrderAndRecords) {
    ScriptedHost host;
    host.ExpectMsgBox("delete", MsgResult::kYes);
    host.ExpectMsgBox("Done", MsgResult::kOk);
    EXPECT_EQ(host.MsgBox("Do you want to delete 3 items?", ui::kYesNo | ui::kQuestion, "Q"),
              MsgResult::kYes);
    EXPECT_EQ(host.MsgBox("Done.", ui::kOkOnly, "Q"), MsgResult::kOk);
    ASSERT_EQ(host.Shown().size(), 2u);
    EXPECT_EQ(host.Shown()[0].style, ui::kYesNo | ui::kQuestion);
    EXPECT_EQ(host.Shown()[1].title, "Q");
    EXPECT_EQ(host.PendingMsgBoxes(), 0u);
}

TEST(ScriptedHostMsgBox, UnexpectedOrWrongBoxFails) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHost host;
            EXPECT_EQ(host.MsgBox("Really?", ui::kYesNo, ""), MsgResult::kNo);
        },
        "unexpected message box \"Really?\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHost host;
            host.ExpectMsgBox("other", MsgResult::kOk);
            host.MsgBox("text", ui::kOkOnly, "");
        },
        "does not contain");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedHost host;
            host.ExpectMsgBox("never", MsgResult::kOk);
        },
        "never shown");
}

TEST(ScriptedHostMsgBox, AllowAnyAnswersTheRest) {
    ScriptedHost host;
    host.AllowAnyMsgBox(MsgResult::kYes);
    host.ExpectMsgBox("first", MsgResult::kNo);
    EXPECT_EQ(host.MsgBox("first", ui::kYesNo, ""), MsgResult::kNo);
    EXPECT_EQ(host.MsgBox("second", ui::kYesNo, ""), MsgResult::kYes);
}

TEST(ScriptedHostClock, SetAndAdvance) {
    ScriptedHost host;
    host.SetNow({2026, 12, 31, 23, 59, 59});
    host.Advance(999);
    EXPECT_EQ(host.Now(), (DateTime{2026, 12, 31, 23, 59, 59}));
    host.Advance(1);
    EXPECT_EQ(host.Now(), (DateTime{2027, 1, 1, 0, 0, 0}));
}

TEST(ScriptedHostTimers, FireInDueOrderWhileEnabled) {
    ScriptedHost host;
    host.SetNow({2026, 1, 1, 0, 0, 0});
    ui::Timer fast(300, true), slow(1000, true), off(100, false);
    std::vector<std::string> log;
    fast.onTick = [&] { log.push_back("fast@" + std::to_string(host.Now().second)); };
    slow.onTick = [&] { log.push_back("slow"); };
    off.onTick = [&] { log.push_back("off"); };
    host.AddTimer(slow);
    host.AddTimer(fast);
    host.AddTimer(off);
    host.RunFor(1000);
    EXPECT_EQ(log, (std::vector<std::string>{"fast@0", "fast@0", "fast@0", "slow"}));
    EXPECT_EQ(host.Now(), (DateTime{2026, 1, 1, 0, 0, 1}));

    // Disabling from a handler stops the timer; re-enabling restarts its interval.
    log.clear();
    fast.onTick = [&] {
        log.push_back("fast");
        fast.SetEnabled(false);
    };
    slow.SetEnabled(false);
    host.RunFor(1000);
    EXPECT_EQ(log, std::vector<std::string>{"fast"});
    fast.SetEnabled(true);
    host.RunFor(299);
    EXPECT_EQ(log.size(), 1u);
    host.RunFor(1);
    EXPECT_EQ(log.size(), 2u);

    host.RemoveTimer(fast);
    fast.SetEnabled(true);
    host.RunFor(5000);
    EXPECT_EQ(log.size(), 2u);
}

TEST(ScriptedHostDoEvents, ScriptedActionsAtTheNthCall) {
    ScriptedHost host;
    bool stop = false;
    int every = 0;
    host.AtDoEvents(150, [&] { stop = true; });
    host.OnEveryDoEvents([&] { ++every; });
    int processed = 0;
    for (int i = 0; i < 1000 && !stop; ++i) {
        ++processed;
        host.DoEvents();
    }
    EXPECT_EQ(processed, 150);
    EXPECT_EQ(host.DoEventsCount(), 150u);
    EXPECT_EQ(every, 150);
}

TEST(ScriptedHostRecords, ProgramsClipboardAndEnd) {
    ScriptedHost host;
    host.SetClipboardText("abc");
    EXPECT_TRUE(host.StartProgram("regedit.exe", true));
    host.startProgramResult = false;
    EXPECT_FALSE(host.StartProgram("x.exe", false));
    EXPECT_TRUE(host.OpenDocument("C:\\log.txt"));
    EXPECT_FALSE(host.Ended());
    host.EndProgram();
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(host.clipboard, std::vector<std::string>{"abc"});
    ASSERT_EQ(host.startedPrograms.size(), 2u);
    EXPECT_TRUE(host.startedPrograms[0].minimized);
    EXPECT_EQ(host.openedDocuments, std::vector<std::string>{"C:\\log.txt"});
}

}  // namespace
}  // namespace quellon::testing
