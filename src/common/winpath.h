// The rules of Windows paths as pure text functions: drives, components,
// "." and "..", the characters a path to one file may not hold, folder
// prefixes and joining. Paths are ANSI byte strings with "\" between their
// components; names compare without regard to case (ANSI upper-casing, as
// text.h does). Nothing here asks the file system, so every backend shares
// one set of rules and they are tested on any system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::winpath {

inline constexpr char kSeparator = '\\';

// --- Drives ---

// "A" to "Z" in either case.
bool IsDriveLetter(char c);
// The drive's number: 0 for A (or a) up to 25 for Z; -1 for any other byte.
int DriveIndex(char letter);
// The drive a path begins with, "X:" as written; empty when it begins with
// no drive letter and colon.
std::string_view DriveOf(std::string_view path);
// The drive a drive name such as "C" or "c:" stands for, upper-cased; '\0'
// for any other text.
char DriveNamed(std::string_view name);
// A path from a drive's root: a drive letter, ":" and "\" ("C:\", "c:\x").
// "C:x" (relative to a drive's current folder), "\x" and "\\server\share"
// are not.
bool IsAbsolute(std::string_view path);

// --- Characters ---

// Whether the path holds a NUL, which would cut it short in a system call.
bool HasNul(std::string_view path);
// Whether the path holds "*" or "?", which turn a file look-up into a search.
bool HasWildcard(std::string_view path);
// A path that can only name itself: not empty, no wildcard, no NUL.
bool IsLiteral(std::string_view path);

// --- Components ---

// Takes the first component (the text up to the first "\") off `rest` and
// returns it; `rest` keeps what follows that "\", or becomes empty.
std::string_view TakeComponent(std::string_view& rest);
// A component that names an entry of its folder as it stands: not empty,
// not "." or "..", and no "/" (which Windows takes for a separator too).
bool IsPlainComponent(std::string_view component);
// Whether every "\"-separated component of a relative path is plain; an
// empty text (a single empty component) is not.
bool HasOnlyPlainComponents(std::string_view relative);

// An absolute path with "." and ".." worked out: the drive (upper-cased)
// and the names from its root down.
struct Normalized {
    char drive = '\0';
    std::vector<std::string_view> components;  // views into the given path
};
// Empty components and "." are dropped and ".." drops the component before
// it. nullopt when the path is not absolute, holds a NUL, has a component
// with a "/" (also one that a later ".." would drop) or would leave its
// drive (".." at the root).
std::optional<Normalized> Normalize(std::string_view path);

// --- Names, folders and joining ---

// The bare name: the text after the last "\" (the whole text when there is
// none; empty when the path ends with "\").
std::string_view BareName(std::string_view path);
// The text before the last "\"; empty when there is none.
std::string_view FolderOf(std::string_view path);
// The path without trailing "\"s; a drive's root "X:\" keeps its "\" (no
// path is cut below three characters).
std::string WithoutTrailingSeparators(std::string path);
// The folder as the beginning of its entries' paths: ending with exactly one
// "\" ("C:\dir\\" and "C:\dir" give "C:\dir\", "C:\" stays "C:\").
std::string FolderPrefix(std::string_view folder);
// A folder and a name below it with exactly one "\" between them. An empty
// folder gives the name alone.
std::string Join(std::string_view folder, std::string_view name);
// Whether `path` is `folder` or lies below it, comparing whole components
// without regard to case ("C:\Windows\x" is inside "c:\WINDOWS\", but
// "C:\WindowsApps" is not inside "C:\Windows"), and then the part below it
// without a leading "\" ("" for the folder itself). nullopt when the path is
// not inside, or the folder is empty.
std::optional<std::string_view> RelativeTo(std::string_view path, std::string_view folder);

}  // namespace quellon::winpath
