// The help window: an invisible carrier of no size that, when loaded, has
// the desktop open the program's help file. "Help.chm" is the help of the
// Windows program; the page the build ships, "Help.html", is opened where
// there is no "Help.chm" (always on Linux, where no CHM viewer is the
// desktop's opener).
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"
#include "settings/settings_store.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::tray {

inline constexpr std::string_view kHelpChm = "Help.chm";
inline constexpr std::string_view kHelpPage = "Help.html";

class Form8 : public ui::Window {
public:
    Form8(platform::FileSystem& files, ui::Host& host, settings::SettingsStore& settings,
          std::string programFolder);

    // Opens the help file through the desktop when the program folder has
    // one; stores "showHelp" = "0" either way, so that the first start's
    // showing is not tried again.
    void Form_Load();
    // The help file in the program folder that Form_Load opens; empty when
    // there is none.
    std::string HelpFile() const;

private:
    platform::FileSystem& files_;
    ui::Host& host_;
    settings::SettingsStore& settings_;
    std::string programFolder_;
};

}  // namespace quellon::tray
