// The restart companion (AppRestart.exe on Windows, quellon-restart on
// Linux). The program starts it, without arguments, just before it ends
// after Live Update downloaded new definitions; the companion waits until
// the program has ended and starts it again, so that the new start puts the
// new definitions in place. The environment carries what it needs (the
// variables of platform/restart_protocol.h); the folders of the new start
// pass through to it unchanged.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/backend_factory.h"
#include "platform/restart_protocol.h"

namespace {

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? v : nullptr;
}

}  // namespace

int main() {
    using namespace quellon;
    const char* program = Env(platform::kRestartProgramVariable);
    const char* pid = Env(platform::kRestartPidVariable);
    if (program == nullptr) {
        std::cerr << "quellon-restart: started without QUELLON_RESTART_PROGRAM; it is started by "
                     "Quellon Pro after Live Update\n";
        return 2;
    }
    if (pid != nullptr) {
        const unsigned long id = std::strtoul(pid, nullptr, 10);
        // The program ends within moments; one that does not is not started
        // a second time beside itself.
        if (id != 0 && !platform::WaitForProcessEnd(static_cast<std::uint32_t>(id),
                                                    std::chrono::seconds(60))) {
            std::cerr << "quellon-restart: the program (process " << id
                      << ") did not end; it is not started again\n";
            return 1;
        }
    }
    if (!platform::StartDetached(platform::QuoteProgram(program))) {
        std::cerr << "quellon-restart: cannot start " << program << '\n';
        return 1;
    }
    return 0;
}
