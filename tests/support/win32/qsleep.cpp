// A small Windows program for the process tests: sleeps the seconds given
// (30 by default), so that a copy of it under a listed name is a running
// process to find and stop.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 30;
    ::Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 0) * 1000);
    return 0;
}
