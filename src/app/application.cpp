#include "app/application.h"

#include <cstdlib>
#include <optional>
#include <system_error>

#include "app/frm_main.h"

namespace quellon::app {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Env(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') {
        return std::nullopt;
    }
    return std::string(v);
}

}  // namespace

Folders FoldersFromEnvironment() {
    Folders f;
    const auto home = Env("QUELLON_HOME");
    const auto machine = Env("QUELLON_MACHINE");
    const auto config = Env("QUELLON_CONFIG");
    f.home = home ? fs::path(*home) : platform::ExecutableFolder();
    f.machine = machine ? fs::path(*machine) : platform::DefaultMachineFolder();
    f.config = config ? fs::path(*config) : platform::DefaultConfigFolder();
    return f;
}

Status TakeFolderOptions(std::vector<std::string>& args, Folders& folders) {
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        fs::path* target = option == "--home"      ? &folders.home
                           : option == "--machine" ? &folders.machine
                           : option == "--config"  ? &folders.config
                                                   : nullptr;
        if (target == nullptr) {
            break;
        }
        if (i + 1 >= args.size()) {
            return Status::Failure(option + " needs a folder");
        }
        if (target == &folders.machine && !platform::UsesMachineRoot()) {
            return Status::Failure("--machine has no meaning here: the scan looks at this machine");
        }
        *target = args[++i];
    }
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
    return Status::Ok();
}

Status CheckFolders(const Folders& folders) {
    if (!platform::UsesMachineRoot()) {
        return Status::Ok();
    }
    std::error_code ec;
    if (!fs::is_directory(folders.machine, ec)) {
        return Status::Failure("machine root \"" + folders.machine.string() + "\" is not a folder");
    }
    return Status::Ok();
}

Application::Application(Folders folders)
    : folders_(std::move(folders)),
      backend_(platform::MakeBackend({folders_.machine, folders_.config})) {
    std::error_code ec;
    info_.programFolder = backend_->WindowsPathOf(fs::absolute(folders_.home, ec));
}

Application::~Application() = default;

FrmMain& Application::MakeMainForm(ui::Host& host, FrontEnd& frontEnd) {
    if (!form_) {
        form_ = std::make_unique<FrmMain>(info_, backend_->Get(), host, frontEnd);
    }
    return *form_;
}

void Application::DestroyMainForm() {
    form_.reset();
}

}  // namespace quellon::app
