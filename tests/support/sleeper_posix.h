// A real running process on Linux: a copy of sleep under a name of our
// choosing, killed and reaped when the test ends.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "support/test_machine.h"

namespace quellon::testing {

// A real running process: a copy of sleep under a name of our choosing.
class Sleeper {
public:
    Sleeper(const std::filesystem::path& folder, const std::string& name,
            std::string_view extra = {}) {
        std::filesystem::create_directories(folder);
        path_ = folder / name;
        std::filesystem::copy_file("/bin/sleep", path_);
        if (!extra.empty()) {
            std::string bytes = ReadBytes(path_) + std::string(extra);
            WriteBytes(path_, bytes);
            std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
        }
        pid_ = fork();
        if (pid_ == 0) {
            execl(path_.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait until the exec has happened and /proc shows the new image.
        for (int i = 0; i < 200; ++i) {
            std::error_code ec;
            if (std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec) ==
                path_) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~Sleeper() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    // True when the process was killed (reaps it).
    bool Killed() {
        int status = 0;
        for (int i = 0; i < 400; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFSIGNALED(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    pid_t Pid() const { return pid_; }

private:
    std::filesystem::path path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

}  // namespace quellon::testing
