#include "app/start_up.h"

#include <system_error>
#include <utility>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/front_end.h"
#include "platform/restart_protocol.h"

namespace quellon::app {

namespace fs = std::filesystem;

std::string WindowUsage(std::string_view program, std::string_view toolkitOptions) {
    const std::string name(program);
    return "usage: " + name + " [--home DIR] [--machine DIR] [--config DIR]" +
           std::string(toolkitOptions) +
           "\n"
           "\n"
           "options (or the environment variables QUELLON_HOME, QUELLON_MACHINE, "
           "QUELLON_CONFIG):\n"
           "  --home DIR          the program folder (definitions, exclusions, report);\n"
           "                      default: the folder of " +
           name +
           "\n"
           "  --machine DIR       the machine root (drive_c, registry.reg, machine.ini);\n"
           "                      default: $WINEPREFIX, else ~/.wine\n"
           "  --config DIR        the folder of the settings store;\n"
           "                      default: $XDG_CONFIG_HOME/" +
           name + ", else ~/.config/" + name +
           "\n"
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
}

namespace {

bool IsFolderOption(const std::string& a) {
    return a == "--home" || a == "--machine" || a == "--config";
}

// Reads a --show-page value into the actions; false when it names no page.
bool ReadPage(const std::string& value, StartUpActions& actions) {
    std::string name = value;
    int tab = 1;
    if (const size_t colon = name.find(':'); colon != std::string::npos) {
        const std::string digits = name.substr(colon + 1);
        name.resize(colon);
        if (digits.size() != 1 || digits[0] < '1' || digits[0] > '4' || name != "options") {
            return false;
        }
        tab = digits[0] - '0';
    }
    if (name != "status" && name != "scan" && name != "results" && name != "options") {
        return false;
    }
    actions.page = name;
    actions.tab = tab;
    return true;
}

}  // namespace

WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& args, Folders defaults) {
    WindowCommandLine c;
    c.folders = std::move(defaults);
    for (size_t i = 0; i < args.size() && c.error.empty();) {
        const std::string& a = args[i];
        if (IsFolderOption(a)) {
            // A run of folder options, taken as every front-end takes them.
            std::vector<std::string> tail(args.begin() + static_cast<std::ptrdiff_t>(i),
                                          args.end());
            const size_t before = tail.size();
            if (Status taken = TakeFolderOptions(tail, c.folders); !taken) {
                c.error = taken.reason();
            }
            i += before - tail.size();
            continue;
        }
        ++i;
        // The value of an option that takes one; nullopt (and the error set)
        // when it is missing.
        auto value = [&]() -> std::optional<std::string> {
            if (i >= args.size()) {
                c.error = a + " needs a value";
                return std::nullopt;
            }
            return args[i++];
        };
        if (a == "--scan") {
            c.actions.scan = true;
        } else if (a == "--remove") {
            c.actions.remove = true;
        } else if (a == "--shield") {
            if (const auto shield = value()) {
                if (*shield != "memory" && *shield != "homepage") {
                    c.error = "unknown shield " + *shield;
                } else {
                    c.actions.shield = *shield;
                }
            }
        } else if (a == "--show-notice") {
            c.actions.notice = true;
        } else if (a == "--help" || a == "-h") {
            c.help = true;
        } else if (a == "--show-page") {
            if (const auto page = value(); page && !ReadPage(*page, c.actions)) {
                c.error = "unknown page " + *page;
            }
        } else {
            // Everything else belongs to the toolkit (-platform, -style ...).
            c.rest.push_back(a);
        }
    }
    if (c.error.empty() && c.actions.remove && !c.actions.scan) {
        c.error = "--remove needs --scan";
    }
    return c;
}

std::optional<std::string> FolderProblem(const Folders& folders, std::string_view program) {
    if (CheckFolders(folders)) {
        return std::nullopt;
    }
    const std::string name(program);
    return "The machine root " + folders.machine.string() + " is not a folder.\n\nStart " + name +
           " with --machine DIR or set QUELLON_MACHINE; a Wine prefix serves as a machine, and "
           "\"quellon-cli make-demo DIR\" writes a demo machine.";
}

void ShowPage(FrmMain& form, std::string_view page, int tab) {
    if (page == "status") {
        form.cmdStatus.Click();
    } else if (page == "scan") {
        form.cmdScan.Click();
    } else if (page == "results") {
        form.cmdResults.Click();
    } else if (page == "options" && tab >= 1 && tab <= 4) {
        form.mnuSettingsItem_Click(tab - 1);
    }
}

void RunStartUpActions(FrmMain& form, const StartUpActions& actions) {
    if (actions.scan) {
        // As the user presses Start: nothing while the button is disabled.
        form.cmdScanNow.Click();
        if (actions.remove) {
            auto& session = form.Session();
            session.UnattendedRemoval = true;
            form.RemoveAllFound();
            session.UnattendedRemoval = false;
        }
    }
    ShowPage(form, actions.page, actions.tab);
    if (actions.shield == "memory") {
        form.tmrMemoryInspected_Timer();
    } else if (actions.shield == "homepage") {
        form.tmrCheckHomePage_Timer();
    }
    if (actions.notice) {
        form.mnuDebugSignature.Click();
    }
}

bool StartRestartCompanion(const fs::path& program, std::uint32_t pid, const Folders& folders) {
    const fs::path companion = program.parent_path() / platform::kRestartCompanionName;
    return platform::StartCompanionDetached(
        companion,
        platform::RestartEnvironment(program, pid, folders.home, folders.machine, folders.config));
}

StartUp::StartUp(StartUpOptions options) : options_(std::move(options)) {
    std::error_code ec;
    fs::create_directories(options_.folders.config, ec);
    app_ = std::make_unique<Application>(options_.folders);
}

StartUp::~StartUp() {
    End();
}

fs::path StartUp::LockPath(const fs::path& config) {
    return config / "quellon-pro.lock";
}

std::unique_ptr<platform::StartupRegistration> StartUp::TakeRegistration() {
    const AppInfo& info = app_->Info();
    return platform::MakeStartupRegistration(info.exeName, info.productName, options_.executable,
                                             options_.autostartFolder);
}

void StartUp::Prepare(ui::Host& host, FrontEnd& frontEnd) {
    host_ = &host;
    frontEnd_ = &frontEnd;
    splash_ = std::make_unique<FrmSplash>(host);
    // The main form is made when the start window hands over, so that its
    // timers run from then on.
    splash_->loadMainWindow = [this] { HandOver(); };
}

void StartUp::HandOver() {
    FrmMain& form = app_->MakeMainForm(*host_, *frontEnd_);
    if (makeWindow) {
        makeWindow(form);
    }
    if (!form.Form_Load()) {
        refused_ = true;
        return;
    }
    if (presentWindow) {
        presentWindow();
    }
    loaded_ = true;
    if (onLoaded) {
        onLoaded();
    }
}

void StartUp::Start() {
    if (splash_) {
        splash_->Form_Load();
    }
}

void StartUp::End() {
    // The widgets observe the forms: they go first. The front-end's hooks
    // are not called again (its widgets may be gone with it).
    if (auto drop = std::exchange(dropWidgets, nullptr)) {
        drop();
    }
    makeWindow = nullptr;
    presentWindow = nullptr;
    onLoaded = nullptr;
    splash_.reset();
    app_->DestroyMainForm();
}

}  // namespace quellon::app
