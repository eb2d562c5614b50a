#include "tray/form8.h"

#include "definitions/definition_set.h"

namespace quellon::tray {

Form8::Form8(platform::FileSystem& files, ui::Host& host, settings::SettingsStore& settings,
             std::string programFolder)
    : files_(files), host_(host), settings_(settings), programFolder_(std::move(programFolder)) {
    SetVisible(false);
}

std::string Form8::HelpFile() const {
    for (std::string_view name : {kHelpChm, kHelpPage}) {
        std::string path = definitions::JoinPath(programFolder_, name);
        if (definitions::FileExists(files_, path)) {
            return path;
        }
    }
    return {};
}

void Form8::Form_Load() {
    const std::string help = HelpFile();
    if (!help.empty()) {
        host_.OpenDocument(help);
    }
    settings_.Save(settings::kSettings, settings::keys::kShowHelp, "0");
}

}  // namespace quellon::tray
