#include "platform/posix/console.h"

#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/posix/io.h"

extern char** environ;

namespace quellon::posix {
namespace {

std::atomic<bool>* g_interruptFlag = nullptr;

void OnInterrupt(int) {
    if (g_interruptFlag) {
        g_interruptFlag->store(true);
    }
}

}  // namespace

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

int TerminalColumns() {
    winsize ws{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) {
        return ws.ws_col;
    }
    return 80;
}

void CatchInterrupts(std::atomic<bool>& flag) {
    g_interruptFlag = &flag;
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool StartDetached(std::string_view commandLine) {
    // "setsid" style: the shell backgrounds the program so that it outlives us.
    const std::string script = std::string(commandLine) + " >/dev/null 2>&1 &";
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool WaitForProcessEnd(std::uint32_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool running = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
        if (running) {
            // A process that has ended but not been reaped shows as a zombie.
            // Read with read(2): a process that ends during the read gives
            // what was read (or nothing), never an exception.
            const std::string line =
                io::ReadFile("/proc/" + std::to_string(pid) + "/stat").value_or(std::string());
            const size_t close = line.rfind(')');
            running = close == std::string::npos || close + 2 >= line.size() ||
                      (line[close + 2] != 'Z' && line[close + 2] != 'X');
        }
        if (!running) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace quellon::posix
