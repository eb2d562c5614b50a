#include "definitions/definition_check.h"

#include "common/text.h"
#include "definitions/codec.h"
#include "definitions/definition_reach.h"

namespace quellon::definitions {

namespace {

bool HasControl(std::string_view s) {
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            return true;
        }
    }
    return false;
}

bool HasAny(std::string_view s, std::string_view chars) {
    return s.find_first_of(chars) != std::string_view::npos;
}

// file name ["=" spyware name] ["|" folder], split as the known-file scan
// splits it; a line without a spyware name is one the scan reads too.
bool IsFileLine(std::string_view line) {
    const size_t bar = line.find('|');
    const std::string_view before = line.substr(0, bar);
    const std::string_view file = before.substr(0, before.find('='));
    if (text::TrimView(file).empty() || HasAny(file, "<>:\"|?*")) {
        return false;
    }
    return bar == std::string_view::npos || !HasAny(line.substr(bar + 1), "<>\"|?*");
}

// hive digit "^" sub-key "^" value name "=" spyware name; the name follows
// the last "=".
bool IsRegistryLine(std::string_view line) {
    const size_t eq = line.rfind('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    const std::string_view entry = line.substr(0, eq);
    const size_t first = entry.find('^');
    if (first == std::string_view::npos) {
        return false;
    }
    const size_t second = entry.find('^', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    const std::string_view hive = text::TrimView(entry.substr(0, first));
    const std::string_view subKey = entry.substr(first + 1, second - first - 1);
    return hive.size() == 1 && hive[0] >= '0' && hive[0] <= '5' && !text::TrimView(subKey).empty();
}

bool IsExeLine(std::string_view line) {
    return !text::TrimView(line).empty() && !HasAny(line, "\\/:*?\"<>|");
}

bool IsCookieLine(std::string_view line) {
    return !line.empty() && !HasAny(line, " \t<>\"");
}

std::string_view KindName(Kind kind) {
    switch (kind) {
        case Kind::kFile:
            return "file";
        case Kind::kRegistry:
            return "registry";
        case Kind::kExe:
            return "executable";
        case Kind::kCookie:
            return "cookie";
    }
    return "definition";
}

DefinitionCheck Refuse(std::string reason, size_t line = 0) {
    return {Status::Failure(std::move(reason)), line};
}

}  // namespace

bool LiveFileIsEmpty(platform::FileSystem& fs, std::string_view path) {
    if (!FileExists(fs, path)) {
        return false;
    }
    const auto bytes = fs.ReadAll(path);
    return bytes && bytes->empty();
}

bool IsDefinitionLine(Kind kind, std::string_view decoded) {
    if (HasControl(decoded)) {
        return false;
    }
    switch (kind) {
        case Kind::kFile:
            return IsFileLine(decoded);
        case Kind::kRegistry:
            return IsRegistryLine(decoded);
        case Kind::kExe:
            return IsExeLine(decoded);
        case Kind::kCookie:
            return IsCookieLine(decoded);
    }
    return false;
}

DefinitionCheck CheckDefinitionFile(Kind kind, std::string_view bytes, bool emptyAllowed) {
    return CheckDefinitionFile(kind, bytes, emptyAllowed, kWineHostRootDrive);
}

DefinitionCheck CheckDefinitionFile(Kind kind, std::string_view bytes, bool emptyAllowed,
                                    std::string_view hostRootDrives) {
    if (bytes.empty()) {
        if (emptyAllowed) {
            return {};
        }
        return Refuse("empty, where the live file is not");
    }
    const size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && bytes[first] == '<') {
        return Refuse("an HTML page, not a definition file");
    }
    std::string decoded;
    size_t number = 0;
    for (size_t at = 0; at < bytes.size();) {
        ++number;
        const size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            return Refuse("cut short: the last line has no line end", number);
        }
        if (bytes[end] != '\r' || end + 1 >= bytes.size() || bytes[end + 1] != '\n') {
            return Refuse("line " + std::to_string(number) + " does not end in CR LF", number);
        }
        if (end == at) {
            return Refuse("line " + std::to_string(number) + " is empty", number);
        }
        decoded.assign(bytes.substr(at, end - at));
        DecodeInPlace(decoded);
        if (!IsDefinitionLine(kind, decoded)) {
            return Refuse("line " + std::to_string(number) + " is not a " +
                              std::string(KindName(kind)) + " definition",
                          number);
        }
        if (const auto why = DefinitionLineRefusal(kind, decoded, hostRootDrives)) {
            return Refuse("line " + std::to_string(number) + " names " + EscapeForOutput(*why),
                          number);
        }
        at = end + 2;
    }
    return {};
}

}  // namespace quellon::definitions
