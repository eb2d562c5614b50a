// Runs the built quellon-cli program in tests: its output and exit status,
// and a fixture with a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "definitions/codec.h"
#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::cli {

namespace fs = std::filesystem;

inline fs::path EnvFolder(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}

// The source tree, from the environment or else from this file's place in it.
inline fs::path SourceFolder() {
    const fs::path fromEnv = EnvFolder("QUELLON_SOURCE");
    return fromEnv.empty() ? fs::path(__FILE__).parent_path().parent_path().parent_path() : fromEnv;
}

inline std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Never throws: a file of a process that ends during the read gives what
// was read.
inline std::string ReadAll(const fs::path& path) {
    return testing::ReadBytes(path);
}

inline void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

struct Result {
    int status = -1;
    std::string out;
    std::string err;

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    // The text of every line that starts with `tag` and a tab.
    std::vector<std::string> Tagged(const std::string& tag) const {
        std::vector<std::string> rows;
        for (const std::string& line : Lines()) {
            if (line.rfind(tag + "\t", 0) == 0) {
                rows.push_back(line.substr(tag.size() + 1));
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        bin_ = EnvFolder("QUELLON_BIN");
        ASSERT_TRUE(fs::exists(bin_ / "quellon-cli"))
            << "QUELLON_BIN must name the folder of quellon-cli";
    }

    // Runs a shell command with its output caught in files.
    Result Shell(const std::string& command) {
        const fs::path outFile = tmp_.path() / "stdout.txt";
        const fs::path errFile = tmp_.path() / "stderr.txt";
        const std::string line =
            command + " </dev/null >" + Quoted(outFile.string()) + " 2>" + Quoted(errFile.string());
        const int raw = std::system(line.c_str());
        Result r;
        r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadAll(outFile);
        r.err = ReadAll(errFile);
        return r;
    }

    Result Cli(const std::vector<std::string>& args) {
        std::string command = Quoted((bin_ / "quellon-cli").string());
        for (const std::string& a : args) {
            command += " " + Quoted(a);
        }
        return Shell(command);
    }

    Result Scan(const fs::path& home, const fs::path& machine) {
        return Cli({"--home", home.string(), "--machine", machine.string(), "--config",
                    (machine / "config").string(), "scan"});
    }

    fs::path bin_;
    testing::TempDir tmp_;
};

// A program folder, a machine root with its drive C: and a settings folder
// in the temporary folder, and quellon-cli run over them.
class CliOnMachine : public CliEndToEnd {
protected:
    void SetUp() override {
        CliEndToEnd::SetUp();
        home_ = tmp_.path() / "home";
        machine_ = tmp_.path() / "machine";
        config_ = tmp_.path() / "config";
        fs::create_directories(home_);
        fs::create_directories(machine_ / "drive_c");
    }
    Result Run(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--home",          home_.string(), "--machine",
                                        machine_.string(), "--config",     config_.string()};
        all.insert(all.end(), args.begin(), args.end());
        return Cli(all);
    }
    // The four definition files in the program folder: the one named holds
    // `lines` encoded, the others are empty.
    void WriteDefinitions(const std::string& name, const std::vector<std::string>& lines) {
        for (const char* file : {"FileDefinition.dat", "RegistryDefinition.dat",
                                 "ExeDefinition.dat", "BlockedCookies.dat"}) {
            std::string bytes;
            if (name == file) {
                for (const std::string& line : lines) {
                    bytes += definitions::EncodeDefinitionLine(line) + "\r\n";
                }
            }
            WriteAll(home_ / file, bytes);
        }
    }

    fs::path home_, machine_, config_;
};

}  // namespace quellon::cli
