// The folders, version and drive types of a real Wine prefix, as its
// registry files and dosdevices name them.
#include <charconv>
#include <system_error>

#include "common/ansi.h"
#include "formats/wine_reg_file.h"
#include "platform/posix/io.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_server.h"

namespace quellon::posix {

namespace fs = std::filesystem;
namespace winereg = formats::winereg;

namespace {

std::optional<winereg::Document> Valid(winereg::Document doc) {
    if (!doc.Valid()) {
        return std::nullopt;
    }
    return doc;
}

std::optional<winereg::Document> ReadDocument(const fs::path& file) {
    std::optional<std::string> bytes = io::ReadFile(file);
    if (!bytes) {
        return std::nullopt;
    }
    return Valid(winereg::Document::Parse(*bytes));
}

// A text value as the ANSI API gives it, without its terminating NULs;
// nullopt when missing, empty or not text.
std::optional<std::string> TextValue(const std::optional<winereg::Document>& doc,
                                     std::u16string_view key, std::u16string_view name) {
    const winereg::Key* k = doc ? doc->Find(key) : nullptr;
    const winereg::Value* v = k != nullptr ? k->FindValue(name) : nullptr;
    if (v == nullptr || (v->type != 1 && v->type != 2)) {
        return std::nullopt;
    }
    std::string text = ansi::FromUtf16Le(v->data);
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
}

// "6.1" or "4.10.2222": the major and minor number.
bool ParseVersion(std::string_view text, std::uint32_t& major, std::uint32_t& minor) {
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view rest = text.substr(dot + 1);
    auto [e1, ec1] = std::from_chars(text.data(), text.data() + dot, major);
    auto [e2, ec2] = std::from_chars(rest.data(), rest.data() + rest.size(), minor);
    return ec1 == std::errc() && e1 == text.data() + dot && ec2 == std::errc() && e2 != rest.data();
}

// The type text of machine.ini for a drive: from Wine's drive settings
// (HKLM\Software\Wine\Drives, "c:"="hd"), else from a device the prefix
// maps the drive to (dosdevices/d:: -> /dev/sr0).
std::optional<std::string> DriveType(const std::optional<winereg::Document>& system,
                                     const fs::path& root, char lower) {
    const std::u16string name{static_cast<char16_t>(lower), u':'};
    if (std::optional<std::string> type = TextValue(system, u"Software\\Wine\\Drives", name)) {
        struct Named {
            std::string_view wine, type;
        };
        static constexpr Named kTypes[] = {{"hd", "Fixed Disk"},
                                           {"network", "Remote Disk"},
                                           {"cdrom", "CDROM Drive"},
                                           {"floppy", "Removable Drive"}};
        for (const Named& n : kTypes) {
            if (*type == n.wine) {
                return std::string(n.type);
            }
        }
    }
    std::error_code ec;
    const fs::path device =
        fs::read_symlink(root / "dosdevices" / (std::string(1, lower) + "::"), ec);
    if (ec) {
        return std::nullopt;
    }
    const std::string d = device.filename().string();
    if (d.starts_with("sr") || d.starts_with("scd") || d.starts_with("cdrom") ||
        d.starts_with("dvd")) {
        return "CDROM Drive";
    }
    if (d.starts_with("fd")) {
        return "Removable Drive";
    }
    return std::nullopt;
}

}  // namespace

MachineConfig ConfigFromWinePrefix(const fs::path& root) {
    MachineConfig config;
    if (!IsWinePrefix(root)) {
        return config;
    }
    std::optional<winereg::Document> system, user;
    if (const std::optional<fs::path> server = wine::RunningServer(root)) {
        if (const auto saved = wine::SaveRegistry(root, *server)) {
            system = Valid(winereg::Document::Parse((*saved)[0]));
            user = Valid(winereg::Document::Parse((*saved)[1]));
        }
    }
    if (!system) {
        system = ReadDocument(root / "system.reg");
    }
    if (!user) {
        user = ReadDocument(root / "user.reg");
    }

    constexpr std::u16string_view kNt = u"Software\\Microsoft\\Windows NT\\CurrentVersion";
    if (std::optional<std::string> windows = TextValue(system, kNt, u"SystemRoot")) {
        while (windows->size() > 3 && windows->back() == '\\') {
            windows->pop_back();
        }
        config.windows = *windows;
        config.system = *windows + "\\system32";
    }
    std::uint32_t major = 0, minor = 0;
    if (std::optional<std::string> nt = TextValue(system, kNt, u"CurrentVersion");
        nt && ParseVersion(*nt, major, minor)) {
        config.version = {2, major, minor};
    } else if (std::optional<std::string> v9x = TextValue(
                   system, u"Software\\Microsoft\\Windows\\CurrentVersion", u"VersionNumber");
               v9x && ParseVersion(*v9x, major, minor)) {
        config.version = {1, major, minor};
    }
    constexpr std::u16string_view kShellFolders =
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    if (std::optional<std::string> desktop = TextValue(user, kShellFolders, u"Desktop")) {
        config.desktop = *desktop;
    }
    if (std::optional<std::string> cookies = TextValue(user, kShellFolders, u"Cookies")) {
        config.cookies = *cookies;
    }
    if (std::optional<std::string> programs = TextValue(user, kShellFolders, u"Programs")) {
        config.programs = *programs;
    }
    for (char lower = 'a'; lower <= 'z'; ++lower) {
        if (std::optional<std::string> type = DriveType(system, root, lower)) {
            config.driveTypes.emplace_back(static_cast<char>(lower - 'a' + 'A'), *type);
        }
    }
    return config;
}

}  // namespace quellon::posix
