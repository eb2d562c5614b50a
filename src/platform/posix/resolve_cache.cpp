#include "platform/posix/resolve_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "common/ansi.h"
#include "common/text.h"

namespace quellon::posix {

namespace {

// Bounds on what is kept; past them everything is dropped and rebuilt.
constexpr size_t kMaxFolders = 200000;
constexpr size_t kMaxListedNames = 4000000;

bool Same(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

DirStamp StampOf(const struct stat& st) {
    DirStamp s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

timespec Now() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// A folder's times are stamped from a clock that advances in ticks, so a
// change made in the same tick as an earlier one may leave them as they
// were. A stamp can only be trusted once its times lie well behind the
// clock: any later change then shows as new times. File systems that keep
// whole seconds only get a wider margin.
bool Settled(const DirStamp& s, const timespec& now) {
    const bool coarse = s.mtime.tv_nsec == 0 && s.ctime.tv_nsec == 0;
    timespec limit = now;
    if (coarse) {
        limit.tv_sec -= 3;
    } else {
        constexpr long kMarginNs = 50'000'000;
        if (limit.tv_nsec >= kMarginNs) {
            limit.tv_nsec -= kMarginNs;
        } else {
            limit.tv_sec -= 1;
            limit.tv_nsec += 1'000'000'000 - kMarginNs;
        }
    }
    return Before(s.mtime, limit) && Before(s.ctime, limit);
}

// File systems whose folder times change with every entry change made
// anywhere (network and virtual file systems are left out).
bool ReliableTimes(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53UL:      // ext2/3/4
        case 0x01021994UL:  // tmpfs
        case 0x9123683EUL:  // btrfs
        case 0x58465342UL:  // xfs
        case 0x794C7630UL:  // overlayfs
        case 0x2FC12FC1UL:  // zfs
        case 0xF2F52010UL:  // f2fs
        case 0xCA451A4EUL:  // bcachefs
            return true;
        default:
            return false;
    }
}

bool StatDir(const std::string& path, DirStamp& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    out = StampOf(st);
    return true;
}

// ANSI text as a file name: plain ASCII needs no conversion.
void AppendUtf8(std::string& out, std::string_view ansiName) {
    for (char c : ansiName) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out += ansi::ToUtf8(ansiName);
            return;
        }
    }
    out.append(ansiName);
}

size_t HashOf(std::string_view s) {
    return std::hash<std::string_view>{}(s);
}

// The high half of a hash, where a table slot keeps it.
std::uint64_t TagOf(size_t hash) {
    return static_cast<std::uint64_t>(hash) & ~std::uint64_t{0xFFFFFFFF};
}

bool PlainComponent(std::string_view c) {
    return !c.empty() && c != "." && c != ".." && c.find('/') == std::string_view::npos;
}

}  // namespace

const std::string* ResolveCache::Listing::Find(std::string_view ansiName,
                                               const std::string& exactName, std::string& key,
                                               unsigned char* type) const {
    key.resize(ansiName.size());
    bool plain = true;
    for (size_t i = 0; i < ansiName.size(); ++i) {
        plain = plain && static_cast<unsigned char>(ansiName[i]) < 0x80;
        key[i] = text::UpperChar(ansiName[i]);
    }
    if (!plain) {
        key = text::Upper(ansi::FromUtf8(exactName));
    }
    const Names* found = Lookup(key);
    if (found == nullptr) {
        return nullptr;
    }
    const Names& names = *found;
    for (const auto& [other, otherType] : names.others) {
        if (other == exactName) {
            if (type != nullptr) {
                *type = otherType;
            }
            return &other;
        }
    }
    if (type != nullptr) {
        *type = names.firstType;
    }
    return &names.first;
}

const ResolveCache::Listing::Names* ResolveCache::Listing::Lookup(std::string_view upper) const {
    if (slots.empty()) {
        return nullptr;
    }
    const size_t hash = HashOf(upper);
    const std::uint64_t tag = TagOf(hash);
    const size_t mask = slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots[i];
        const auto index = static_cast<std::uint32_t>(slot);
        if (index == 0) {
            return nullptr;
        }
        if ((slot & ~std::uint64_t{0xFFFFFFFF}) == tag && entries[index - 1].upper == upper) {
            return &entries[index - 1].names;
        }
    }
}

ResolveCache::Listing::Names& ResolveCache::Listing::Add(std::string upper, bool& added) {
    if ((entries.size() + 1) * 2 > slots.size()) {
        Grow();
    }
    const size_t hash = HashOf(upper);
    const std::uint64_t tag = TagOf(hash);
    const size_t mask = slots.size() - 1;
    size_t i = hash & mask;
    for (;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots[i];
        const auto index = static_cast<std::uint32_t>(slot);
        if (index == 0) {
            break;
        }
        if ((slot & ~std::uint64_t{0xFFFFFFFF}) == tag && entries[index - 1].upper == upper) {
            added = false;
            return entries[index - 1].names;
        }
    }
    entries.push_back({std::move(upper), hash, {}});
    slots[i] = tag | static_cast<std::uint64_t>(entries.size());
    added = true;
    return entries.back().names;
}

void ResolveCache::Listing::Grow() {
    slots.assign(std::max<size_t>(16, slots.size() * 2), 0);
    const size_t mask = slots.size() - 1;
    for (size_t e = 0; e < entries.size(); ++e) {
        size_t i = entries[e].hash & mask;
        while (slots[i] != 0) {
            i = (i + 1) & mask;
        }
        slots[i] = TagOf(entries[e].hash) | static_cast<std::uint64_t>(e + 1);
    }
}

bool DirStamp::operator==(const DirStamp& o) const {
    return dev == o.dev && ino == o.ino && Same(mtime, o.mtime) && Same(ctime, o.ctime);
}

std::shared_ptr<const ResolveCache::Listing> ResolveCache::GetListing(const std::string& dir) {
    const timespec now = Now();
    DirStamp stamp;
    if (!StatDir(dir, stamp)) {
        return nullptr;
    }
    auto it = listings_.find(dir);
    if (it != listings_.end()) {
        if (it->second->stamp == stamp) {
            return it->second;
        }
        listedNames_ -= it->second->count;
        listings_.erase(it);
    }
    if (!Settled(stamp, now)) {
        return nullptr;
    }
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (!ReliableTimes(fd) || ::fstat(fd, &st) != 0 || !(StampOf(st) == stamp)) {
        ::close(fd);
        return nullptr;
    }
    DIR* d = ::fdopendir(fd);
    if (d == nullptr) {
        ::close(fd);
        return nullptr;
    }
    auto listing = std::make_shared<Listing>();
    listing->stamp = stamp;
    while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) {
            continue;
        }
        ++listing->count;
        bool added = false;
        Listing::Names& names = listing->Add(text::Upper(ansi::FromUtf8(n)), added);
        if (added) {
            names.first = n;
            names.firstType = e->d_type;
        } else if (names.first > n) {
            names.others.emplace_back(std::move(names.first), names.firstType);
            names.first = n;
            names.firstType = e->d_type;
        } else {
            names.others.emplace_back(n, e->d_type);
        }
    }
    ::closedir(d);
    // A change while the folder was read shows as new times on the next use.
    listedNames_ += listing->count;
    if (listedNames_ > kMaxListedNames) {
        listings_.clear();
        folders_.clear();
        listedNames_ = listing->count;
    }
    listings_.emplace(dir, listing);
    return listing;
}

std::optional<ResolveCache::Folder> ResolveCache::BuildFolder(std::string_view windowsFolder) {
    std::optional<std::filesystem::path> drive = DriveFolderIn(root_, windowsFolder[0]);
    if (!drive) {
        return std::nullopt;
    }
    Folder f;
    const timespec now = Now();
    auto guard = [&](const std::string& path) {
        Guard g;
        g.path = path;
        g.exists = StatDir(path, g.stamp);
        f.guards.push_back(g);
        return !g.exists || Settled(g.stamp, now);
    };
    const char lower = text::LowerChar(windowsFolder[0]);
    if (*drive != root_ / (std::string("drive_") + lower)) {
        // A drive reached through dosdevices or Z: gives way to a drive
        // folder made later.
        if (!guard(root_.string()) || !guard((root_ / "dosdevices").string())) {
            return std::nullopt;
        }
    }
    std::string current = drive->string();
    std::string_view rest = windowsFolder.size() > 3 ? windowsFolder.substr(3) : std::string_view();
    std::string exact, key;
    while (!rest.empty()) {
        const size_t cut = rest.find('\\');
        const std::string_view component = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        std::shared_ptr<const Listing> listing = GetListing(current);
        if (!listing) {
            return std::nullopt;
        }
        if (current.empty() || current.back() != '/') {
            current += '/';
        }
        const size_t before = current.size();
        AppendUtf8(current, component);
        exact.assign(current, before);
        if (const std::string* name = listing->Find(component, exact, key, nullptr)) {
            if (*name != exact) {
                // Matched without regard to case: a later exact or earlier
                // spelling in this folder would take its place.
                f.guards.push_back({current.substr(0, before), true, listing->stamp});
            }
            current.resize(before);
            current += *name;
            continue;
        }
        // Missing: the rest is kept as given, and stays missing as long as
        // the last folder that exists does not change.
        f.complete = false;
        f.guards.push_back({current.substr(0, before), true, listing->stamp});
        while (!rest.empty()) {
            const size_t next = rest.find('\\');
            current += '/';
            AppendUtf8(current, rest.substr(0, next));
            rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        }
        f.linux = std::move(current);
        return f;
    }
    f.listing = GetListing(current);
    if (!f.listing) {
        return std::nullopt;
    }
    f.guards.push_back({current, true, f.listing->stamp});
    f.linux = std::move(current);
    return f;
}

bool ResolveCache::Valid(const Folder& f) const {
    for (const Guard& g : f.guards) {
        DirStamp now;
        const bool exists = StatDir(g.path, now);
        if (exists != g.exists || (exists && !(now == g.stamp))) {
            return false;
        }
    }
    return true;
}

bool ResolveCache::Resolve(std::string_view windowsPath, std::string& linuxOut, LeafKind& leaf) {
    if (windowsPath.size() < 4 || windowsPath[1] != ':' || windowsPath[2] != '\\' ||
        windowsPath.find('\0') != std::string_view::npos) {
        return false;
    }
    const size_t lastSlash = windowsPath.rfind('\\');
    const std::string_view leafName = windowsPath.substr(lastSlash + 1);
    if (!PlainComponent(leafName)) {
        return false;
    }
    const std::string_view windowsFolder = windowsPath.substr(0, lastSlash);
    for (std::string_view rest = windowsFolder.substr(std::min<size_t>(3, windowsFolder.size()));
         !rest.empty();) {
        const size_t cut = rest.find('\\');
        if (!PlainComponent(rest.substr(0, cut))) {
            return false;
        }
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }

    std::lock_guard<std::mutex> lock(mutex_);
    // A file is often asked for twice in a row (looked up, then read): the
    // answer holds as long as its folder's entry does.
    if (last_ != nullptr && windowsPath == lastPath_) {
        if (Valid(*last_)) {
            linuxOut = lastLinux_;
            leaf = lastLeaf_;
            return true;
        }
    }
    last_ = nullptr;
    folderKey_.assign(windowsFolder);
    auto it = folders_.find(folderKey_);
    if (it == folders_.end() || !Valid(it->second)) {
        std::optional<Folder> built = BuildFolder(windowsFolder);
        if (!built) {
            // Building may have dropped every entry: `it` is not used again.
            folders_.erase(folderKey_);
            return false;
        }
        if (folders_.size() >= kMaxFolders) {
            folders_.clear();
        }
        it = folders_.insert_or_assign(folderKey_, std::move(*built)).first;
    }
    const Folder& f = it->second;
    linuxOut = f.linux;
    if (linuxOut.empty() || linuxOut.back() != '/') {
        linuxOut += '/';
    }
    const size_t before = linuxOut.size();
    AppendUtf8(linuxOut, leafName);
    if (!f.complete) {
        leaf = LeafKind::kMissing;
        Remember(f, windowsPath, linuxOut, leaf);
        return true;
    }
    exact_.assign(linuxOut, before);
    unsigned char type = 0;
    const std::string* name = f.listing->Find(leafName, exact_, key_, &type);
    if (name == nullptr) {
        leaf = LeafKind::kMissing;
        Remember(f, windowsPath, linuxOut, leaf);
        return true;
    }
    if (*name != exact_) {
        linuxOut.resize(before);
        linuxOut += *name;
    }
    switch (type) {
        case DT_REG:
            leaf = LeafKind::kRegularFile;
            break;
        case DT_LNK:
        case DT_UNKNOWN:
            leaf = LeafKind::kUnknown;
            break;
        default:
            leaf = LeafKind::kOther;
            break;
    }
    Remember(f, windowsPath, linuxOut, leaf);
    return true;
}

void ResolveCache::Remember(const Folder& f, std::string_view windowsPath,
                            const std::string& linuxPath, LeafKind leaf) {
    last_ = &f;
    lastPath_.assign(windowsPath);
    lastLinux_.assign(linuxPath);
    lastLeaf_ = leaf;
}

}  // namespace quellon::posix
