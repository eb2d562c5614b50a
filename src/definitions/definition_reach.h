// What a definition line may name: only places inside the Windows machine.
// A definition set comes from the network, and one already installed may be
// hostile too, so the same rules are applied where a site is published,
// where a download is accepted and where a live line is used by a scan or a
// removal:
// - a file path is a path from a drive's root ("C:\..."), never a UNC or
//   device path ("\\server\share", "\\?\", "\\.\"), never one with a ".."
//   component, and never one through a drive that maps the host's own root
//   (Wine's "Z:");
// - a registry entry never deletes a protected key whole (a hive root,
//   "Software", the Run keys, "SYSTEM", "Services" ...); the values inside
//   such a key stay removable.
// Pure text rules: which drives map the host's root is the platform's
// answer (FileSystem::HostRootDrives), given here as a string of letters.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "definitions/definition_set.h"
#include "platform/registry.h"

namespace quellon::definitions {

// The drive every Wine prefix maps to the host's root ("/"): refused where
// no machine is known (a site being published or a download accepted).
inline constexpr std::string_view kWineHostRootDrive = "Z";

// Why `path` may not be opened or deleted on a definition's word; nullopt
// when it may. "/" counts as a separator, as Windows takes it.
// `hostRootDrives` holds the letters (either case) of drives that map the
// host's root.
std::optional<std::string> FilePathRefusal(std::string_view path, std::string_view hostRootDrives);

// The sub-key as the registry names it: runs of "\" made one, and blanks
// and "\" taken off both ends.
std::string NormalizeSubKey(std::string_view subKey);

// Whether deleting the key `subKey` of `hive` whole would delete a
// protected key: the key is one, or lies above one (deleting
// "Software\Microsoft\Windows" would take its Run key with it). Names
// compare without regard to case; "Wow6432Node" after "Software" and
// "ControlSet001" for "CurrentControlSet" name the same keys; below
// HKEY_USERS the first component (a user's SID) is a user's hive root. An
// unknown hive protects everything.
bool IsProtectedKey(platform::Hive hive, std::string_view subKey);

// Why a registry entry may not be removed on a definition's word: a blank
// value name deletes the whole key, which must not be a protected one.
std::optional<std::string> RegistryEntryRefusal(platform::Hive hive, std::string_view subKey,
                                                std::string_view valueName);

// The hive code of a definition's hive digit ("0" to "5"); 0 for any other.
platform::Hive HiveOfDigit(std::string_view digit);

// The stand-ins for the folder tokens of a file definition where no
// machine is known: every token gives a folder on "C:", so what a line
// itself names decides.
struct FileFolders {
    std::string programFiles = "C:\\Program Files\\";
    std::string driveRoot = "C:\\";
    std::string desktop = "C:\\Documents and Settings\\User\\Desktop\\";
    std::string windows = "C:\\WINDOWS\\";
    std::string system = "C:\\WINDOWS\\system32\\";
};

// The path a decoded file definition names, built as the file scan builds
// it: the tokens replaced, "\\" made "\" in the folder, the file name
// joined (or put in the system folder) and "\\" made "\" again.
std::string FileDefinitionPath(std::string_view decodedLine, const FileFolders& folders);

// Why a decoded definition line of a kind names what it may not; nullopt
// when it is fine (executable and cookie lines name no path).
std::optional<std::string> DefinitionLineRefusal(Kind kind, std::string_view decodedLine,
                                                 std::string_view hostRootDrives);

// Turns every pair of backslashes into one, left to right, as a plain
// replace does ("\\\" gives "\\").
void CollapseBackslashes(std::string& s);

// Text of a definition for a line of output: bytes below 0x20, 0x7F, "\"
// and bytes from 0x80 shown as escapes ("\\", "\x1B"), so that what a
// hostile line holds can neither steer a terminal nor pass for another line.
std::string EscapeForOutput(std::string_view text);

}  // namespace quellon::definitions
