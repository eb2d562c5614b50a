// The command line of quellon-pro: the folders (as quellon-cli takes them)
// and the start-up actions used to show a page or run a scan at once.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quellon::gui {

struct CommandLine {
    std::filesystem::path home, machine, config;
    // "status", "scan", "results" or "options"; empty: the start page.
    std::string page;
    // The option page's tab, 1 to 4.
    int tab = 1;
    // Presses Start once the window is up.
    bool scan = false;
    // After the scan, ticks every row found and deletes them without asking.
    bool remove = false;
    // Runs one tick of a shield once the window is up: "memory" or "homepage".
    std::string shield;
    // Shows the Live Update notice once the window is up.
    bool notice = false;
    bool help = false;
    // Set when the arguments are wrong.
    std::string error;
    // Arguments left for the toolkit (argv[0] first).
    std::vector<std::string> rest;
};

extern const char* const kUsage;

// Reads the options, the environment variables QUELLON_HOME, QUELLON_MACHINE
// and QUELLON_CONFIG, and fills in the defaults.
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace quellon::gui
