#include "platform/posix/xdg_autostart.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace quellon::posix {
namespace {

// The Exec key's quoting: the path in double quotes, with the reserved
// characters escaped by a backslash.
std::string QuoteExec(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

std::filesystem::path DefaultAutostartFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::filesystem::path(xdg) / "autostart";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config" / "autostart";
    }
    return {};
}

XdgAutostart::XdgAutostart(std::string name, std::string displayName,
                           std::filesystem::path executable, std::filesystem::path folder)
    : name_(std::move(name)),
      displayName_(std::move(displayName)),
      executable_(std::move(executable)),
      folder_(folder.empty() ? DefaultAutostartFolder() : std::move(folder)) {}

bool XdgAutostart::SetRunAtStartup(bool run) {
    if (folder_.empty()) {
        return false;
    }
    std::error_code ec;
    const auto entry = EntryPath();
    if (!run) {
        std::filesystem::remove(entry, ec);
        return !ec;
    }
    std::filesystem::create_directories(folder_, ec);
    const auto temp = folder_ / ("." + name_ + ".desktop.tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        // Icon: the one the package installs under the program's name.
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=" << displayName_ << "\n"
            << "Exec=" << QuoteExec(executable_.string()) << "\n"
            << "Icon=" << name_ << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        if (!out.flush()) {
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, entry, ec);
    return !ec;
}

}  // namespace quellon::posix
