// Starting the program with the user's desktop session, beside the Run-list
// entry of the registry.
#pragma once

namespace quellon::platform {

class StartupRegistration {
public:
    virtual ~StartupRegistration() = default;
    // Registers (true) or removes (false) the program's start with the
    // session; false when that failed.
    virtual bool SetRunAtStartup(bool run) = 0;
};

}  // namespace quellon::platform
