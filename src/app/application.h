// The composition root that every front-end shares: the folders the program
// runs with, the backend made for them through the backend factory, the
// names from the version information and the main form. A front-end adds
// only its Host, its FrontEnd and its widgets.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_info.h"
#include "common/result.h"
#include "platform/backend_factory.h"

namespace quellon::ui {
class Host;
}

namespace quellon::app {

class FrmMain;
class FrontEnd;

// The three folders a run of the program works with.
struct Folders {
    // The program folder: definitions, exclusion list, quarantine, report.
    std::filesystem::path home;
    // The machine root (Linux): a Windows machine laid out on disk.
    std::filesystem::path machine;
    // The folder of the settings store (Linux).
    std::filesystem::path config;
};

// The folders from the environment (QUELLON_HOME, QUELLON_MACHINE,
// QUELLON_CONFIG) or, where a variable is unset or empty, the defaults.
Folders FoldersFromEnvironment();

// Takes the folder options (--home DIR, --machine DIR, --config DIR) from
// the front of `args` into `folders`; what follows is left in `args`. Fails
// with the reason when an option lacks its folder, or names a machine root
// where the backend looks at the real machine.
Status TakeFolderOptions(std::vector<std::string>& args, Folders& folders);

// Whether a scan can look at the machine: a machine root must be a folder
// (where the backend uses one).
Status CheckFolders(const Folders& folders);

// The file an installed copy of the program carries beside its programs. Such
// a copy keeps each user's definitions, exclusion list, quarantine and report
// in the user's own data folder, never in the folder of the programs.
inline constexpr std::string_view kInstalledMarkerName = "Installed.txt";
// The folder beside the executable that holds the public keys ("*.pub") of
// the maker, whose signatures Live Update accepts.
inline constexpr std::string_view kUpdateKeysFolder = "UpdateKeys";

// The program folder when neither QUELLON_HOME nor --home names one: the
// folder of the executable, unless that copy was installed (it carries
// kInstalledMarkerName) or the folder is not writable; then `userData`, the
// user's own data folder (the executable's folder when there is none).
std::filesystem::path ChooseHome(const std::filesystem::path& executableFolder,
                                 const std::filesystem::path& userData);

// Gives a per-user program folder the starter definitions: copies each of
// the four definition files that `home` lacks from `shipped`, creating
// `home` first. A file already there (one Live Update brought) is kept.
// Fails with the reason when a file cannot be copied.
Status SeedHome(const std::filesystem::path& home, const std::filesystem::path& shipped);

class Application {
public:
    explicit Application(Folders folders);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const Folders& GetFolders() const { return folders_; }
    platform::BackendHandle& Backend() { return *backend_; }
    platform::Platform& Platform() { return backend_->Get(); }
    // The names of the version information, with the program folder as the
    // engine sees it.
    const AppInfo& Info() const { return info_; }

    // Makes the main form over this backend (once; later calls return it).
    FrmMain& MakeMainForm(ui::Host& host, FrontEnd& frontEnd);
    // The main form once it is made; null before.
    FrmMain* Form() { return form_.get(); }
    // Ends the main form before the host and front-end it was made with.
    void DestroyMainForm();

private:
    Folders folders_;
    std::unique_ptr<platform::BackendHandle> backend_;
    AppInfo info_;
    std::unique_ptr<FrmMain> form_;
};

}  // namespace quellon::app
