#include "app/application.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>

#include "app/frm_main.h"
#include "definitions/definition_set.h"
#include "definitions/definition_signature.h"
#include "platform/restart_protocol.h"
#include "update/update_site.h"

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

// Whether a file can be created in the folder: a probe file answers for the
// permission bits, access lists and read-only mounts alike.
bool CanCreateFilesIn(const fs::path& folder) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path probe = folder / (".quellon-probe-" + std::to_string(stamp));
    bool created = false;
    {
        std::ofstream out(probe, std::ios::binary | std::ios::trunc);
        created = out.is_open();
    }
    std::error_code ec;
    if (created) {
        fs::remove(probe, ec);
    }
    return created;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code ec1, ec2;
    const fs::path ca = fs::weakly_canonical(fs::absolute(a, ec1), ec1);
    const fs::path cb = fs::weakly_canonical(fs::absolute(b, ec2), ec2);
    return !ec1 && !ec2 && ca == cb;
}

}  // namespace

fs::path ChooseHome(const fs::path& executableFolder, const fs::path& userData) {
    if (userData.empty() || executableFolder.empty()) {
        return executableFolder;
    }
    std::error_code ec;
    const bool installed = fs::exists(executableFolder / kInstalledMarkerName, ec);
    if (!installed && CanCreateFilesIn(executableFolder)) {
        return executableFolder;
    }
    return userData;
}

Status SeedHome(const fs::path& home, const fs::path& shipped) {
    std::error_code ec;
    fs::create_directories(home, ec);
    if (!fs::is_directory(home, ec)) {
        return Status::Failure("cannot create the program folder \"" + home.string() + "\"");
    }
    for (const std::string_view name :
         {definitions::kFileDefinitionName, definitions::kRegistryDefinitionName,
          definitions::kExeDefinitionName, definitions::kCookieDefinitionName}) {
        const fs::path target = home / name;
        const fs::path source = shipped / name;
        if (fs::exists(target, ec) || !fs::is_regular_file(source, ec)) {
            continue;
        }
        // Copied under a temporary name first, so that a half copy never
        // passes for a definition file.
        fs::path temp = target;
        temp += ".tmp";
        fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
        if (!ec) {
            fs::rename(temp, target, ec);
        }
        if (ec) {
            fs::remove(temp, ec);
            return Status::Failure("cannot copy \"" + source.string() + "\" to \"" + home.string() +
                                   "\"");
        }
    }
    return Status::Ok();
}

Folders FoldersFromEnvironment() {
    Folders f;
    const auto home = Env(platform::kHomeVariable);
    const auto machine = Env(platform::kMachineVariable);
    const auto config = Env(platform::kConfigVariable);
    f.home = home ? fs::path(*home)
                  : ChooseHome(platform::ExecutableFolder(), platform::DefaultUserDataFolder());
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
    // The web site: the Comments of the version information where the
    // program has one (Windows), else the same text compiled in.
    info_.comments = platform::ProgramComments().value_or(std::string(update::CompiledSite()));
    // The user's own data folder in place of the executable's: the program's
    // files stay where they were installed, and the folder gets the starter
    // definitions the first time. A copy that fails shows as missing
    // definitions, which the main form reports.
    const fs::path executable = platform::ExecutableFolder();
    // Only the running executable's own folder says which keys to trust:
    // never the program folder, the user's data or the environment, which
    // whoever starts the program can point anywhere.
    info_.updateKeys = definitions::LoadTrustedKeys(executable / kUpdateKeysFolder);
    if (SameFolder(folders_.home, platform::DefaultUserDataFolder()) &&
        !SameFolder(folders_.home, executable)) {
        info_.installFolder = backend_->WindowsPathOf(executable);
        static_cast<void>(SeedHome(folders_.home, executable));
    }
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
