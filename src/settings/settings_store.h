// The per-user settings store: strings addressed by application, section and
// key. Reading an absent key gives the reader's default; nothing is deleted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_storage.h"

namespace quellon::settings {

inline constexpr std::string_view kProductName = "Quellon Pro";
inline constexpr std::string_view kRunStateApp = "ZorazeRizavezOzuvuruz";

inline constexpr std::string_view kOptionAndSettings = "OptionAndSettings";
inline constexpr std::string_view kSettings = "Settings";
inline constexpr std::string_view kDrives = "Drives";

// Keys, letter for letter as they are stored.
namespace keys {
inline constexpr std::string_view kChkMakeLog = "chkMakeLog";
inline constexpr std::string_view kChkSweepMemory = "chkSweepMemory";
inline constexpr std::string_view kChkScanRegistry = "chkScanRegistry";
inline constexpr std::string_view kChkScanCookies = "chkScanCookies";
inline constexpr std::string_view kChkRunAtStartup = "chkRunAtStartup";
inline constexpr std::string_view kChkAutomaticUpdate = "chkAutomaticUpdate";
inline constexpr std::string_view kChkAutomaticScanYesOrNo = "chkAutomaticScanYesOrNo";
inline constexpr std::string_view kDay = "Day";
inline constexpr std::string_view kTime = "Time";
inline constexpr std::string_view kDate = "Date";
inline constexpr std::string_view kOptIEHomePageSheildOn = "optIEHomePageSheildOn";
inline constexpr std::string_view kOptIEHomePageSheildOff = "optIEHomePageSheildOff";
inline constexpr std::string_view kOptAlwaysnotifybeforerestoring =
    "optAlwaysnotifybeforerestoring";
inline constexpr std::string_view kOptRestoredefaultwithoutnotification =
    "optRestoredefaultwithoutnotification";
inline constexpr std::string_view kOptMemorySheildOn = "optMemorySheildOn";
inline constexpr std::string_view kOptMemorySheildOff = "optMemorySheildOff";
inline constexpr std::string_view kOptScanAllSelectedHardDrive = "optScanAllSelectedHardDrive";
inline constexpr std::string_view kOptScanOnlyKnownSoftwares = "optScanOnlyKnownSoftwares";
inline constexpr std::string_view kHomepage = "Homepage";
inline constexpr std::string_view kFileDefinition = "FileDefinition";
inline constexpr std::string_view kRegistryDefinition = "RegistryDefinition";
inline constexpr std::string_view kEXEDefinition = "EXEDefinition";
inline constexpr std::string_view kCookieDefinition = "CookieDefinition";
inline constexpr std::string_view kSignatureUpdateDate = "Signature Update Date";
inline constexpr std::string_view kSHOW = "SHOW";
inline constexpr std::string_view kRESTART = "RESTART";
inline constexpr std::string_view kSTATUS = "STATUS";
inline constexpr std::string_view kChkAutoDel = "chkAutoDel";
inline constexpr std::string_view kLblLastScan = "lblLastScan";
inline constexpr std::string_view kLblLastFullScan = "lblLastFullScan";
inline constexpr std::string_view kLblDefRemoved = "lblDefRemoved";
inline constexpr std::string_view kMinimized = "Minimized";
// The scheduled scans' own record (section Settings): the last due time
// dealt with (started, missed, or passed before the schedule was applied),
// and the last one that was missed ("" once a later one started).
inline constexpr std::string_view kScheduleServed = "ScheduleServed";
inline constexpr std::string_view kScheduleMissed = "ScheduleMissed";
inline constexpr std::string_view kShowHelp = "showHelp";
inline constexpr std::string_view kProduct = "Product";
inline constexpr std::string_view kFile = "File";
}  // namespace keys

// Holds the keys saved while it lives, through any store over the same
// storage, and writes them together when it ends (the outermost of nested
// ones), however the procedure that opened it is left: one atomic write of
// the settings file instead of one per key. Reads meanwhile see the held
// values.
class [[nodiscard]] SettingsBatch {
public:
    explicit SettingsBatch(platform::SettingsStorage& storage) : storage_(storage) {
        storage_.BeginBatch();
    }
    ~SettingsBatch();
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

private:
    platform::SettingsStorage& storage_;
};

class SettingsStore {
public:
    explicit SettingsStore(platform::SettingsStorage& storage,
                           std::string app = std::string(kProductName))
        : storage_(storage), app_(std::move(app)) {}

    const std::string& App() const { return app_; }
    // The same storage under another application name.
    SettingsStore For(std::string_view app) const {
        return SettingsStore(storage_, std::string(app));
    }

    std::string Get(std::string_view section, std::string_view key,
                    std::string_view fallback) const;
    void Save(std::string_view section, std::string_view key, std::string_view value);

    // A stored number; the fallback when the key is absent or holds no number.
    std::int64_t GetNumber(std::string_view section, std::string_view key,
                           std::int64_t fallback) const;
    // A stored boolean ("True"/"False" or a number).
    bool GetBool(std::string_view section, std::string_view key, bool fallback) const;
    // Check-box form "1"/"0" and option-button form "True"/"False".
    void SaveCheck(std::string_view section, std::string_view key, bool checked);
    void SaveOption(std::string_view section, std::string_view key, bool selected);

    // Opens a batch: the keys a procedure saves go out in one write when it
    // ends. Keep it in a named variable for the length of the procedure.
    SettingsBatch Batch() { return SettingsBatch(storage_); }

    // The lock called `name` shared by every program of this user's
    // profile, taken without waiting.
    platform::LockAttempt TryLock(std::string_view name) { return storage_.TryLock(name); }

private:
    platform::SettingsStorage& storage_;
    std::string app_;
};

}  // namespace quellon::settings
