// A real Wine prefix for a test, made with wineboot in a temporary folder
// (with a home folder of its own, so that Wine's links to the user's
// folders stay inside it), and removed with its wineserver afterwards. Where
// wine is missing or wineboot fails, Available() is false and Why() says why.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_machine.h"

namespace quellon::testing {

class WinePrefix {
public:
    WinePrefix() {
        root_ = dir_.path() / "prefix";
        home_ = dir_.path() / "home";
        std::filesystem::create_directories(home_);
        if (Sh("command -v wine && command -v wineserver") != 0) {
            why_ = "wine is not installed (Debian: apt-get install wine wine64)";
            return;
        }
        if (Wine({"wineboot", "--init"}, 300) != 0 ||
            Sh(Env() + " timeout 120 wineserver -w") != 0 ||
            !std::filesystem::exists(root_ / "system.reg")) {
            why_ = "wineboot --init did not make a prefix: " + output_;
            return;
        }
        available_ = true;
    }
    ~WinePrefix() {
        Sh(Env() + " timeout 60 wineserver -k");
        Sh(Env() + " timeout 60 wineserver -w");
        RemoveServerFolder(root_);
    }
    // Debian's Wine keeps a prefix's server folder in a folder of its own
    // below the temporary folder, named by the prefix's file "wineserver";
    // once the server has ended it goes with the prefix.
    static void RemoveServerFolder(const std::filesystem::path& prefix) {
        std::ifstream in(prefix / "wineserver");
        std::string name;
        std::getline(in, name);
        if (name.rfind("wine-", 0) != 0 || name.find('/') != std::string::npos) {
            return;
        }
        const char* tmp = std::getenv("TMPDIR");
        std::error_code ec;
        for (const std::string& base :
             {std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp"), std::string("/tmp")}) {
            std::filesystem::remove_all(std::filesystem::path(base) / name, ec);
        }
    }
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    bool Available() const { return available_; }
    const std::string& Why() const { return why_; }
    const std::filesystem::path& Root() const { return root_; }
    const std::filesystem::path& Home() const { return home_; }
    // What the last command wrote to its standard output and error.
    const std::string& Output() const { return output_; }

    static std::string Quoted(const std::string& text) {
        std::string out = "'";
        for (char c : text) {
            out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return out + "'";
    }
    // The variables Wine runs with, as a prefix of a shell command.
    std::string Env() const {
        return "env WINEPREFIX=" + Quoted(root_.string()) + " HOME=" + Quoted(home_.string()) +
               " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d' DISPLAY=";
    }
    // Runs a shell command; its exit status (-1 when it did not end by itself).
    int Sh(const std::string& command) {
        const std::filesystem::path out = dir_.path() / "output.txt";
        const std::string line = "(" + command + ") </dev/null >" + Quoted(out.string()) + " 2>&1";
        const int raw = std::system(line.c_str());
        output_ = ReadBytes(out);
        return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    // Runs "wine ARGS..." in the prefix.
    int Wine(const std::vector<std::string>& args, int timeoutSeconds = 120) {
        std::string command = Env() + " timeout " + std::to_string(timeoutSeconds) + " wine";
        for (const std::string& a : args) {
            command += " " + Quoted(a);
        }
        return Sh(command);
    }
    // Starts "wine ARGS..." in the background (the prefix's server ends it
    // at the latest when the prefix goes).
    void StartWine(const std::vector<std::string>& args) {
        std::string command = Env() + " setsid wine";
        for (const std::string& a : args) {
            command += " " + Quoted(a);
        }
        Sh(command + " >/dev/null 2>&1 &");
    }
    // A server that stays (up to a minute after its last program, should
    // the test die without stopping it); StopServer ends it, and it saves
    // the registry then.
    void StartServer() { Sh(Env() + " wineserver -p60"); }
    void StopServer() {
        Sh(Env() + " timeout 60 wineserver -k");
        Sh(Env() + " timeout 60 wineserver -w");
    }
    // Waits until the server ends by itself (Wine saves the registry then).
    void WaitForServer() { Sh(Env() + " timeout 120 wineserver -w"); }

private:
    TempDir dir_;
    std::filesystem::path root_, home_;
    bool available_ = false;
    std::string why_, output_;
};

}  // namespace quellon::testing
