#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/sleeper.h"
#include "support/test_machine.h"

namespace quellon::testing {

struct Sleeper::Impl {
    std::filesystem::path path;
    pid_t pid = -1;
};

Sleeper::Sleeper(const std::filesystem::path& folder, const std::string& name,
                 std::string_view extra)
    : impl_(std::make_unique<Impl>()) {
    std::filesystem::create_directories(folder);
    impl_->path = folder / name;
    std::filesystem::copy_file("/bin/sleep", impl_->path);
    if (!extra.empty()) {
        WriteBytes(impl_->path, ReadBytes(impl_->path) + std::string(extra));
        std::filesystem::permissions(impl_->path, std::filesystem::perms::owner_all);
    }
    impl_->pid = fork();
    if (impl_->pid == 0) {
        execl(impl_->path.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the exec has happened and /proc shows the new image.
    for (int i = 0; i < 200; ++i) {
        std::error_code ec;
        if (std::filesystem::read_symlink("/proc/" + std::to_string(impl_->pid) + "/exe", ec) ==
            impl_->path) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Sleeper::~Sleeper() {
    kill(impl_->pid, SIGKILL);
    waitpid(impl_->pid, nullptr, 0);
}

bool Sleeper::Killed() {
    int status = 0;
    for (int i = 0; i < 400; ++i) {
        if (waitpid(impl_->pid, &status, WNOHANG) == impl_->pid) {
            return WIFSIGNALED(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

unsigned long Sleeper::Pid() const {
    return static_cast<unsigned long>(impl_->pid);
}

std::string UniqueProgramName(std::string_view stem) {
    return std::string(stem) + std::to_string(getpid()) + ".exe";
}

}  // namespace quellon::testing
