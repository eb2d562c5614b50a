// An XDG autostart entry (~/.config/autostart/<name>.desktop) so that the
// program starts with the desktop session.
#pragma once

#include <filesystem>
#include <string>

#include "platform/startup.h"

namespace quellon::posix {

class XdgAutostart : public platform::StartupRegistration {
public:
    // `executable` is the program the session starts; `folder` defaults to
    // $XDG_CONFIG_HOME/autostart or ~/.config/autostart.
    XdgAutostart(std::string name, std::string displayName, std::filesystem::path executable,
                 std::filesystem::path folder = {});
    bool SetRunAtStartup(bool run) override;
    std::filesystem::path EntryPath() const { return folder_ / (name_ + ".desktop"); }

private:
    std::string name_, displayName_;
    std::filesystem::path executable_;
    std::filesystem::path folder_;
};

// The default autostart folder of the user.
std::filesystem::path DefaultAutostartFolder();

}  // namespace quellon::posix
