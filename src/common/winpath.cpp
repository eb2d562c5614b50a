#include "common/winpath.h"

#include <cstring>

#include "common/text.h"

namespace quellon::winpath {

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int DriveIndex(char letter) {
    if (letter >= 'A' && letter <= 'Z') {
        return letter - 'A';
    }
    if (letter >= 'a' && letter <= 'z') {
        return letter - 'a';
    }
    return -1;
}

std::string_view DriveOf(std::string_view path) {
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
        return path.substr(0, 2);
    }
    return {};
}

char DriveNamed(std::string_view name) {
    if (name.empty() || name.size() > 2 || !IsDriveLetter(name[0]) ||
        (name.size() == 2 && name[1] != ':')) {
        return '\0';
    }
    return text::UpperChar(name[0]);
}

bool IsAbsolute(std::string_view path) {
    return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == kSeparator;
}

bool HasNul(std::string_view path) {
    return std::memchr(path.data(), '\0', path.size()) != nullptr;
}

bool HasWildcard(std::string_view path) {
    return path.find_first_of("*?") != std::string_view::npos;
}

bool IsLiteral(std::string_view path) {
    return !path.empty() && !HasWildcard(path) && !HasNul(path);
}

std::string_view TakeComponent(std::string_view& rest) {
    const size_t cut = rest.find(kSeparator);
    const std::string_view component = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return component;
}

bool IsPlainComponent(std::string_view component) {
    return !component.empty() && component != "." && component != ".." &&
           component.find('/') == std::string_view::npos;
}

bool HasOnlyPlainComponents(std::string_view relative) {
    for (;;) {
        const size_t cut = relative.find(kSeparator);
        if (!IsPlainComponent(relative.substr(0, cut))) {
            return false;
        }
        if (cut == std::string_view::npos) {
            return true;
        }
        relative.remove_prefix(cut + 1);
    }
}

std::optional<Normalized> Normalize(std::string_view path) {
    if (!IsAbsolute(path) || HasNul(path)) {
        return std::nullopt;
    }
    Normalized out;
    out.drive = text::UpperChar(path[0]);
    std::string_view rest = path.substr(3);
    while (!rest.empty()) {
        const std::string_view component = TakeComponent(rest);
        if (component.empty() || component == ".") {
            continue;
        }
        if (component == "..") {
            if (out.components.empty()) {
                return std::nullopt;  // above the drive's root
            }
            out.components.pop_back();
            continue;
        }
        if (component.find('/') != std::string_view::npos) {
            return std::nullopt;
        }
        out.components.push_back(component);
    }
    return out;
}

std::string_view BareName(std::string_view path) {
    const size_t cut = path.rfind(kSeparator);
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string_view FolderOf(std::string_view path) {
    const size_t cut = path.rfind(kSeparator);
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut);
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 3 && path.back() == kSeparator) {
        path.pop_back();
    }
    return path;
}

std::string FolderPrefix(std::string_view folder) {
    std::string prefix = WithoutTrailingSeparators(std::string(folder));
    if (prefix.empty() || prefix.back() != kSeparator) {
        prefix += kSeparator;
    }
    return prefix;
}

std::string Join(std::string_view folder, std::string_view name) {
    while (!name.empty() && name.front() == kSeparator) {
        name.remove_prefix(1);
    }
    if (folder.empty()) {
        return std::string(name);
    }
    std::string out = FolderPrefix(folder);
    out += name;
    return out;
}

std::optional<std::string_view> RelativeTo(std::string_view path, std::string_view folder) {
    while (!folder.empty() && folder.back() == kSeparator) {
        folder.remove_suffix(1);
    }
    if (folder.empty() || !text::StartsWithNoCase(path, folder)) {
        return std::nullopt;
    }
    std::string_view below = path.substr(folder.size());
    if (!below.empty() && below.front() != kSeparator) {
        return std::nullopt;  // "C:\WindowsApps" is not inside "C:\Windows"
    }
    while (!below.empty() && below.front() == kSeparator) {
        below.remove_prefix(1);
    }
    return below;
}

}  // namespace quellon::winpath
