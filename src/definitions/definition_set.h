// The four definition files in the program folder: installing downloaded
// copies, the presence check and the line counts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace quellon::definitions {

enum class Kind { kFile, kRegistry, kExe, kCookie };

inline constexpr std::string_view kFileDefinitionName = "FileDefinition.dat";
inline constexpr std::string_view kRegistryDefinitionName = "RegistryDefinition.dat";
inline constexpr std::string_view kExeDefinitionName = "ExeDefinition.dat";
inline constexpr std::string_view kCookieDefinitionName = "BlockedCookies.dat";
inline constexpr std::string_view kDownloadPrefix = "DL";

std::string_view FileNameOf(Kind kind);

// True when a directory look-up of the path gives back, ignoring case, the
// path's file name (the text after its last "\"); any error gives false.
bool FileExists(platform::FileSystem& fs, std::string_view path);

// program folder + "\" + name, without doubling a trailing backslash.
std::string JoinPath(std::string_view folder, std::string_view name);

struct UpdateTrust;

// What the install at start did with one kind's "DL" file.
struct InstallOutcome {
    Kind kind = Kind::kFile;
    // It replaced the live file.
    bool installed = false;
    // It was set aside; the live file stays.
    bool setAside = false;
    // Why it was set aside, for people.
    std::string reason;
    // The version the live file's own signature names, when it has a sound
    // one (after the install: the installed version).
    std::optional<std::int64_t> liveVersion;
};

struct LineCounts {
    std::int32_t cookie = 0;
    std::int32_t exe = 0;
    std::int32_t registry = 0;
    std::int32_t file = 0;
    std::int32_t total = 0;
};

class DefinitionSet {
public:
    DefinitionSet(platform::FileSystem& fs, std::string programFolder)
        : fs_(fs), folder_(std::move(programFolder)) {}

    const std::string& ProgramFolder() const { return folder_; }
    std::string PathOf(Kind kind) const;

    // Puts every downloaded "DL" file in place of its live file. A "DL" file
    // is installed only when its signature ("DL" + name + ".sig") is a
    // trusted key's, names this file, covers exactly its bytes and is not
    // older than the live file's own signature, and the file passes
    // CheckDefinitionFile: it replaces the live one atomically, its signature
    // goes beside the live file (name + ".sig"), and both "DL" files go. One
    // that fails is set aside ("DL" + name + ".rejected", its signature
    // "DL" + name + ".sig.rejected") and the live file stays; one that cannot
    // be read or installed stays for the next start. Returns what happened to
    // each "DL" file there was.
    std::vector<InstallOutcome> InstallDownloadedDefinitions(const UpdateTrust& trust);
    // The version the live file's signature names, when the signature is a
    // trusted key's and covers the live file's bytes; nullopt otherwise (the
    // shipped starter files carry none).
    std::optional<std::int64_t> LiveSignedVersion(const UpdateTrust& trust, Kind kind);
    // Counts the stored lines of the four files; returns the total.
    std::int32_t CountDefinitionLines();
    const LineCounts& Counts() const { return counts_; }
    // True when all four files are there (contents are not checked).
    bool DefinitionFilesPresent();
    // Stored lines of one file, not yet decoded; nullptr when it cannot be opened.
    std::unique_ptr<platform::LineReader> Open(Kind kind);

private:
    // Renames a refused file to path + ".rejected", over an older one.
    void SetAside(const std::string& path);

    platform::FileSystem& fs_;
    std::string folder_;
    LineCounts counts_;
    // Each file's count with the stamp it had when its counting began: a
    // file whose stamp is the same is not read again.
    struct Counted {
        std::optional<platform::FileStamp> stamp;
        std::int32_t lines = 0;
    };
    std::array<Counted, 4> counted_;
};

}  // namespace quellon::definitions
