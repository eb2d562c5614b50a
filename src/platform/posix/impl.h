// The backend's implementations of the platform interfaces (internal).
#pragma once

#include <filesystem>
#include <map>
#include <memory>

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
    bool Append(std::string_view path, std::string_view bytes) override;
    bool WriteAtomic(std::string_view path, std::string_view bytes) override;
    bool Delete(std::string_view path) override;
    bool Rename(std::string_view from, std::string_view to) override;
    bool CopyNew(std::string_view from, std::string_view to) override;
    bool CreateFolder(std::string_view path) override;

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
};

class IniSettings : public platform::SettingsStorage {
public:
    explicit IniSettings(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::optional<std::string> Get(std::string_view app, std::string_view section,
                                   std::string_view key) override;
    bool Set(std::string_view app, std::string_view section, std::string_view key,
             std::string_view value) override;
    std::vector<platform::SettingEntry> List(std::string_view app) override;
    std::vector<std::string> Applications() override;

    // "<folder>/<app>.ini" with unsafe bytes of the name escaped.
    std::filesystem::path FileOf(std::string_view app) const;

private:
    std::filesystem::path folder_;
};

std::unique_ptr<platform::Registry> MakeFileRegistry(std::filesystem::path file);

}  // namespace quellon::posix
