// The backend's implementations of the platform interfaces (internal).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "formats/ini_file.h"
#include "platform/posix/backend.h"

namespace quellon::posix {

class PosixFiles : public platform::FileSystem {
public:
    explicit PosixFiles(const MachineRoot& machine) : machine_(machine) {}
    std::optional<std::string> LookupFile(std::string_view path) override;
    bool FolderExists(std::string_view path) override;
    std::optional<std::vector<platform::FileEntry>> ListFiles(std::string_view folder) override;
    std::unique_ptr<platform::LineReader> OpenLines(std::string_view path) override;
    std::optional<std::string> ReadAll(std::string_view path) override;
    std::unique_ptr<platform::ByteReader> OpenRead(std::string_view path) override;
    bool Append(std::string_view path, std::string_view bytes) override;
    bool WriteAtomic(std::string_view path, std::string_view bytes) override;
    bool Delete(std::string_view path) override;
    bool Rename(std::string_view from, std::string_view to) override;
    bool CopyNew(std::string_view from, std::string_view to) override;
    bool CreateFolder(std::string_view path) override;
    std::unique_ptr<platform::LookupBatch> StartLookupBatch() override;
    std::optional<platform::FileStamp> StampFile(std::string_view path) override;
    std::string HostRootDrives() override;

private:
    const MachineRoot& machine_;
};

class PosixShell : public platform::Shell {
public:
    explicit PosixShell(const MachineRoot& machine) : machine_(machine) {}
    std::optional<std::string> SpecialFolder(int csidl) override;
    std::string SystemDirectory() override;
    std::string WindowsDirectory() override;
    std::vector<platform::Drive> Drives() override;

private:
    const MachineRoot& machine_;
};

class PosixProcesses : public platform::Processes {
public:
    explicit PosixProcesses(const MachineRoot& machine) : machine_(machine) {}
    std::optional<std::vector<platform::ProcessEntry>> Snapshot() override;
    bool CanOpen(std::uint32_t pid, std::uint32_t access) override;
    std::optional<std::string> FirstModulePath(std::uint32_t pid) override;
    std::optional<std::uint32_t> ExitCode(std::uint32_t pid) override;
    bool Terminate(std::uint32_t pid, std::uint32_t access, std::uint32_t exitCode) override;
    platform::WaitResult Wait(std::uint32_t pid, std::uint32_t milliseconds) override;
    bool SetDebugPrivilege(bool enable) override;
    std::optional<platform::OsVersion> Version() override;

private:
    const MachineRoot& machine_;
    // Exit codes asked for by Terminate, reported once the process has ended.
    std::map<std::uint32_t, std::uint32_t> requestedExitCodes_;
    // A process's executable link as read at some moment.
    struct Opened {
        std::uint32_t pid = 0;
        std::string exe;
        std::chrono::steady_clock::time_point at;
    };
    // The process CanOpen last opened for reading, with its link: the
    // FirstModulePath that follows straight after reads the process it
    // opened, as a Windows process handle would, without reading the link
    // again (the memory shield does both for several hundred processes a
    // tick).
    static constexpr std::chrono::milliseconds kHandleHeld{100};
    std::optional<Opened> opened_;
    // The executable links (none for kernel threads) the last Snapshot read,
    // and when: CanOpen takes a process's link from here once, within
    // kHandleHeld of the listing.
    std::unordered_map<std::uint32_t, std::optional<std::string>> listedLinks_;
    std::chrono::steady_clock::time_point listedAt_;
    // The machine's drives as the last Snapshot found them.
    std::shared_ptr<const MachineRoot::HeldDrives> listedDrives_;
    // Windows paths of executable links, worked out under listedDrives_;
    // forgotten when the drives change, or past kMaxWindowsPaths links
    // (programs under ever new names).
    static constexpr size_t kMaxWindowsPaths = 4096;
    std::unordered_map<std::string, std::string> windowsPaths_;
    // The kernel threads the last Snapshot found, with their names.
    std::unordered_map<std::uint32_t, std::string> kernelThreads_;
};

// Reads come from a copy in memory: each read compares the file's stamp with
// the copy's (one stat) and reads the file again only when it changed, so a
// reader never sees less than another program has written. A write reads
// the file afresh under the lock and keeps what it wrote as the copy. Keys
// set inside a batch wait in memory (reads see them over the copy) and are
// written, each application's at once, when the outermost batch ends.
class IniSettings : public platform::SettingsStorage {
public:
    explicit IniSettings(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::optional<std::string> Get(std::string_view app, std::string_view section,
                                   std::string_view key) override;
    bool Set(std::string_view app, std::string_view section, std::string_view key,
             std::string_view value) override;
    std::vector<platform::SettingEntry> List(std::string_view app) override;
    std::vector<std::string> Applications() override;
    // "<folder>/<name>.lock" under flock, which conflicts between two open
    // descriptions of the file, in one process too.
    platform::LockAttempt TryLock(std::string_view name) override;
    void BeginBatch() override;
    bool EndBatch() override;

    // "<folder>/<app>.ini" with unsafe bytes of the name escaped.
    std::filesystem::path FileOf(std::string_view app) const;

    // How many times a file was read for a reader (the tests count them).
    unsigned long FileReads() const { return fileReads_; }

    // What tells that a file changed: identity, size and times.
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0, mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    struct Copy {
        bool loaded = false;
        Stamp stamp;
        std::vector<formats::ini::Section> sections;
    };
    // The copy of one application's file, brought up to date first.
    Copy& Current(std::string_view app);
    // Keeps what a write left in the file as the copy.
    void Keep(std::string_view app, const std::filesystem::path& file,
              std::vector<formats::ini::Section> sections);
    // Stores the keys in one write of the application's file, under the lock.
    bool Store(std::string_view app, const std::vector<formats::ini::Entry>& keys);

    std::filesystem::path folder_;
    std::mutex mutex_;
    std::map<std::string, Copy, std::less<>> copies_;
    unsigned long fileReads_ = 0;
    // The open batches and the keys they hold, per application, in the
    // order they were set.
    int batchDepth_ = 0;
    std::map<std::string, std::vector<formats::ini::Entry>, std::less<>> held_;
};

std::unique_ptr<platform::Registry> MakeFileRegistry(std::filesystem::path file);

}  // namespace quellon::posix

namespace quellon::posix {

// Libraries are shared objects: a library at a Windows path is loaded with
// the dynamic loader when it is one this system can load (a Windows DLL is
// not, and is skipped).
class PosixLibraries : public platform::Libraries {
public:
    explicit PosixLibraries(const MachineRoot& machine) : machine_(machine) {}
    platform::LibraryCall CallEntryPoint(std::string_view path,
                                         std::string_view entryPoint) override;

private:
    const MachineRoot& machine_;
};

// A restore point of a machine root keeps a copy of its registry file taken
// when the point begins: <root>/restore-points/<sequence>/registry.reg, with
// the point's description and state in info.txt beside it.
class PosixRestorePoints : public platform::RestorePoints {
public:
    explicit PosixRestorePoints(const MachineRoot& machine) : machine_(machine) {}
    std::optional<std::int64_t> SetRestorePoint(std::uint32_t eventType,
                                                std::uint32_t restorePointType,
                                                std::int64_t sequence,
                                                std::string_view description) override;

private:
    const MachineRoot& machine_;
};

}  // namespace quellon::posix
