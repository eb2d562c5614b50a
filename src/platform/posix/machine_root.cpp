// The machine root: Windows drives and paths over a Wine-style prefix folder.
#include <dirent.h>
#include <sys/stat.h>

#include <charconv>
#include <cstring>
#include <mutex>

#include "common/ansi.h"
#include "common/text.h"
#include "common/winpath.h"
#include "formats/ini_file.h"
#include "platform/posix/backend.h"
#include "platform/posix/dir_stamp.h"
#include "platform/posix/io.h"
#include "platform/posix/resolve_cache.h"
#include "platform/posix/wine_prefix.h"

namespace quellon::posix {

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NameExists(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

std::optional<std::uint32_t> ParseUnsigned(std::string_view s) {
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

// The on-disk name in `folder` that equals `name` without regard to case:
// the first one in byte order, so that the choice does not depend on the
// order the system lists them in.
std::optional<std::string> FindNoCase(const std::string& folder, std::string_view ansiName) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> best;
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) {
            continue;
        }
        if (text::EqualsNoCase(ansi::FromUtf8(n), ansiName) && (!best || *best > n)) {
            best = n;
        }
    }
    ::closedir(dir);
    return best;
}

// The part of `p` below `base`, compared component by component.
std::optional<fs::path> RelativeInside(const fs::path& p, const fs::path& base) {
    // Without repeated separators in `p`, a path inside starts with the
    // folder's text: most paths are told apart without taking them apart.
    std::string_view folder = base.native();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.remove_suffix(1);
    }
    if (p.native().compare(0, folder.size(), folder) != 0) {
        return std::nullopt;
    }
    auto pi = p.begin();
    for (auto bi = base.begin(); bi != base.end(); ++bi) {
        if (bi->empty()) {
            continue;  // a trailing separator
        }
        if (pi == p.end() || *pi != *bi) {
            return std::nullopt;
        }
        ++pi;
    }
    fs::path rel;
    for (; pi != p.end(); ++pi) {
        if (!pi->empty()) {
            rel /= *pi;
        }
    }
    return rel;
}

}  // namespace

MachineConfig MachineConfig::Load(const fs::path& machineIni) {
    return Load(machineIni, MachineConfig{});
}

MachineConfig MachineConfig::Load(const fs::path& machineIni, MachineConfig base) {
    std::optional<std::string> bytes = io::ReadFile(machineIni);
    return bytes ? Parse(*bytes, std::move(base)) : base;
}

MachineConfig MachineConfig::Parse(std::string_view machineIni) {
    return Parse(machineIni, MachineConfig{});
}

MachineConfig MachineConfig::Parse(std::string_view machineIni, MachineConfig base) {
    MachineConfig config = std::move(base);
    std::vector<formats::ini::Entry> entries = formats::ini::Parse(machineIni);
    auto folder = [&](std::string_view key, std::string& target) {
        const formats::ini::Entry* e = formats::ini::Find(entries, "Folders", key);
        if (e != nullptr && !e->value.empty()) {
            target = e->value;
            return true;
        }
        return false;
    };
    if (folder("Windows", config.windows) && !formats::ini::Find(entries, "Folders", "System")) {
        config.system =
            winpath::Join(winpath::WithoutTrailingSeparators(config.windows), "system32");
    }
    folder("System", config.system);
    folder("Desktop", config.desktop);
    folder("Cookies", config.cookies);
    folder("Programs", config.programs);
    auto number = [&](std::string_view key, std::uint32_t& target) {
        if (const formats::ini::Entry* e = formats::ini::Find(entries, "Version", key)) {
            if (auto v = ParseUnsigned(e->value)) {
                target = *v;
            }
        }
    };
    number("PlatformId", config.version.platformId);
    number("Major", config.version.major);
    number("Minor", config.version.minor);
    std::string configured;  // the letters machine.ini names, first entry first
    for (const formats::ini::Entry& e : entries) {
        const char letter = winpath::DriveNamed(e.key);
        if (!text::EqualsNoCase(e.section, "Drives") || letter == '\0') {
            continue;
        }
        if (configured.find(letter) != std::string::npos) {
            continue;
        }
        configured += letter;
        bool replaced = false;
        for (auto& [l, t] : config.driveTypes) {
            if (l == letter) {
                t = e.value;
                replaced = true;
            }
        }
        if (!replaced) {
            config.driveTypes.emplace_back(letter, e.value);
        }
    }
    return config;
}

MachineRoot::MachineRoot(fs::path root)
    : root_(std::move(root)),
      config_(MachineConfig::Load(root_ / "machine.ini", ConfigFromWinePrefix(root_))),
      cache_(std::make_shared<ResolveCache>(root_)),
      drives_(std::make_shared<DriveTable>()) {}

std::optional<fs::path> MachineRoot::DriveFolder(char letter) const {
    return DriveFolderIn(root_, letter);
}

std::optional<fs::path> DriveFolderIn(const fs::path& root, char letter) {
    const int index = winpath::DriveIndex(letter);
    if (index < 0) {
        return std::nullopt;
    }
    const char lower = static_cast<char>('a' + index);
    fs::path own = root / (std::string("drive_") + lower);
    if (IsDirectory(own)) {
        return own;
    }
    fs::path device = root / "dosdevices" / (std::string(1, lower) + ":");
    if (IsDirectory(device)) {
        return device;
    }
    return std::nullopt;
}

void MachineRoot::Grant(const fs::path& linuxFolder) const {
    std::string windows = ToWindows(linuxFolder);
    if (!windows.starts_with("Z:\\") || DriveFolderIn(root_, 'Z')) {
        return;  // inside a drive, or Z: is the machine's own
    }
    for (const std::string& g : granted_) {
        if (g == windows) {
            return;
        }
    }
    granted_.push_back(std::move(windows));
}

struct MachineRoot::DriveTable {
    std::mutex mutex;
    bool trusted = false;
    FolderGuard root, devices;
    std::shared_ptr<const DriveList> drives;
};

std::shared_ptr<const MachineRoot::DriveList> MachineRoot::Drives() const {
    DriveTable& t = *drives_;
    std::lock_guard<std::mutex> lock(t.mutex);
    if (t.trusted && t.root.Holds() && t.devices.Holds()) {
        return t.drives;
    }
    // A drive comes or goes with an entry of the root folder (drive_x) or of
    // its dosdevices folder (x:), which changes that folder's times.
    const timespec now = StampClock();
    t.root = FolderGuard::Take(root_.string());
    t.devices = FolderGuard::Take((root_ / "dosdevices").string());
    auto drives = std::make_shared<DriveList>();
    auto depth = [](const fs::path& p) {
        return static_cast<size_t>(std::distance(p.begin(), p.end()));
    };
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::optional<fs::path> folder = DriveFolder(letter);
        bool present = folder.has_value();
        if (!present && letter == 'C') {
            // machine.ini may name a C: drive the root has no folder for.
            for (const auto& entry : config_.driveTypes) {
                present = present || entry.first == 'C';
            }
        }
        if (!present) {
            continue;
        }
        Drive d{letter, {}, {}, 0, 0};
        if (folder) {
            d.normal = folder->lexically_normal();
            d.normalDepth = depth(d.normal);
            std::error_code ec;
            fs::path real = fs::canonical(*folder, ec);
            if (!ec) {
                d.real = std::move(real);
                d.realDepth = depth(d.real);
            }
        }
        drives->push_back(std::move(d));
    }
    t.drives = std::move(drives);
    // Times too close to the clock may not show a change made next.
    t.trusted = (!t.root.exists || Settled(t.root.stamp, now)) &&
                (!t.devices.exists || Settled(t.devices.stamp, now));
    return t.drives;
}

std::string MachineRoot::DriveLetters() const {
    std::string letters;
    for (const Drive& d : *Drives()) {
        letters += d.letter;
    }
    return letters;
}

std::string MachineRoot::HostRootDrives() const {
    std::error_code ec;
    fs::path machine = fs::canonical(root_, ec);
    if (ec) {
        machine = root_.lexically_normal();
    }
    std::string letters;
    bool ownZ = false;
    for (const Drive& d : *Drives()) {
        ownZ = ownZ || d.letter == 'Z';
        if (d.real.empty()) {
            continue;
        }
        const fs::path below = machine.lexically_relative(d.real);
        const bool holdsMachine = !below.empty() && *below.begin() != "..";
        if (d.real == d.real.root_path() || holdsMachine) {
            letters += d.letter;
        }
    }
    if (!ownZ) {
        letters += 'Z';
    }
    return letters;
}

std::optional<fs::path> MachineRoot::Resolve(std::string_view windowsPath) const {
    LeafKind leaf = LeafKind::kUnknown;
    return Resolve(windowsPath, leaf);
}

std::optional<fs::path> MachineRoot::Resolve(std::string_view windowsPath, LeafKind& leaf) const {
    std::string linux;
    if (cache_->Resolve(windowsPath, linux, leaf)) {
        return fs::path(std::move(linux));
    }
    leaf = LeafKind::kUnknown;
    return ResolveEachComponent(windowsPath);
}

std::optional<fs::path> MachineRoot::ResolveEachComponent(std::string_view windowsPath) const {
    // "." and ".." are worked out on the text, as Windows does: "C:\a\..\b"
    // is "C:\b" whatever "a" is on disk.
    const std::optional<winpath::Normalized> path = winpath::Normalize(windowsPath);
    if (!path) {
        return std::nullopt;
    }
    std::optional<fs::path> drive = DriveFolderIn(root_, path->drive);
    if (!drive && path->drive == 'Z' && !granted_.empty()) {
        // A folder of the host that was let in: the path, worked out, must
        // lie inside one.
        std::string normalized = "Z:";
        for (const std::string_view component : path->components) {
            normalized.append(1, '\\').append(component);
        }
        for (const std::string& g : granted_) {
            if (winpath::RelativeTo(normalized, g)) {
                drive = fs::path("/");
                break;
            }
        }
    }
    if (!drive) {
        return std::nullopt;
    }
    std::string current = drive->string();
    // Once a component is missing, the ones below it cannot exist either.
    bool missing = false;
    for (const std::string_view component : path->components) {
        const size_t folderEnd = current.size();
        if (current.empty() || current.back() != '/') {
            current += '/';
        }
        const std::string exact = ansi::ToUtf8(component);
        if (missing || NameExists(current + exact)) {
            current += exact;
            continue;
        }
        if (std::optional<std::string> found =
                FindNoCase(current.substr(0, folderEnd), component)) {
            current += *found;
        } else {
            current += exact;
            missing = true;
        }
    }
    return fs::path(current);
}

struct MachineRoot::HeldDrives {
    std::shared_ptr<const DriveList> list;
};

std::shared_ptr<const MachineRoot::HeldDrives> MachineRoot::HoldDrives() const {
    return std::make_shared<const HeldDrives>(HeldDrives{Drives()});
}

bool MachineRoot::SameDrives(const HeldDrives& a, const HeldDrives& b) {
    return a.list == b.list;
}

std::string MachineRoot::ToWindows(const fs::path& linuxPath, PathForm form) const {
    return ToWindows(linuxPath, form, HeldDrives{Drives()});
}

std::string MachineRoot::ToWindows(const fs::path& linuxPath, PathForm form,
                                   const HeldDrives& held) const {
    std::error_code ec;
    fs::path absolute = linuxPath.is_absolute() ? linuxPath : fs::absolute(linuxPath, ec);
    if (form != kResolved) {
        absolute = absolute.lexically_normal();
    }

    struct Match {
        char letter;
        fs::path rel;
        size_t depth;
    };
    std::optional<Match> best;
    auto consider = [&](char letter, const fs::path& folder, size_t depth, const fs::path& p) {
        if (std::optional<fs::path> rel = RelativeInside(p, folder)) {
            if (!best || depth > best->depth) {
                best = Match{letter, *rel, depth};
            }
        }
    };
    const DriveList& drives = *held.list;
    for (const Drive& d : drives) {
        if (!d.normal.empty()) {
            consider(d.letter, d.normal, d.normalDepth, absolute);
        }
    }
    if (!best) {
        // Drive folders that are links, or paths reached through links.
        fs::path real = form == kResolved ? absolute : fs::weakly_canonical(absolute, ec);
        if (!ec) {
            for (const Drive& d : drives) {
                if (!d.real.empty()) {
                    consider(d.letter, d.real, d.realDepth, real);
                }
            }
        }
    }
    std::string out;
    if (best) {
        out = std::string(1, best->letter) + ":\\";
        bool first = true;
        for (const fs::path& part : best->rel) {
            if (!first) {
                out += '\\';
            }
            out += ansi::FromUtf8(part.string());
            first = false;
        }
        return out;
    }
    out = "Z:\\";
    std::string rest = ansi::FromUtf8(absolute.string());
    size_t start = rest.find_first_not_of('/');
    if (start != std::string::npos) {
        rest = rest.substr(start);
        for (char& c : rest) {
            if (c == '/') {
                c = '\\';
            }
        }
        out += rest;
    }
    if (out.size() > 3 && out.back() == '\\') {
        out.pop_back();
    }
    return out;
}

}  // namespace quellon::posix
