// The benchmark machine on Linux: a temporary folder holding the program
// folder and a machine root laid out as Wine lays out a prefix, with the
// registry as a registry file.
#include <stdlib.h>

#include <fstream>
#include <stdexcept>

#include "bench_machine.h"

namespace quellon::bench {

namespace fs = std::filesystem;

BenchMachine MachineAt(const fs::path& dir) {
    BenchMachine m;
    m.dir = dir;
    m.root = dir / "machine";
    m.home = dir / "home";
    m.config = dir / "config";
    return m;
}

BenchMachine PrepareMachine(const fs::path& parent, Layout& l) {
    std::string templ = (parent / "quellon-bench.XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder in " + parent.string());
    }
    BenchMachine m = MachineAt(templ);
    for (const fs::path& p : {m.root, m.home, m.config}) {
        fs::create_directories(p);
    }
    // The Windows folder sits on disk in lower case, as Wine writes it, so
    // that its look-ups need the case-blind match.
    const fs::path driveC = m.root / "drive_c";
    l.windows = driveC / "windows";
    l.windowsToken = "[wDir]";
    l.system = l.windows / "system32";
    l.drivers = l.system / "drivers";
    l.driversToken = "[wDir]system32\\drivers";
    l.programFiles = driveC / "Program Files";
    l.driveTemp = driveC;
    const fs::path user = driveC / "Documents and Settings" / "User";
    l.desktop = user / "Desktop";
    l.desktopToken = "[dDir]";
    l.cookies = user / "Cookies";
    const fs::path programs = user / "Start Menu" / "Programs";
    for (const fs::path& p : {l.drivers, l.programFiles, l.desktop, l.cookies, programs}) {
        fs::create_directories(p);
    }
    const char* const bases[6] = {"CLSID",           "Software",
                                  "SOFTWARE",        ".DEFAULT\\Software",
                                  "Software\\Fonts", "Config Manager\\Enum"};
    for (int i = 0; i < 6; ++i) {
        l.keyBase[i] = bases[i];
    }
    return m;
}

int PlantRegistry(const BenchMachine& m, const std::vector<PlannedKey>& keys) {
    static const char* const kRootNames[] = {
        "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
        "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
    };
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    int lines = 0;
    for (const PlannedKey& key : keys) {
        text += "[" + std::string(kRootNames[key.hive]) + "\\" + key.subKey + "]\r\n";
        for (const std::string& value : key.values) {
            text += "\"" + value + "\"=\"bench data\"\r\n";
        }
        text += "\r\n";
        lines += key.lines;
    }
    const fs::path path = m.root / "registry.reg";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return lines;
}

void RemoveMachine(const BenchMachine& m) {
    std::error_code ec;
    fs::remove_all(m.dir, ec);
}

bool RemoveLeftovers() {
    return true;
}

}  // namespace quellon::bench
