// The settings store's INI files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"
#include "support/test_machine.h"

namespace quellon::posix {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::TestMachine;

TEST(SettingsTest, NastyNamesAndValuesReadBackExactly) {
    TestMachine m;
    platform::SettingsStorage& s = m.Platform().settings;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "1"},
        {"  blank key ", "  leading and trailing  "},
        {"a=b", "x=y==z"},
        {";comment", "; not a comment"},
        {"[section]", "[x] # y"},
        {"100%", "%41 stays %41"},
        {"caf\xE9", "\xE9\xFF raw high bytes \x80"},
        {"lines", "one\r\ntwo\rthree\n"},
        {"tab\t", "\tx\t"},
        {"empty", ""},
    };
    for (const auto& [key, value] : cases) {
        ASSERT_TRUE(s.Set("Quellon Pro", "Weird [Section] =", key, value)) << key;
    }
    for (const auto& [key, value] : cases) {
        EXPECT_EQ(s.Get("Quellon Pro", "Weird [Section] =", key), value) << key;
    }
    std::vector<platform::SettingEntry> list = s.List("Quellon Pro");
    ASSERT_EQ(list.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(list[i].section, "Weird [Section] =");
        EXPECT_EQ(list[i].key, cases[i].first);
        EXPECT_EQ(list[i].value, cases[i].second);
    }
    // Non-ASCII bytes stay raw in the file; only the syntax is escaped.
    std::string file = ReadBytes(m.Config() / "Quellon Pro.ini");
    EXPECT_NE(file.find("caf\xE9=\xE9\xFF raw high bytes \x80\n"), std::string::npos);
    EXPECT_NE(file.find("[Weird %5BSection%5D %3D]\n"), std::string::npos);
}

// The lock the schedulers of one profile share: one holder at a time, in
// this program too and across programs; a holder killed leaves it free.
TEST(SettingsTest, TheProfileLockHasOneHolderAtATime) {
    using State = platform::LockAttempt::State;
    TestMachine m;
    platform::SettingsStorage& s = m.Platform().settings;
    {
        platform::LockAttempt held = s.TryLock("scheduler");
        ASSERT_EQ(held.state, State::kTaken);
        EXPECT_EQ(s.TryLock("scheduler").state, State::kHeldElsewhere);
        EXPECT_EQ(s.TryLock("other").state, State::kTaken);
    }
    EXPECT_EQ(s.TryLock("scheduler").state, State::kTaken);
    EXPECT_EQ(s.TryLock("../escape").state, State::kUnavailable);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        platform::LockAttempt held = s.TryLock("scheduler");
        const char ok = held.state == State::kTaken ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = '0';
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    EXPECT_EQ(s.TryLock("scheduler").state, State::kHeldElsewhere);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(s.TryLock("scheduler").state, State::kTaken);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(SettingsTest, SectionsAndKeysIgnoreCaseAndKeepTheFirstSpelling) {
    TestMachine m;
    platform::SettingsStorage& s = m.Platform().settings;
    EXPECT_EQ(s.Get("Quellon Pro", "OptionAndSettings", "chkMakeLog"), std::nullopt);
    EXPECT_FALSE(fs::exists(m.Config() / "Quellon Pro.ini"));
    ASSERT_TRUE(s.Set("Quellon Pro", "OptionAndSettings", "chkMakeLog", "1"));
    ASSERT_TRUE(s.Set("Quellon Pro", "OPTIONANDSETTINGS", "CHKMAKELOG", "0"));
    ASSERT_TRUE(s.Set("Quellon Pro", "Drives", "C:\\", "1"));
    ASSERT_TRUE(s.Set("ZorazeRizavezOzuvuruz", "Settings", "Name", "x"));
    EXPECT_EQ(s.Get("Quellon Pro", "optionandsettings", "ChkMakeLog"), "0");
    std::vector<platform::SettingEntry> list = s.List("Quellon Pro");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].section, "OptionAndSettings");
    EXPECT_EQ(list[0].key, "chkMakeLog");
    EXPECT_EQ(list[1].key, "C:\\");
    EXPECT_EQ(s.Get("Quellon Pro", "Drives", "D:\\"), std::nullopt);
    EXPECT_EQ(s.Applications(), (std::vector<std::string>{"Quellon Pro", "ZorazeRizavezOzuvuruz"}));
}

TEST(SettingsTest, ApplicationNamesAreEscapedIntoFileNames) {
    TempDir dir;
    Backend backend(dir.path() / "machine", dir.path() / "config" / "deeper");
    platform::SettingsStorage& s = backend.Platform().settings;
    ASSERT_TRUE(s.Set("../evil/..", "S", "k", "v"));
    ASSERT_TRUE(s.Set(".hidden", "S", "k", "v"));
    EXPECT_TRUE(fs::exists(dir.path() / "config/deeper/%2E.%2Fevil%2F...ini"));
    EXPECT_EQ(s.Get("../evil/..", "s", "K"), "v");
    EXPECT_EQ(s.Applications(), (std::vector<std::string>{"../evil/..", ".hidden"}));
    // A file edited by hand: comments, blanks and unknown lines are tolerated.
    testing::WriteBytes(dir.path() / "config/deeper/Hand.ini",
                        "; note\r\n[ Main ]\r\n  key = value  \r\njunk\r\nkey=second\r\n");
    EXPECT_EQ(s.Get("Hand", "main", "KEY"), "value");
    EXPECT_EQ(s.Get("Missing", "main", "key"), std::nullopt);
}

TEST(SettingsTest, ReadsComeFromMemoryUntilTheFileChanges) {
    TempDir dir;
    IniSettings s(dir.path());
    IniSettings other(dir.path());
    ASSERT_TRUE(s.Set("App", "S", "k", "1"));
    // What the store wrote itself it does not read back from the file.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(s.Get("App", "S", "k"), "1");
    }
    EXPECT_EQ(s.FileReads(), 0u);
    // Another writer's change (here of the same length) is seen at once.
    ASSERT_TRUE(other.Set("App", "S", "k", "2"));
    EXPECT_EQ(s.Get("App", "s", "K"), "2");
    EXPECT_EQ(s.Get("App", "S", "k"), "2");
    EXPECT_EQ(s.FileReads(), 1u);
    // A file replaced or removed from outside, too.
    testing::WriteBytes(dir.path() / "App.ini", "[S]\r\nk=3\r\n");
    EXPECT_EQ(s.Get("App", "S", "k"), "3");
    fs::remove(dir.path() / "App.ini");
    EXPECT_EQ(s.Get("App", "S", "k"), std::nullopt);
    EXPECT_EQ(s.List("App").size(), 0u);
}

TEST(SettingsTest, TwoWritersKeepEachOthersKeys) {
    TestMachine m;
    constexpr int kKeys = 40;
    pid_t child = ::fork();
    if (child == 0) {
        Backend other(m.Root(), m.Config());
        bool ok = true;
        for (int i = 0; i < kKeys; ++i) {
            ok = other.Platform().settings.Set("Shared", "S", "child" + std::to_string(i), "c") &&
                 ok;
        }
        ::_exit(ok ? 0 : 1);
    }
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_TRUE(m.Platform().settings.Set("Shared", "S", "parent" + std::to_string(i), "p"));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<platform::SettingEntry> list = m.Platform().settings.List("Shared");
    EXPECT_EQ(list.size(), 2u * kKeys);
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(m.Platform().settings.Get("Shared", "S", "child" + std::to_string(i)), "c");
        EXPECT_EQ(m.Platform().settings.Get("Shared", "S", "parent" + std::to_string(i)), "p");
    }
}

// The same keys set one by one and inside a batch leave the same file, and
// the batch writes it once, at the end of the outermost batch; reads in
// between see the held values, other readers the file as it was.
TEST(SettingsTest, ABatchLeavesTheFileKeyByKeyWritesWouldInOneWrite) {
    struct Set {
        std::string app, section, key, value;
    };
    const std::vector<Set> sets = {
        {"App", "Main", "a", "1"},       {"App", "Main", "b", "x=y"},
        {"App", "MAIN", "A", "2"},       {"App", "Other [x]", "c", ""},
        {"App", "main", "b", "x=y"},     {"App", "Main", "new", " padded "},
        {"Second", "S", "only", "here"}, {"App", "other [X]", "C", "last"},
    };
    TempDir oneByOne, batched;
    IniSettings a(oneByOne.path());
    IniSettings b(batched.path());
    IniSettings reader(batched.path());
    // A key already in the file, changed by the batch.
    ASSERT_TRUE(a.Set("App", "Main", "a", "0"));
    ASSERT_TRUE(b.Set("App", "Main", "a", "0"));
    for (const Set& x : sets) {
        ASSERT_TRUE(a.Set(x.app, x.section, x.key, x.value));
    }
    const long pointsBefore = io::FaultPointsPassed();
    b.BeginBatch();
    b.BeginBatch();
    for (const Set& x : sets) {
        ASSERT_TRUE(b.Set(x.app, x.section, x.key, x.value));
    }
    EXPECT_TRUE(b.EndBatch());  // the inner one: nothing written yet
    EXPECT_EQ(io::FaultPointsPassed(), pointsBefore);
    EXPECT_EQ(b.Get("App", "main", "A"), "2");
    EXPECT_EQ(b.Get("App", "OTHER [X]", "c"), "last");
    EXPECT_EQ(b.Get("Second", "S", "only"), "here");
    EXPECT_EQ(b.List("App").size(), 4u);
    EXPECT_EQ(reader.Get("App", "Main", "a"), "0");
    EXPECT_EQ(reader.Get("App", "Main", "b"), std::nullopt);
    EXPECT_FALSE(fs::exists(batched.path() / "Second.ini"));
    EXPECT_TRUE(b.EndBatch());
    // One write per file: a single key's write passes as many fault points
    // (the lock file, the temporary file, its flush, the rename) as each
    // file's whole batch did.
    const long batchPoints = io::FaultPointsPassed() - pointsBefore;
    const long p0 = io::FaultPointsPassed();
    ASSERT_TRUE(a.Set("App", "Main", "single", "1"));
    EXPECT_EQ(batchPoints, 2 * (io::FaultPointsPassed() - p0));
    ASSERT_TRUE(b.Set("App", "Main", "single", "1"));

    for (const char* app : {"App.ini", "Second.ini"}) {
        EXPECT_EQ(ReadBytes(batched.path() / app), ReadBytes(oneByOne.path() / app)) << app;
    }
    EXPECT_EQ(reader.Get("App", "Main", "a"), "2");
    // An EndBatch without a batch changes nothing.
    EXPECT_TRUE(b.EndBatch());
    ASSERT_TRUE(b.Set("App", "Main", "after", "1"));
    EXPECT_EQ(reader.Get("App", "Main", "after"), "1");
}

// A batch ending writes under the lock over what the file holds then, so a
// key another program wrote meanwhile stays.
TEST(SettingsTest, ABatchKeepsKeysWrittenElsewhereWhileItWasOpen) {
    TempDir dir;
    IniSettings s(dir.path());
    IniSettings other(dir.path());
    s.BeginBatch();
    ASSERT_TRUE(s.Set("App", "S", "mine", "1"));
    ASSERT_TRUE(other.Set("App", "S", "theirs", "2"));
    ASSERT_TRUE(other.Set("App", "S", "both", "theirs"));
    ASSERT_TRUE(s.Set("App", "S", "both", "mine"));
    EXPECT_EQ(s.Get("App", "S", "theirs"), "2");
    EXPECT_TRUE(s.EndBatch());
    EXPECT_EQ(other.Get("App", "S", "mine"), "1");
    EXPECT_EQ(other.Get("App", "S", "theirs"), "2");
    EXPECT_EQ(other.Get("App", "S", "both"), "mine");
}

// Another program reading while batches go out finds the old file or the
// new one, never a part of either.
TEST(SettingsTest, AReaderSeesAWholeBatchOrNoneOfIt) {
    TempDir dir;
    constexpr int kKeys = 200;
    constexpr int kRounds = 60;
    IniSettings s(dir.path());
    auto writeRound = [&s](int round) {
        s.BeginBatch();
        for (int i = 0; i < kKeys; ++i) {
            s.Set("App", "S", "key" + std::to_string(i), std::to_string(round));
        }
        return s.EndBatch();
    };
    ASSERT_TRUE(writeRound(0));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        // Reads the raw file again and again until the last round is there.
        bool whole = true;
        std::string last;
        (void)!::write(ready[1], "r", 1);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (whole && last != std::to_string(kRounds) &&
               std::chrono::steady_clock::now() < giveUp) {
            IniSettings reader(dir.path());
            std::vector<platform::SettingEntry> list = reader.List("App");
            whole = list.size() == static_cast<size_t>(kKeys);
            for (const auto& e : list) {
                whole = whole && e.value == list.front().value;
            }
            if (!list.empty()) {
                last = list.front().value;
            }
        }
        ::_exit(whole && last == std::to_string(kRounds) ? 0 : 1);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    for (int round = 1; round <= kRounds; ++round) {
        ASSERT_TRUE(writeRound(round));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace quellon::posix
