// A real running program under a name of our choosing, stopped and reaped
// when the test ends: a copy of sleep on Linux, of the qsleep test program
// on Windows. Each system has its own implementation file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quellon::testing {

class Sleeper {
public:
    // Copies the sleeping program to `folder`/`name` (with `extra` bytes
    // appended: data after an executable's end does not keep it from
    // running) and starts it; returns once the process list shows it.
    Sleeper(const std::filesystem::path& folder, const std::string& name,
            std::string_view extra = {});
    ~Sleeper();
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;

    // True when the process was stopped from outside (it would sleep for
    // 30 seconds); waits a little for that.
    bool Killed();
    unsigned long Pid() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A program name no other test run uses: stem, this process's id, ".exe".
std::string UniqueProgramName(std::string_view stem);

}  // namespace quellon::testing
