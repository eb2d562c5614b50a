// Builds a benchmark machine in a temporary folder: a program folder with
// large definition files, a machine root whose files, registry and cookies
// match about half of them, and the lists of what the bare loops touch.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quellon::bench {

struct Sizes {
    int fileLines = 100000;
    int registryLines = 100000;
    int exeLines = 10000;
    int cookiePatterns = 10000;
    int cookieFiles = 5000;
    int processes = 3;
    // Lines per spyware name (consecutive lines share a name).
    int linesPerName = 20;
    unsigned seed = 12345;
};

struct RegistryProbe {
    platform::Hive hive = 0;
    std::string subKey;
    std::string valueName;  // empty: the key itself
};

struct BenchMachine {
    std::filesystem::path dir;  // the temporary folder holding everything
    std::filesystem::path root, home, config;
    // Linux paths of every known-file definition, in file order (what the
    // bare loop looks up).
    std::vector<std::string> filePaths;
    // The look-ups of every registry definition with a valid hive.
    std::vector<RegistryProbe> registryProbes;
    // The cookie folder.
    std::filesystem::path cookieFolder;
    // Counts for the report.
    int filesPresent = 0;
    int registryPresent = 0;
    int cookiesMatching = 0;
};

// Writes the machine into a new folder under `parent`.
BenchMachine Generate(const std::filesystem::path& parent, const Sizes& sizes);

}  // namespace quellon::bench
