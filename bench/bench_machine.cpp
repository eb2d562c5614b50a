#include "bench_machine.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>

#include "definitions/codec.h"

namespace quellon::bench {

namespace fs = std::filesystem;

namespace {

std::string Format(const char* format, long a, long b = 0) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// Encoded definition lines, CR LF after each.
class DefinitionWriter {
public:
    void Add(std::string_view plain) {
        text_ += definitions::EncodeDefinitionLine(plain);
        text_ += "\r\n";
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

// A file of some size that holds no version information, or one published
// by Microsoft.
std::string FileBytes(long n, bool microsoft) {
    std::string bytes(200 + static_cast<size_t>(n % 300), 'x');
    if (microsoft) {
        bytes += "StringFileInfo";
        bytes += std::string("CompanyName\0", 12);
        bytes += std::string("Microsoft Corporation\0\0\0", 24);
    }
    return bytes;
}

void GenerateFiles(BenchMachine& m, const Layout& l, const Sizes& s, std::mt19937& rng) {
    DefinitionWriter defs;
    const long vendors = std::max(1, s.fileLines / 100);
    m.filePaths.reserve(static_cast<size_t>(s.fileLines));
    for (long i = 0; i < s.fileLines; ++i) {
        const std::string spyware = Format("BenchSpy%05ld", i / std::max(1, s.linesPerName));
        const long vendor = (i / 10) % vendors;
        // A quarter of the vendor folders are not on the machine.
        const bool vendorPresent = vendor % 4 != 3;
        std::string name;
        std::string folderToken;  // empty: no folder (the system folder)
        fs::path linuxFolder;
        bool folderPresent = true;
        switch (i % 10) {
            case 0:
            case 1:
            case 2:
                name = l.systemPrefix + Format("BF%06ld.DLL", i);
                linuxFolder = l.system;
                break;
            case 3:
            case 4:
                name = Format("BF%06ld.EXE", i);
                folderToken = "[pfiles]" + l.pfilesPrefix + Format("Vendor%04ld", vendor);
                linuxFolder = l.programFiles / Format("Vendor%04ld", vendor);
                folderPresent = vendorPresent;
                break;
            case 5:
                name = Format("Sub%02ld\\BF%06ld.EXE", i % 7, i);
                folderToken = "[pfiles]" + l.pfilesPrefix + Format("Vendor%04ld\\", vendor);
                linuxFolder =
                    l.programFiles / Format("Vendor%04ld", vendor) / Format("Sub%02ld", i % 7);
                folderPresent = vendorPresent;
                break;
            case 6:
                name = Format("BF%06ld.SYS", i);
                folderToken = l.driversToken;
                linuxFolder = l.drivers;
                break;
            case 7:
                name = Format("BF%06ld.LNK", i);
                folderToken = l.desktopToken;
                linuxFolder = l.desktop;
                break;
            case 8:
                name = Format("BF%06ld.TMP", i);
                folderToken = "[Drive]" + l.drivePrefix + Format("Temp%03ld", i % 100);
                linuxFolder = l.driveTemp / Format("Temp%03ld", i % 100);
                folderPresent = (i % 100) % 5 != 0;
                break;
            default:
                name = Format("BF%06ld.EXE", i);
                folderToken = l.windowsToken;
                linuxFolder = l.windows;
                break;
        }
        defs.Add(folderToken.empty() ? name + "=" + spyware
                                     : name + "=" + spyware + "|" + folderToken);
        std::string diskName = name.substr(name.rfind('\\') + 1);
        const bool present = folderPresent && rng() % 2 == 0;
        // One present file in eight is stored in another case than listed.
        if (present && rng() % 8 == 0) {
            diskName = Lower(diskName);
        }
        const fs::path path = linuxFolder / diskName;
        if (present) {
            fs::create_directories(linuxFolder);
            WriteFile(path, FileBytes(i, rng() % 64 == 0));
            ++m.filesPresent;
        }
        m.filePaths.push_back(path.string());
    }
    // Folders that exist without the listed files.
    for (long v = 0; v < vendors; ++v) {
        if (v % 4 != 3) {
            fs::create_directories(l.programFiles / Format("Vendor%04ld", v));
        }
    }
    WriteFile(m.home / "FileDefinition.dat", defs.Text());
}

void GenerateRegistry(BenchMachine& m, const Layout& l, const Sizes& s, std::mt19937& rng) {
    static const platform::Hive kHives[] = {
        platform::kHkeyClassesRoot, platform::kHkeyCurrentUser,   platform::kHkeyLocalMachine,
        platform::kHkeyUsers,       platform::kHkeyCurrentConfig, platform::kHkeyDynData,
    };
    DefinitionWriter defs;
    // Hive and key path -> the key's plan.
    std::map<std::pair<long, std::string>, PlannedKey> keys;
    const long vendors = std::max(1, s.registryLines / 50);
    for (long i = 0; i < s.registryLines; ++i) {
        const std::string spyware = Format("BenchSpy%05ld", i / std::max(1, s.linesPerName));
        // One line in a hundred has a hive digit that opens nothing.
        const long digit = i % 100 == 99 ? 7 : i % 6;
        const long vendor = (i / 7) % vendors;
        std::string subKey = digit < 6 ? l.keyBase[digit] + "\\" : std::string();
        switch (digit) {
            case 0:
                subKey += Format("{%08lX-BEAD-4%03ld-8000-00AA00BB00CC}", i, i % 1000);
                break;
            case 1:
                subKey += Format("Vendor%04ld\\Product%ld", vendor, i % 5);
                break;
            case 2:
                subKey += Format("Vendor%04ld\\Product%ld\\Settings", vendor, i % 5);
                break;
            case 3:
                subKey += Format("Vendor%04ld\\Run%ld", vendor, i % 3);
                break;
            case 4:
                subKey += Format("Set%04ld", vendor);
                break;
            case 5:
                subKey += Format("Dev%04ld", vendor);
                break;
            default:
                subKey += Format("Config Manager\\Enum\\Dev%04ld", vendor);
                break;
        }
        const bool keyEntry = i % 3 == 0;
        std::string valueName;
        if (keyEntry) {
            subKey += Format("\\Key%06ld", i);
        } else {
            valueName = Format("Val%06ld", i);
        }
        const bool present = digit < 6 && rng() % 2 == 0;
        // A quarter of the lines name the key in another case than stored.
        const std::string listed = rng() % 4 == 0 ? Lower(subKey) : subKey;
        defs.Add(Format("%ld", digit) + "^" + listed + "^" + valueName + "=" + spyware);
        if (digit < 6) {
            m.registryProbes.push_back({kHives[digit], listed, valueName});
        }
        if (present) {
            PlannedKey& key = keys[{digit, subKey}];
            key.hive = static_cast<int>(digit);
            key.subKey = subKey;
            if (!keyEntry) {
                key.values.push_back(valueName);
            }
            ++key.lines;
        }
    }
    std::vector<PlannedKey> plan;
    plan.reserve(keys.size());
    for (auto& [where, key] : keys) {
        plan.push_back(std::move(key));
    }
    m.registryPresent = PlantRegistry(m, plan);
    WriteFile(m.home / "RegistryDefinition.dat", defs.Text());
}

void GenerateExes(BenchMachine& m, const Sizes& s) {
    DefinitionWriter defs;
    for (long i = 0; i < s.exeLines; ++i) {
        defs.Add(Format("benchexe%05ld.exe", i));
    }
    WriteFile(m.home / "ExeDefinition.dat", defs.Text());
}

// Cookie files of many sites and a pattern list in which a third of the
// sites match early, a third late and a third nothing (so that every pattern
// is tried for them).
void GenerateCookies(BenchMachine& m, const Layout& l, const Sizes& s, std::mt19937& rng) {
    static const char* const kWords[] = {"tracker", "adserve", "clicks", "banner",
                                         "metrics", "pixel",   "stats"};
    static const char* const kTlds[] = {"com", "net", "org", "info", "biz"};
    m.cookieFolder = l.cookies;
    const long sites = std::max(1L, static_cast<long>(s.cookieFiles) * 7 / 8);
    auto site = [&](long si) { return std::string(kWords[si % 7]) + std::to_string(si); };
    auto tld = [&](long si) { return std::string(kTlds[si % 5]); };
    std::string capitalUser = l.cookieUser;
    if (!capitalUser.empty() && capitalUser[0] >= 'a' && capitalUser[0] <= 'z') {
        capitalUser[0] = static_cast<char>(capitalUser[0] - 'a' + 'A');
    }

    for (long j = 0; j < s.cookieFiles; ++j) {
        const long si = j * 7 / 8;
        const std::string name = site(si);
        const bool www = j % 4 == 0;
        std::string fileName = l.cookieUser + "@" + std::string(j % 9 == 0 ? "www." : "") + name +
                               "[" + std::to_string(1 + j % 3) + "].txt";
        if (j % 11 == 0) {
            fileName = capitalUser + "@" + name + "(" + std::to_string(j) + ").txt";
        }
        std::string bytes = "id\n" + Format("%08lx", j * 2654435761L % 4294967296L) + "\n";
        if (j % 100 != 42) {  // a few carry no host line: their domain is "False"
            bytes += std::string(www || j % 9 == 0 ? "www." : "") + name + "." + tld(si) + "/\n";
        }
        bytes += "1536\n2977694720\n30107154\n1502342096\n29883914\n*\n";
        WriteFile(l.cookies / fileName, bytes);
    }
    if (l.cookieIndex) {
        WriteFile(l.cookies / "index.dat", std::string(4096, '\0'));
    }

    // Patterns that match no site of the machine, one of each wildcard kind.
    const long n = s.cookiePatterns;
    std::vector<std::string> patterns;
    patterns.reserve(static_cast<size_t>(n));
    for (long k = 0; k < n; ++k) {
        switch (k % 7) {
            case 0:
                patterns.push_back(Format("noise%05ld.example.com", k));
                break;
            case 1:
                patterns.push_back(Format("*.noise%05ld.net", k));
                break;
            case 2:
                patterns.push_back(Format("nz?%05ld.org", k));
                break;
            case 3:
                patterns.push_back(Format("n#z%05ld.info", k));
                break;
            case 4:
                patterns.push_back(Format("[xyz]q%05ld.biz", k));
                break;
            case 5:
                patterns.push_back(Format("[!a-m]w%05ld.co", k));
                break;
            default:
                patterns.push_back(Format("cdn*.nx%05ld.*", k));
                break;
        }
    }
    // Patterns for two sites in three, early or late in the list.
    for (long si = 0; si < sites && n > 0; ++si) {
        const long group = rng() % 3;
        if (group == 2) {
            continue;
        }
        const std::string name = site(si);
        const std::string domain = name + "." + tld(si);
        std::string pattern;
        switch (si % 6) {
            case 0:
                pattern = domain;
                break;
            case 1:
                pattern = "*" + name + ".*";
                break;
            case 2:
                pattern = domain.substr(0, domain.size() - 1) + "?";
                break;
            case 3:
                pattern = "[a-z]" + domain.substr(1);
                break;
            case 4:
                pattern = "[!0-9]" + domain.substr(1, name.size() - 1) + ".[a-z]*";
                break;
            default:
                pattern = "*" + std::to_string(si) + "." + tld(si);
                break;
        }
        const long early = std::max(1L, n / 10);
        const long at = group == 0 ? static_cast<long>(rng() % early)
                                   : n / 2 + static_cast<long>(rng() % std::max(1L, n - n / 2));
        patterns[static_cast<size_t>(at)] = pattern;
        ++m.cookiesMatching;
    }
    DefinitionWriter defs;
    for (const std::string& p : patterns) {
        defs.Add(p);
    }
    WriteFile(m.home / "BlockedCookies.dat", defs.Text());
}

}  // namespace

BenchMachine Generate(const fs::path& parent, const Sizes& sizes) {
    Layout layout;
    BenchMachine m = PrepareMachine(parent, layout);
    try {
        std::mt19937 rng(sizes.seed);
        GenerateFiles(m, layout, sizes, rng);
        GenerateRegistry(m, layout, sizes, rng);
        GenerateExes(m, sizes);
        GenerateCookies(m, layout, sizes, rng);
    } catch (...) {
        // Nothing half-planted stays behind.
        RemoveMachine(m);
        throw;
    }
    return m;
}

}  // namespace quellon::bench
