// Builds a benchmark machine: a program folder with large definition files,
// files, registry and cookies that match about half of them, and the lists
// of what the bare loops touch. On Linux everything lies in a temporary
// folder (a machine root); on Windows the machine is the real one, and what
// the benchmark plants there sits in folders and keys of its own, removed
// afterwards (bench_machine_posix.cpp, bench_machine_win32.cpp).
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

// Where the generated files go, and under which folder tokens and key paths
// the definitions name them.
struct Layout {
    // Files named without a folder (the system folder): the text before
    // their names, and the folder they land in.
    std::string systemPrefix;
    std::filesystem::path system;
    // [pfiles]<pfilesPrefix>VendorNNNN lands in programFiles/VendorNNNN.
    std::string pfilesPrefix;
    std::filesystem::path programFiles;
    // Whole folder tokens and their folders.
    std::string driversToken;
    std::filesystem::path drivers;
    std::string desktopToken;
    std::filesystem::path desktop;
    std::string windowsToken;
    std::filesystem::path windows;
    // [Drive]<drivePrefix>TempNNN lands in driveTemp/TempNNN.
    std::string drivePrefix;
    std::filesystem::path driveTemp;
    // The key each hive's entries sit below (classes root, current user,
    // local machine, users, current config, dyn data).
    std::string keyBase[6];
    // The cookie folder, the user name before the @ of cookie file names
    // (the other spelling: the same with a capital), and whether an
    // index.dat is written beside them.
    std::filesystem::path cookies;
    std::string cookieUser = "user";
    bool cookieIndex = true;
};

struct BenchMachine {
    std::filesystem::path dir;  // the folder holding the program folder
    std::filesystem::path root, home, config;
    // Linux paths of every known-file definition, in file order (what the
    // bare loop looks up).
    std::vector<std::string> filePaths;
    // The look-ups of every registry definition with a valid hive.
    std::vector<RegistryProbe> registryProbes;
    // The cookie folder, and whether the benchmark made it (Windows: it
    // then goes again when empty).
    std::filesystem::path cookieFolder;
    bool madeCookieFolder = false;
    // Counts for the report.
    int filesPresent = 0;
    int registryPresent = 0;
    int cookiesMatching = 0;
};

// One registry key the machine gets, with the values in it (each "bench
// data"), and how many definition lines it makes present.
struct PlannedKey {
    int hive = 0;  // index into Layout::keyBase
    std::string subKey;
    std::vector<std::string> values;
    int lines = 0;
};

// Writes the machine (a new folder under `parent` on Linux; the real
// machine on Windows, where `parent` is not used).
BenchMachine Generate(const std::filesystem::path& parent, const Sizes& sizes);

// Per system: the machine's folders made and its layout.
BenchMachine PrepareMachine(const std::filesystem::path& parent, Layout& layout);
// Per system: writes the keys; returns the definition lines now present.
int PlantRegistry(const BenchMachine& m, const std::vector<PlannedKey>& keys);
// Per system: removes everything the benchmark planted.
void RemoveMachine(const BenchMachine& m);
// Per system: removes what an earlier run left behind, by the benchmark's
// own folder, key and file names (nothing on Linux, whose machines are
// temporary folders); false when something stayed.
bool RemoveLeftovers();
// The machine of a folder made by Generate (for a fresh process).
BenchMachine MachineAt(const std::filesystem::path& dir);

}  // namespace quellon::bench
