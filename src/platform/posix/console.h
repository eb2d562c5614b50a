// The terminal the command line runs in.
#pragma once

#include <atomic>
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

}  // namespace quellon::posix
