// The terminal the command line runs in.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string_view>

namespace quellon::posix {

// Whether standard error is a terminal (a live progress line makes sense).
bool StderrIsTerminal();
bool StdinIsTerminal();
// Width of the terminal on standard error; 80 when unknown.
int TerminalColumns();
// Ctrl-C (SIGINT) and SIGTERM set the flag instead of ending the program.
void CatchInterrupts(std::atomic<bool>& flag);
// Starts a program detached, given as a command line for /bin/sh; false
// when it cannot start.
bool StartDetached(std::string_view commandLine);
// Waits until a process (not necessarily a child) has ended: it is gone, or
// only its exit status is left; false when it still runs after `limit`.
bool WaitForProcessEnd(std::uint32_t pid, std::chrono::milliseconds limit);

}  // namespace quellon::posix
