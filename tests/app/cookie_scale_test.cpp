// The cookie phase at scale gives what trying every pattern one by one gives.
#include <random>
#include <set>

#include "common/pattern.h"
#include "common/text.h"
#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

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

class CookieScaleTest : public FormTest {
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
        f.Session().ScanRunning = true;
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
        for (size_t i = 0; i < f.lvwCookiesToDelete.Count(); ++i) {
            r.found.push_back(std::string(text::FileNameOfPath(f.lvwCookiesToDelete.Item(i).text)));
        }
        r.doEvents = host.DoEventsCount() - start - loadEvents;
        r.inspected = f.Session().counters.MemoryItemsInspected;
        f.cmdScan.SetEnabled(true);
        f.Session().ScanRunning = false;
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
