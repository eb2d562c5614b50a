// The quick paths of the large phases against straightforward references:
// the first matching cookie pattern, the cookie phase's progress calls,
// events and stops, and the search for a found spyware row.
#include <random>
#include <set>

#include "common/pattern.h"
#include "common/text.h"
#include "scan/found_rows.h"
#include "scan/scan_fixture.h"

namespace quellon::testing {
namespace {

std::string RandomPattern(std::mt19937& rng) {
    static const char* const kPieces[] = {"a",   "b",     "c",   ".",     "1",    "7",
                                          "*",   "?",     "#",   "[a-b]", "[!a]", "[]",
                                          "[!]", "[c-a]", "[ab", "]",     "ab.",  "*."};
    std::string p;
    const int n = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
        p += kPieces[rng() % std::size(kPieces)];
    }
    return p;
}

std::string RandomText(std::mt19937& rng) {
    static const char kChars[] = "abc.17]";
    std::string t;
    const int n = static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) {
        t += kChars[rng() % (sizeof kChars - 1)];
    }
    return t;
}

TEST(FirstMatchTest, FindsTheFirstPatternLikeAgrees) {
    std::mt19937 rng(42);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> patterns;
        const int count = static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            patterns.push_back(RandomPattern(rng));
        }
        const std::vector<std::string_view> views(patterns.begin(), patterns.end());
        const pattern::FirstMatch matcher(views);
        for (int t = 0; t < 60; ++t) {
            const std::string text = RandomText(rng);
            size_t expected = pattern::FirstMatch::kNone;
            for (size_t i = 0; i < patterns.size(); ++i) {
                if (pattern::Like(text, patterns[i])) {
                    expected = i;
                    break;
                }
            }
            ASSERT_EQ(matcher.Find(text), expected) << "text \"" << text << "\"";
        }
    }
}

TEST(FoundRowsTest, AnswersAsAPrefixSearchOverTheRows) {
    std::mt19937 rng(3);
    const std::vector<std::string> stems = {"Foo", "foo", "FOOBAR", "Bar", "ba", "RegKey x", ""};
    ui::ListView list;
    scan::FoundRows rows(list);
    for (int step = 0; step < 300; ++step) {
        const std::string& stem = stems[rng() % stems.size()];
        if (rng() % 3 == 0) {
            list.Add(stem + (rng() % 2 ? " - Found" : " - found extra"));
        }
        if (rng() % 40 == 0) {
            list.Clear();
        }
        const std::string prefix = stems[rng() % stems.size()] + " - Found";
        ASSERT_EQ(rows.HasPrefix(prefix), list.FindPrefix(prefix).has_value())
            << "step " << step << " prefix " << prefix;
    }
}

TEST(MaskWordsTest, LongerWordsGoFirstAndCaseIsIgnored) {
    EXPECT_EQ(scan::MaskWords("Detecting: BullShitHead.com"), "Detecting: ****Head.com");
    EXPECT_EQ(scan::MaskWords("a.Shit.SHIT.b"), "a.****.****.b");
    EXPECT_EQ(scan::MaskWords("clean.example"), "clean.example");
}

// The cookie phase as it reads plainly: for each file every pattern in turn,
// with a stop test, a progress call and (unless it matched) an event run for
// each, then an event run for the file.
struct Reference {
    struct Result {
        std::vector<std::string> statuses;  // the status label's captions, in order
        std::vector<std::string> found;     // cookie files queued
        size_t doEvents = 0;
        std::int32_t inspected = 0;
    };

    static Result Run(const std::vector<std::string>& fileNames,
                      const std::vector<std::string>& domains,
                      const std::vector<std::string>& patterns, const std::string& prefix,
                      size_t stopAt) {
        Result r;
        int tick = 0;
        bool stop = false;
        auto progress = [&](const std::string& item) {
            if (++tick <= 99) {
                return;
            }
            tick = 0;
            const std::string status = scan::MaskWords(prefix + "\r\n" + item);
            if (r.statuses.empty() || r.statuses.back() != status) {
                r.statuses.push_back(status);
            }
        };
        auto events = [&] {
            if (++r.doEvents == stopAt) {
                stop = true;
            }
        };
        for (size_t f = 0; f < fileNames.size(); ++f) {
            if (stop) {
                break;
            }
            ++r.inspected;
            progress(fileNames[f]);
            std::string domain = domains[f];
            if (text::StartsWithNoCase(domain, "www.")) {
                domain.erase(0, 4);
            }
            bool matched = false;
            for (const std::string& p : patterns) {
                if (stop) {
                    return r;
                }
                progress(p);
                if (pattern::Like(domain, p)) {
                    matched = true;
                    break;
                }
                events();
            }
            if (matched) {
                r.found.push_back(fileNames[f]);
            }
            events();
        }
        return r;
    }
};

class CookieScaleTest : public ScanTest {
protected:
    void SetUp() override {
        std::mt19937 rng(11);
        static const char* const kSites[] = {"ads",   "track", "shit",  "pixel",
                                             "stats", "cdn",   "clicks"};
        for (int i = 0; i < 60; ++i) {
            const std::string site = std::string(kSites[i % 7]) + std::to_string(i % 23);
            const std::string www = i % 5 == 0 ? "www." : "";
            const std::string name = "user@" + site + "[" + std::to_string(i) + "].txt";
            machine.PlantFile(CookieFolder() + name, "id\n" + www + site + ".example/\n*\n");
        }
        machine.PlantFile(CookieFolder() + "index.dat", "x");
        std::vector<std::string> encoded;
        for (int i = 0; i < 700; ++i) {
            switch (rng() % 5) {
                case 0:
                    patterns.push_back(std::string(kSites[rng() % 7]) + "1?.example");
                    break;
                case 1:
                    patterns.push_back("*" + std::to_string(rng() % 40) + ".ex*");
                    break;
                case 2:
                    patterns.push_back("[a-c]*#.example");
                    break;
                case 3:
                    patterns.push_back("Shit" + std::to_string(i) + ".*");
                    break;
                default:
                    patterns.push_back("noise" + std::to_string(i) + ".*");
                    break;
            }
        }
        std::string text;
        for (const auto& p : patterns) {
            text += definitions::EncodeDefinitionLine(p) + "\r\n";
        }
        WriteDefinitions();
        machine.HomeFile("BlockedCookies.dat", text);
    }

    // Runs the cookie phase alone, as a scan runs it.
    Reference::Result RunPhase(size_t stopAt) {
        auto& f = Form();
        f.cmdScan.SetEnabled(false);
        f.Session().counters = scan::ScanCounters{};
        f.Session().StopRequested = false;
        f.Session().StatusPrefix = "Detecting Cookies: ";
        f.lvwCookiesToDelete.Clear();
        // The pattern list is loaded first, with an event run per line.
        const size_t loadEvents = patterns.size();
        const size_t start = host.DoEventsCount();
        if (stopAt != 0) {
            host.AtDoEvents(start + loadEvents + stopAt,
                            [&f] { f.Session().StopRequested = true; });
        }
        Reference::Result r;
        const size_t slot =
            f.lblStatus.Observe([&] { r.statuses.push_back(f.lblStatus.Caption()); });
        scan::ScanCookies(f.ScanContext());
        f.lblStatus.Unobserve(slot);
        for (const auto& row : f.lvwCookiesToDelete.Items()) {
            r.found.push_back(std::string(text::FileNameOfPath(row.text)));
        }
        r.doEvents = host.DoEventsCount() - start - loadEvents;
        r.inspected = f.Session().counters.MemoryItemsInspected;
        f.cmdScan.SetEnabled(true);
        return r;
    }

    Reference::Result Expected(size_t stopAt) {
        auto& fs = machine.Platform().files;
        auto files = fs.ListFiles(CookieFolder());
        std::vector<std::string> names, domains;
        for (const auto& file : *files) {
            names.push_back(file.name);
            domains.push_back(scan::GetCookieDomain(fs, file.fullPath));
        }
        return Reference::Run(names, domains, patterns, "Detecting Cookies: ", stopAt);
    }

    std::vector<std::string> patterns;
};

TEST_F(CookieScaleTest, MatchesProgressAndEventsOfThePlainLoop) {
    const Reference::Result expected = Expected(0);
    const Reference::Result actual = RunPhase(0);
    ASSERT_FALSE(expected.found.empty());
    EXPECT_EQ(actual.found, expected.found);
    EXPECT_EQ(actual.doEvents, expected.doEvents);
    EXPECT_EQ(actual.inspected, expected.inspected);
    EXPECT_EQ(actual.statuses, expected.statuses);
    // Some refreshes fell on a pattern holding a masked word.
    bool masked = false;
    for (const auto& s : actual.statuses) {
        masked = masked || s.find("****") != std::string::npos;
    }
    EXPECT_TRUE(masked);
}

TEST_F(CookieScaleTest, StopsAtTheSameEventAsThePlainLoop) {
    const size_t total = Expected(0).doEvents;
    for (size_t stopAt : {size_t{1}, size_t{2}, size_t{150}, total / 3, total / 2 + 1, total - 1}) {
        const Reference::Result expected = Expected(stopAt);
        const Reference::Result actual = RunPhase(stopAt);
        EXPECT_EQ(actual.found, expected.found) << "stop at " << stopAt;
        EXPECT_EQ(actual.doEvents, stopAt) << "stop at " << stopAt;
        EXPECT_EQ(actual.inspected, expected.inspected) << "stop at " << stopAt;
    }
}

}  // namespace
}  // namespace quellon::testing
