// The Linux backend: a Windows machine laid out on disk under a machine root
// (Wine's prefix layout), the real /proc for processes and INI files for the
// settings store.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace quellon::posix {

// Where a machine root keeps its Windows folders, drives and version
// (machine.ini, all keys optional).
struct MachineConfig {
    std::string windows = "C:\\WINDOWS";
    std::string system = "C:\\WINDOWS\\system32";
    std::string desktop = "C:\\Documents and Settings\\User\\Desktop";
    std::string cookies = "C:\\Documents and Settings\\User\\Cookies";
    std::string programs = "C:\\Documents and Settings\\User\\Start Menu\\Programs";
    platform::OsVersion version;
    // Drive letter (upper case) -> type text from [Drives].
    std::vector<std::pair<char, std::string>> driveTypes;

    static MachineConfig Load(const std::filesystem::path& machineIni);
    // machine.ini over `base` (what a Wine prefix names).
    static MachineConfig Load(const std::filesystem::path& machineIni, MachineConfig base);
    // The same from the file's bytes.
    static MachineConfig Parse(std::string_view machineIni, MachineConfig base);
    static MachineConfig Parse(std::string_view machineIni);
};

class ResolveCache;

// What a resolution found out about the last component of a path, when it
// could tell without asking the system again.
enum class LeafKind { kUnknown, kMissing, kRegularFile, kOther };

// Maps Windows paths onto the machine root and back.
class MachineRoot {
public:
    explicit MachineRoot(std::filesystem::path root);
    const std::filesystem::path& Root() const { return root_; }
    const MachineConfig& Config() const { return config_; }

    // The Linux path of a Windows path, resolving every existing component
    // without regard to case; components that do not exist are kept as given.
    // nullopt when the path is not absolute ("X:\..."), names an unknown
    // drive, holds a "/" inside a component or would leave its drive.
    std::optional<std::filesystem::path> Resolve(std::string_view windowsPath) const;
    // The same; `leaf` receives what is known of the last component.
    std::optional<std::filesystem::path> Resolve(std::string_view windowsPath,
                                                 LeafKind& leaf) const;
    // The Windows path of a Linux path: inside a drive folder "X:\...",
    // elsewhere "Z:\" + the Linux path with "/" turned into "\". kResolved
    // says the path is absolute with every link already resolved (as the
    // kernel gives a process's executable), which spares resolving it.
    enum PathForm { kAsGiven, kResolved };
    std::string ToWindows(const std::filesystem::path& linuxPath, PathForm form = kAsGiven) const;
    // The machine's drives as they are now, held for a run of ToWindows
    // calls made within a moment (the memory shield's one tick): each plain
    // call confirms the drives again with two `stat` calls.
    struct HeldDrives;
    std::shared_ptr<const HeldDrives> HoldDrives() const;
    // Whether two holds saw the same drives (nothing changed in between).
    static bool SameDrives(const HeldDrives& a, const HeldDrives& b);
    std::string ToWindows(const std::filesystem::path& linuxPath, PathForm form,
                          const HeldDrives& drives) const;
    // Lets Windows paths reach a Linux folder outside every drive of the
    // machine (the program folder) as "Z:\" + its path, also where the machine
    // maps no Z: drive. Without that, Z:\ reaches only what the machine root
    // maps it to (a real Wine prefix links it to "/"): a definition line must
    // not name, nor a removal delete, a file of the Linux host.
    void Grant(const std::filesystem::path& linuxFolder) const;
    // The folder a drive letter maps to, when the drive exists.
    std::optional<std::filesystem::path> DriveFolder(char letter) const;
    // Letters of the drives the machine has, in order.
    std::string DriveLetters() const;
    // Letters of the drives through which a Windows path reaches files of
    // the host outside the machine: a drive whose folder is the host's root
    // "/" (a Wine prefix's dosdevices/z:) or a folder the machine root lies
    // in, and "Z" whenever the machine has no Z: drive of its own, since
    // "Z:\" + a Linux path is then how the host's files are named.
    std::string HostRootDrives() const;

private:
    // A drive of the machine: its letter and its folder, lexically normal
    // and with every link resolved (both empty for a C: that only
    // machine.ini names; `real` empty when the links cannot be resolved).
    struct Drive {
        char letter;
        std::filesystem::path normal, real;
        // How many components `normal` and `real` have.
        size_t normalDepth, realDepth;
    };
    using DriveList = std::vector<Drive>;
    struct DriveTable;
    // The drives, worked out again only when the root folder or its
    // dosdevices folder changed: the process scan asks for the Windows path
    // of every running program on every tick of the memory shield.
    std::shared_ptr<const DriveList> Drives() const;
    std::optional<std::filesystem::path> ResolveEachComponent(std::string_view windowsPath) const;

    std::filesystem::path root_;
    MachineConfig config_;
    // Folders resolved before, checked against the disk on every use.
    std::shared_ptr<ResolveCache> cache_;
    std::shared_ptr<DriveTable> drives_;
    // The Windows paths of the folders Grant let in.
    mutable std::vector<std::string> granted_;
};

// Everything the engine needs from Linux, built for one machine root, one
// settings folder.
class Backend {
public:
    Backend(std::filesystem::path machineRoot, std::filesystem::path configFolder);
    ~Backend();
    platform::Platform& Platform();
    const MachineRoot& Machine() const;

    // The Windows path of a Linux folder (for the program folder), which
    // Windows paths may then reach (MachineRoot::Grant).
    std::string WindowsPathOf(const std::filesystem::path& linuxPath) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The folder of the running executable.
std::filesystem::path ExecutableFolder();
// The default settings folder: $XDG_CONFIG_HOME/quellon-pro or ~/.config/quellon-pro.
std::filesystem::path DefaultConfigFolder();

}  // namespace quellon::posix
