#include "platform/posix/console.h"

#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

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

}  // namespace quellon::posix
