// The quarantine: a copy of every file a removal deletes, kept in the
// "quarantine" folder under the program folder, and QuarantineLog.txt, the
// log of every removed file and registry entry.
//
// A file is deleted only once its copy is in the quarantine folder and the
// log entry naming the copy and its old location is on disk, so neither a
// failed copy nor a crash can lose a file or the way back to its place.
// Same-named files from different folders are all kept: the second copy is
// stored as name.001, the third as name.002, and so on.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "ui/host.h"

namespace quellon::removal {

inline constexpr std::string_view kQuarantineFolderName = "quarantine";
inline constexpr std::string_view kQuarantineLogName = "QuarantineLog.txt";

// One copy in the quarantine folder and where it came from (from the log).
struct QuarantinedFile {
    std::string name;           // the copy's name in the quarantine folder
    std::string location;       // the full path it had; empty when the log does not say
    std::string quarantinedAt;  // the log entry's time; empty when unknown
};

enum class RestoreResult {
    kRestored,
    kNotInQuarantine,  // no copy of that name
    kNoLocation,       // the log names no location and none was given
    kTargetExists,     // a file or folder is already there; nothing is overwritten
    kFailed,           // the copy could not be written there
};

class QuarantineStore {
public:
    QuarantineStore(platform::Platform& platform, ui::Host& host, std::string programFolder);

    // program folder + "\quarantine" and the log inside it.
    const std::string& Folder() const { return folder_; }
    const std::string& LogPath() const { return logPath_; }

    // Set by the removal run for its first pass only: registry entries are
    // logged in that pass, so a retried entry is never logged twice.
    bool FirstRemovalPass = false;

    // A removal run begins: forgets which files this run has copied.
    void BeginRun();

    // ".exe" files: stops the file's running process, then moves the file.
    // 0 no "\" in the path or not moved; -1 not there; 2 the process could
    // not be stopped; 1 moved.
    std::int16_t QuarantineExecutable(std::string_view path);
    // Copies (once), logs and deletes, up to 8 attempts; true once a deletion
    // was attempted, false when the file is not there (or could not be kept).
    bool MoveToQuarantine(std::string_view path, std::string_view name);
    // ".dll" and ".ocx" files: unregisters, copies, logs, deletes once.
    // -1 not there; 1 deleted; 0 not deleted (also without a "\").
    std::int16_t QuarantineLibrary(std::string_view path, std::uintptr_t windowHandle = 0);
    // Any other file: copies, logs, then deletes 8 times in a row; true once
    // the deletions ran, false without a "\", when not there or not kept.
    bool QuarantineFile(std::string_view path);
    // Cookie files: copies, logs, deletes once.
    void QuarantineCookie(std::string_view path);
    // Calls the library's DllRegisterServer (or DllUnregisterServer); a
    // library that cannot be loaded or lacks the entry point is skipped.
    // Always true.
    bool CallDllRegistration(std::uintptr_t windowHandle, std::string_view path, bool doRegister);

    // Log entries, appended while FirstRemovalPass is set.
    void LogQuarantinedFile(std::string_view fullPath, std::string_view name);
    void LogRemovedRegistryEntry(std::string_view keyText, std::string_view valueText);

    // The copies in the quarantine folder, in listing order, each with the
    // location its newest log entry names.
    std::vector<QuarantinedFile> List();
    // Puts a copy back at its logged location (or at `target` when given),
    // never replacing anything; the copy leaves the quarantine once it is
    // back. `restoredTo` receives the path written.
    RestoreResult Restore(std::string_view name, std::string_view target = {},
                          std::string* restoredTo = nullptr);

private:
    // Whether a copy of the file at `path` is in the quarantine with its log
    // entry on disk, making them when this run has not yet.
    bool Secure(std::string_view path, std::string_view name);
    // Copies into the first free quarantine name; that name, or empty.
    std::string CopyToFreeName(std::string_view path, std::string_view name);
    bool AppendFileEntry(std::string_view fullPath, std::string_view name);
    bool AppendLog(std::string_view entry);
    std::string Timestamp();

    platform::Platform& platform_;
    ui::Host& host_;
    std::string folder_;
    std::string logPath_;
    // Files this run has copied (upper-cased source path -> copy), and
    // whether the copy's log entry is written.
    struct Copy {
        std::string name;
        bool logged = false;
    };
    std::map<std::string, Copy, std::less<>> copies_;
    // Upper-cased names in the quarantine folder, listed on first need in a run.
    std::optional<std::set<std::string, std::less<>>> taken_;
};

}  // namespace quellon::removal
