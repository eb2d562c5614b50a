// What a scan costs the settings file: the first scan of a new profile
// stores the options' defaults and the scan's date, and does it in one
// write, as a later scan that stores only its date does.
#include "cli_fixture.h"

namespace quellon::cli {
namespace {

class ScanWrites : public CliOnMachine {
protected:
    // The scan's points where a file is about to change (the settings file's
    // and the report's writes pass several each).
    long ScanPoints(const std::string& tag) {
        const fs::path countFile = tmp_.path() / ("points-" + tag);
        std::string command = "QUELLON_FAULT_COUNT=" + Quoted(countFile.string()) + " " +
                              Quoted((bin_ / "quellon-cli").string());
        for (const std::string& a :
             {std::string("--home"), home_.string(), std::string("--machine"), machine_.string(),
              std::string("--config"), config_.string(), std::string("scan")}) {
            command += " " + Quoted(a);
        }
        const Result r = Shell(command);
        EXPECT_LE(r.status, 1) << r.err;
        const std::string count = ReadAll(countFile);
        return count.empty() ? -1 : std::stol(count);
    }
};

TEST_F(ScanWrites, TheFirstScanOfANewProfileWritesTheSettingsOnce) {
    WriteDefinitions("FileDefinition.dat", {"gone.dll=Gone|C:\\Nowhere"});
    const long first = ScanPoints("first");
    ASSERT_GT(first, 0);
    // The defaults are all there, with the scan's date.
    const fs::path ini = config_ / "Quellon Pro.ini";
    const std::string stored = ReadAll(ini);
    for (const char* key : {"SHOW=True", "optScanOnlyKnownSoftwares=True",
                            "optScanAllSelectedHardDrive=False", "lblLastScan="}) {
        EXPECT_NE(stored.find(key), std::string::npos) << key << " in\n" << stored;
    }
    // A later scan whose date differs from the stored one writes the
    // settings once (and the report), and the first scan no more.
    ASSERT_EQ(Run({"settings", "set", "Quellon Pro", "Settings", "lblLastScan", "never"}).status,
              0);
    const long later = ScanPoints("later");
    EXPECT_EQ(first, later);
    EXPECT_NE(ReadAll(ini).find("lblLastScan="), std::string::npos);
    EXPECT_EQ(ReadAll(ini).find("lblLastScan=never"), std::string::npos);
}

}  // namespace
}  // namespace quellon::cli
