// The Windows backend's implementations of the platform interfaces (internal).
#pragma once

#include <string>

#include "platform/win32/backend.h"

namespace quellon::win32 {

class Win32Files : public platform::FileSystem {
public:
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
};

class Win32Registry : public platform::Registry {
public:
    platform::RegKey OpenKey(platform::Hive hive, std::string_view subKey,
                             std::uint32_t access) override;
    platform::RegKey CreateKey(platform::Hive hive, std::string_view subKey) override;
    void CloseKey(platform::RegKey key) override;
    std::optional<platform::RegValue> QueryValue(platform::RegKey key,
                                                 std::string_view name) override;
    bool SetValue(platform::RegKey key, std::string_view name,
                  const platform::RegValue& value) override;
    bool DeleteValue(platform::RegKey key, std::string_view name) override;
    bool DeleteKeyTree(platform::Hive hive, std::string_view subKey) override;
};

class Win32Processes : public platform::Processes {
public:
    std::optional<std::vector<platform::ProcessEntry>> Snapshot() override;
    bool CanOpen(std::uint32_t pid, std::uint32_t access) override;
    std::optional<std::string> FirstModulePath(std::uint32_t pid) override;
    std::optional<std::uint32_t> ExitCode(std::uint32_t pid) override;
    bool Terminate(std::uint32_t pid, std::uint32_t access, std::uint32_t exitCode) override;
    platform::WaitResult Wait(std::uint32_t pid, std::uint32_t milliseconds) override;
    bool SetDebugPrivilege(bool enable) override;
    std::optional<platform::OsVersion> Version() override;
};

class Win32Shell : public platform::Shell {
public:
    std::optional<std::string> SpecialFolder(int csidl) override;
    std::string SystemDirectory() override;
    std::string WindowsDirectory() override;
    std::vector<platform::Drive> Drives() override;
};

// The settings store in the registry: HKEY_CURRENT_USER\<root>\<app>\<section>,
// one string value per key.
class RegistrySettings : public platform::SettingsStorage {
public:
    explicit RegistrySettings(std::string root) : root_(std::move(root)) {}
    std::optional<std::string> Get(std::string_view app, std::string_view section,
                                   std::string_view key) override;
    bool Set(std::string_view app, std::string_view section, std::string_view key,
             std::string_view value) override;
    std::vector<platform::SettingEntry> List(std::string_view app) override;
    std::vector<std::string> Applications() override;

private:
    std::string root_;
};

}  // namespace quellon::win32

namespace quellon::win32 {

class Win32Libraries : public platform::Libraries {
public:
    platform::LibraryCall CallEntryPoint(std::string_view path,
                                         std::string_view entryPoint) override;
};

// System Restore through srclient.dll, where the system has it.
class Win32RestorePoints : public platform::RestorePoints {
public:
    std::optional<std::int64_t> SetRestorePoint(std::uint32_t eventType,
                                                std::uint32_t restorePointType,
                                                std::int64_t sequence,
                                                std::string_view description) override;
};

}  // namespace quellon::win32
