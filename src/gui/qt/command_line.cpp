#include "gui/qt/command_line.h"

#include <optional>

#include "app/application.h"

namespace quellon::gui {

const char* const kUsage =
    "usage: quellon-pro [--home DIR] [--machine DIR] [--config DIR] [Qt options]\n"
    "\n"
    "options (or the environment variables QUELLON_HOME, QUELLON_MACHINE, QUELLON_CONFIG):\n"
    "  --home DIR          the program folder (definitions, exclusions, report);\n"
    "                      default: the folder of quellon-pro\n"
    "  --machine DIR       the machine root (drive_c, registry.reg, machine.ini);\n"
    "                      default: $WINEPREFIX, else ~/.wine\n"
    "  --config DIR        the folder of the settings store;\n"
    "                      default: $XDG_CONFIG_HOME/quellon-pro, else ~/.config/quellon-pro\n"
    "\n"
    "start-up actions (for scripts and screenshots):\n"
    "  --scan              press Start once the window is up\n"
    "  --remove            after --scan, delete everything found without asking\n"
    "                      (as a scheduled scan set to delete automatically)\n"
    "  --shield SHIELD     run one tick of the memory or the homepage shield\n"
    "  --show-notice       show the Live Update notice, as Debug > Show\n"
    "                      SignatureUpdated does\n"
    "  --show-page PAGE    then show PAGE: status, scan, results or options[:TAB]\n"
    "                      (TAB 1 to 4: scan options, schedule, protection, update)\n"
    "  --help              print this text\n";

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine c;
    const app::Folders defaults = app::FoldersFromEnvironment();
    std::optional<std::string> home, machine, config;
    c.rest.emplace_back(argc > 0 ? argv[0] : "quellon-pro");
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::optional<std::string>& target) {
            if (i + 1 >= argc) {
                c.error = a + " needs a value";
                return;
            }
            target = argv[++i];
        };
        if (a == "--home") {
            value(home);
        } else if (a == "--machine") {
            value(machine);
        } else if (a == "--config") {
            value(config);
        } else if (a == "--scan") {
            c.scan = true;
        } else if (a == "--remove") {
            c.remove = true;
        } else if (a == "--shield") {
            std::optional<std::string> shield;
            value(shield);
            if (shield && *shield != "memory" && *shield != "homepage") {
                c.error = "unknown shield " + *shield;
            } else if (shield) {
                c.shield = *shield;
            }
        } else if (a == "--show-notice") {
            c.notice = true;
        } else if (a == "--help" || a == "-h") {
            c.help = true;
        } else if (a == "--show-page") {
            std::optional<std::string> page;
            value(page);
            if (!page) {
                continue;
            }
            std::string name = *page;
            c.tab = 1;
            if (const size_t colon = name.find(':'); colon != std::string::npos) {
                const std::string tab = name.substr(colon + 1);
                name.resize(colon);
                if (tab.size() != 1 || tab[0] < '1' || tab[0] > '4' || name != "options") {
                    c.error = "unknown page " + *page;
                    continue;
                }
                c.tab = tab[0] - '0';
            }
            if (name != "status" && name != "scan" && name != "results" && name != "options") {
                c.error = "unknown page " + *page;
                continue;
            }
            c.page = name;
        } else {
            // Everything else belongs to the toolkit (-platform, -style ...).
            c.rest.push_back(a);
        }
        if (!c.error.empty()) {
            break;
        }
    }
    if (c.error.empty() && c.remove && !c.scan) {
        c.error = "--remove needs --scan";
    }
    c.home = home ? std::filesystem::path(*home) : defaults.home;
    c.machine = machine ? std::filesystem::path(*machine) : defaults.machine;
    c.config = config ? std::filesystem::path(*config) : defaults.config;
    return c;
}

}  // namespace quellon::gui
