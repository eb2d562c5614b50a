#include "definitions/definition_reach.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/text.h"
#include "common/winpath.h"
#include "definitions/definition_lines.h"

namespace quellon::definitions {

namespace {

// The keys no definition deletes whole, upper-cased, as they lie below
// HKEY_LOCAL_MACHINE (HKEY_CURRENT_USER and a user's hive share the
// "SOFTWARE" part; HKEY_CLASSES_ROOT is "SOFTWARE\CLASSES"). Every key above
// one of them is protected too.
constexpr std::array<std::string_view, 15> kProtectedKeys = {
    "SOFTWARE\\CLASSES\\CLSID",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCEEX",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNSERVICES",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNSERVICESONCE",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\POLICIES\\EXPLORER\\RUN",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS",
    "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON",
    "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINDOWS",
    "SOFTWARE\\POLICIES",
    "SYSTEM\\CURRENTCONTROLSET\\SERVICES",
    "SYSTEM\\CURRENTCONTROLSET\\CONTROL",
    "SYSTEM\\CURRENTCONTROLSET\\ENUM",
    "SYSTEM\\SELECT",
};

std::vector<std::string> UpperComponents(std::string_view normalized) {
    std::vector<std::string> out;
    if (normalized.empty()) {
        return out;
    }
    for (const std::string& part : text::Split(normalized, "\\")) {
        out.push_back(text::Upper(text::TrimView(part)));
    }
    return out;
}

// "Wow6432Node" right after "SOFTWARE" or "CLASSES" is the 32-bit view of
// the same keys; "ControlSet001" right after "SYSTEM" is what
// "CurrentControlSet" points at.
void Canonicalize(std::vector<std::string>& keys) {
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i] == "WOW6432NODE" && (keys[i - 1] == "SOFTWARE" || keys[i - 1] == "CLASSES")) {
            keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(i));
            --i;
        }
    }
    if (keys.size() >= 2 && keys[0] == "SYSTEM" && keys[1].size() == 13 &&
        keys[1].starts_with("CONTROLSET") &&
        keys[1].find_first_not_of("0123456789", 10) == std::string::npos) {
        keys[1] = "CURRENTCONTROLSET";
    }
}

bool IsPrefixOfProtected(const std::vector<std::string>& keys) {
    if (keys.empty()) {
        return true;
    }
    for (std::string_view entry : kProtectedKeys) {
        std::string_view rest = entry;
        size_t matched = 0;
        while (matched < keys.size() && !rest.empty()) {
            if (winpath::TakeComponent(rest) != keys[matched]) {
                break;
            }
            ++matched;
        }
        if (matched == keys.size()) {
            return true;
        }
    }
    return false;
}

// Whether `piece` (not yet upper-cased) is, upper-cased, `word`, a word in
// upper-case ASCII, as every protected key's is. No byte above ASCII
// upper-cases into ASCII, so folding a-z alone tells the same.
static_assert([] {
    for (std::string_view entry : kProtectedKeys) {
        for (char c : entry) {
            if ((c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80) {
                return false;
            }
        }
    }
    return true;
}());
bool IsUpperWord(std::string_view piece, std::string_view word) {
    if (piece.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c) != word[i]) {
            return false;
        }
    }
    return true;
}

// Whether a key component could stand in a protected key: a component of
// one of them, "Wow6432Node" or "ControlSetNNN" (which the check folds away).
bool MayBeProtectedComponent(std::string_view piece) {
    if (IsUpperWord(piece, "WOW6432NODE")) {
        return true;
    }
    if (piece.size() == 13 && IsUpperWord(piece.substr(0, 10), "CONTROLSET") &&
        piece.find_first_not_of("0123456789", 10) == std::string_view::npos) {
        return true;
    }
    // The protected keys' components, each once, by their length, split
    // when first needed: a piece is compared with the words of its length.
    static constexpr size_t kLongest = 64;
    static const std::array<std::vector<std::string_view>, kLongest> kWordsBySize = [] {
        std::array<std::vector<std::string_view>, kLongest> bySize;
        for (std::string_view entry : kProtectedKeys) {
            while (!entry.empty()) {
                const std::string_view word = winpath::TakeComponent(entry);
                std::vector<std::string_view>& words = bySize.at(word.size());
                if (std::find(words.begin(), words.end(), word) == words.end()) {
                    words.push_back(word);
                }
            }
        }
        return bySize;
    }();
    if (piece.size() >= kLongest) {
        return false;
    }
    for (std::string_view word : kWordsBySize[piece.size()]) {
        if (IsUpperWord(piece, word)) {
            return true;
        }
    }
    return false;
}

// A quick answer for the common key (a program's own, deep in the tree):
// false when a component of it, after the first under HKEY_USERS, stands in
// no protected key, so no folding can make it one of them. Blank or empty
// components are passed over, as the full check trims them off or keeps
// them as components that match nothing.
bool SurelyUnprotected(platform::Hive hive, std::string_view subKey) {
    switch (hive) {
        case platform::kHkeyLocalMachine:
        case platform::kHkeyCurrentUser:
        case platform::kHkeyCurrentConfig:
        case platform::kHkeyDynData:
        case platform::kHkeyPerformanceData:
        case platform::kHkeyClassesRoot:
        case platform::kHkeyUsers:
            break;
        default:
            return false;
    }
    // Blanks, tabs and separators around the whole key go, as the full
    // check takes them off; inside it only blanks around each component.
    const auto separator = [](char c) { return c == ' ' || c == '\t' || c == '\\'; };
    size_t from = 0;
    size_t to = subKey.size();
    while (from < to && separator(subKey[from])) {
        ++from;
    }
    if (from == to) {
        return false;
    }
    while (separator(subKey[to - 1])) {
        --to;
    }
    subKey = subKey.substr(from, to - from);
    bool first = true;
    while (!subKey.empty()) {
        const size_t end = subKey.find('\\');
        const std::string_view piece = text::TrimView(subKey.substr(0, end));
        subKey = end == std::string_view::npos ? std::string_view() : subKey.substr(end + 1);
        if (piece.empty()) {
            continue;
        }
        const bool skipped = first && hive == platform::kHkeyUsers;
        first = false;
        if (!skipped && !MayBeProtectedComponent(piece)) {
            return true;
        }
    }
    return false;
}

bool IsDotsOnly(std::string_view component) {
    // Windows takes trailing dots and blanks off a name: "..." and ".. "
    // are ".." to it. Most names fail on their first byte.
    if (component.empty() || (component[0] != '.' && component[0] != ' ')) {
        return false;
    }
    return component.find_first_not_of(". ") == std::string_view::npos &&
           component.find('.') != std::string_view::npos;
}

// FilePathRefusal for a path whose separators are all "\".
std::optional<std::string> BackslashPathRefusal(std::string_view p,
                                                std::string_view hostRootDrives) {
    if (winpath::HasNul(p)) {
        return "a path holding a NUL";
    }
    if (p.starts_with("\\\\")) {
        return "a network share or device path";
    }
    if (!winpath::IsAbsolute(p)) {
        return "not a path from a drive's root";
    }
    const char drive = text::UpperChar(p[0]);
    for (const char letter : hostRootDrives) {
        if (text::UpperChar(letter) == drive) {
            return std::string("a path through ") + drive + ":, which maps the host's own files";
        }
    }
    for (size_t start = 3; start < p.size();) {
        size_t cut = p.find('\\', start);
        if (cut == std::string_view::npos) {
            cut = p.size();
        }
        if (IsDotsOnly(p.substr(start, cut - start))) {
            return "a path with a \"..\" or \".\" component";
        }
        start = cut + 1;
    }
    return std::nullopt;
}

void ReplaceEvery(std::string& s, std::string_view find, std::string_view with) {
    if (s.find(find) != std::string::npos) {
        s = text::Replace(s, find, with);
    }
}

}  // namespace

void CollapseBackslashes(std::string& s) {
    // Most paths hold no pair: the backslashes are found by the library's
    // search, and the text is copied only from the first pair on.
    size_t out = 0;
    for (;;) {
        out = s.find('\\', out);
        if (out == std::string::npos || out + 1 == s.size()) {
            return;
        }
        if (s[out + 1] == '\\') {
            break;
        }
        out += 2;
    }
    for (size_t i = out; i < s.size(); ++i, ++out) {
        s[out] = s[i];
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
            ++i;
        }
    }
    s.resize(out);
}

std::optional<std::string> FilePathRefusal(std::string_view path, std::string_view hostRootDrives) {
    if (path.find('/') == std::string_view::npos) {
        return BackslashPathRefusal(path, hostRootDrives);
    }
    std::string p(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    return BackslashPathRefusal(p, hostRootDrives);
}

std::string NormalizeSubKey(std::string_view subKey) {
    std::string s(subKey);
    while (s.find("\\\\") != std::string::npos) {
        CollapseBackslashes(s);
    }
    const size_t first = s.find_first_not_of(" \t\\");
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = s.find_last_not_of(" \t\\");
    return s.substr(first, last - first + 1);
}

bool IsProtectedKey(platform::Hive hive, std::string_view subKey) {
    if (SurelyUnprotected(hive, subKey)) {
        return false;
    }
    std::vector<std::string> keys = UpperComponents(NormalizeSubKey(subKey));
    switch (hive) {
        case platform::kHkeyLocalMachine:
        case platform::kHkeyCurrentUser:
        case platform::kHkeyCurrentConfig:
        case platform::kHkeyDynData:
        case platform::kHkeyPerformanceData:
            break;
        case platform::kHkeyClassesRoot:
            keys.insert(keys.begin(), {"SOFTWARE", "CLASSES"});
            break;
        case platform::kHkeyUsers: {
            if (keys.size() <= 1) {
                return true;  // the hive, or a user's whole hive
            }
            const bool classes = keys[0].ends_with("_CLASSES");
            keys.erase(keys.begin());
            if (classes) {
                keys.insert(keys.begin(), {"SOFTWARE", "CLASSES"});
            }
            break;
        }
        default:
            return true;
    }
    Canonicalize(keys);
    return IsPrefixOfProtected(keys);
}

std::optional<std::string> RegistryEntryRefusal(platform::Hive hive, std::string_view subKey,
                                                std::string_view valueName) {
    if (!text::TrimView(valueName).empty() || !IsProtectedKey(hive, subKey)) {
        return std::nullopt;
    }
    std::string name(platform::HiveName(hive));
    const std::string normalized = NormalizeSubKey(subKey);
    if (!normalized.empty()) {
        name.append(1, '\\').append(normalized);
    }
    return "the whole of " + name + ", a key no definition deletes";
}

platform::Hive HiveOfDigit(std::string_view digit) {
    static constexpr platform::Hive kHives[] = {
        platform::kHkeyClassesRoot, platform::kHkeyCurrentUser,   platform::kHkeyLocalMachine,
        platform::kHkeyUsers,       platform::kHkeyCurrentConfig, platform::kHkeyDynData,
    };
    const std::string_view d = text::TrimView(digit);
    if (d.size() != 1 || d[0] < '0' || d[0] > '5') {
        return 0;
    }
    return kHives[d[0] - '0'];
}

std::string FileDefinitionPath(std::string_view decodedLine, const FileFolders& folders) {
    const FileDefinitionLine def = SplitFileDefinition(decodedLine);
    std::string path;
    if (def.hasFolder) {
        path.assign(def.folder);
        ReplaceEvery(path, "[pfiles]", folders.programFiles);
        ReplaceEvery(path, "[Drive]", folders.driveRoot);
        ReplaceEvery(path, "[dDir]", folders.desktop);
        ReplaceEvery(path, "[wDir]", folders.windows);
        CollapseBackslashes(path);
        path.append(1, '\\').append(def.fileName);
    } else {
        path.assign(folders.system).append(def.fileName);
    }
    CollapseBackslashes(path);
    return path;
}

std::optional<std::string> DefinitionLineRefusal(Kind kind, std::string_view decodedLine,
                                                 std::string_view hostRootDrives) {
    switch (kind) {
        case Kind::kFile: {
            const std::string path = FileDefinitionPath(decodedLine, FileFolders{});
            if (auto why = FilePathRefusal(path, hostRootDrives)) {
                return *why + ": " + path;
            }
            return std::nullopt;
        }
        case Kind::kRegistry: {
            const RegistryDefinitionLine def = SplitRegistryDefinition(decodedLine);
            const platform::Hive hive = HiveOfDigit(def.hiveDigit);
            if (hive == 0) {
                return std::nullopt;  // names nothing: it never opens
            }
            return RegistryEntryRefusal(hive, def.subKey, def.valueName);
        }
        case Kind::kExe:
        case Kind::kCookie:
            return std::nullopt;
    }
    return std::nullopt;
}

std::string EscapeForOutput(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace quellon::definitions
