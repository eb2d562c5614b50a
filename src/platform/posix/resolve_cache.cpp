#include "platform/posix/resolve_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "common/ansi.h"
#include "common/text.h"
#include "common/winpath.h"

namespace quellon::posix {

namespace {

// Bounds on what is kept; past them everything is dropped and rebuilt.
constexpr size_t kMaxFolders = 200000;
constexpr size_t kMaxListedNames = 4000000;
// Folders a snapshot keeps open at most.
constexpr rlim_t kMaxOpenFolders = 128;

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

// The upper-cased ANSI form of an on-disk name; plain ASCII needs no
// conversion.
void UpperAnsiOf(const char* utf8, std::string& out) {
    out.clear();
    for (const char* c = utf8; *c != '\0'; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x80) {
            out = text::Upper(ansi::FromUtf8(utf8));
            return;
        }
        out += text::UpperChar(*c);
    }
}

size_t HashOf(std::string_view s) {
    return std::hash<std::string_view>{}(s);
}

// The high half of a hash, where a table slot keeps it.
std::uint64_t TagOf(size_t hash) {
    return static_cast<std::uint64_t>(hash) & ~std::uint64_t{0xFFFFFFFF};
}

// Upper-cases a name made of ASCII only; false (and `key` of no use) for
// any other name.
bool PlainUpper(std::string_view name, std::string& key) {
    key.resize(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            return false;
        }
        key[i] = text::UpperChar(name[i]);
    }
    return true;
}

// "X:\" and a file name, with plain folder names between them (a path
// "X:\\name" counts as "X:\name"), and no NUL anywhere: the paths the
// cache serves.
bool CacheablePath(std::string_view p) {
    if (p.size() < 4 || !winpath::IsAbsolute(p) || winpath::HasNul(p)) {
        return false;
    }
    const std::string_view name = winpath::BareName(p);
    if (!winpath::IsPlainComponent(name)) {
        return false;
    }
    // The folder names between "X:\" and the name's backslash.
    const size_t nameAt = p.size() - name.size();
    return nameAt <= 4 || winpath::HasOnlyPlainComponents(p.substr(3, nameAt - 4));
}

}  // namespace

const std::string* ResolveCache::Listing::Find(std::string_view ansiName,
                                               const std::string& exactName, std::string& key,
                                               unsigned char* type) const {
    if (!PlainUpper(ansiName, key)) {
        key = text::Upper(ansi::FromUtf8(exactName));
    }
    return FindKey(key, HashOf(key), exactName, type);
}

const std::string* ResolveCache::Listing::FindKey(std::string_view upper, size_t hash,
                                                  const std::string& exactName,
                                                  unsigned char* type) const {
    const Names* found = Lookup(upper, hash);
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

void ResolveCache::Listing::Prefetch(size_t hash) const {
    if (!slots.empty()) {
        __builtin_prefetch(&slots[hash & (slots.size() - 1)]);
    }
}

const ResolveCache::Listing::Names* ResolveCache::Listing::Lookup(std::string_view upper,
                                                                  size_t hash) const {
    if (slots.empty()) {
        return nullptr;
    }
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

ResolveCache::Listing::Names& ResolveCache::Listing::Add(std::string_view upper, bool& added) {
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
    entries.push_back({std::string(upper), hash, {}});
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

ResolveCache::ResolveCache(std::filesystem::path root, Mode mode)
    : root_(std::move(root)), snapshot_(mode == Mode::kSnapshot) {
    if (snapshot_) {
        // A few of the process's descriptors at most.
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
            maxOpenFolders_ = std::min<rlim_t>(kMaxOpenFolders, limit.rlim_cur / 8);
        }
    }
}

ResolveCache::~ResolveCache() {
    for (const KnownDrive& d : drives_) {
        if (d.fd >= 0) {
            ::close(d.fd);
        }
    }
}

ResolveCache::Listing::~Listing() {
    if (fd >= 0) {
        ::close(fd);
    }
}

std::shared_ptr<ResolveCache::Listing> ResolveCache::ReadListing(int fd) {
    auto listing = std::make_shared<Listing>();
    std::string upper;
    // The entries as the kernel hands them out, many at a time; an error
    // ends the listing as its end does.
    alignas(8) char buffer[32 * 1024];
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* e = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += e->d_reclen;
            const char* n = e->d_name;
            if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) {
                continue;
            }
            ++listing->count;
            bool added = false;
            UpperAnsiOf(n, upper);
            Listing::Names& names = listing->Add(upper, added);
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
    }
    return listing;
}

void ResolveCache::KeepOpen(const std::shared_ptr<const Listing>& listing, int fd) {
    if (maxOpenFolders_ == 0) {
        ::close(fd);
        return;
    }
    listing->fd = fd;
    if (openFolders_.size() < maxOpenFolders_) {
        listing->openSlot = openFolders_.size();
        openFolders_.push_back({listing, ++useClock_});
        return;
    }
    auto oldest = std::min_element(
        openFolders_.begin(), openFolders_.end(),
        [](const OpenFolder& a, const OpenFolder& b) { return a.lastUse < b.lastUse; });
    ::close(oldest->listing->fd);
    oldest->listing->fd = -1;
    listing->openSlot = static_cast<size_t>(oldest - openFolders_.begin());
    *oldest = {listing, ++useClock_};
}

void ResolveCache::CloseFolders() {
    for (OpenFolder& open : openFolders_) {
        ::close(open.listing->fd);
        open.listing->fd = -1;
    }
    openFolders_.clear();
}

std::optional<std::filesystem::path> ResolveCache::DriveFolder(char letter) {
    const int index = winpath::DriveIndex(letter);
    if (!snapshot_ || index < 0) {
        return DriveFolderIn(root_, letter);
    }
    KnownDrive& known = drives_[index];
    if (!known.asked) {
        known.folder = DriveFolderIn(root_, letter);
        known.asked = true;
    }
    return known.folder;
}

std::shared_ptr<const ResolveCache::Listing> ResolveCache::GetListing(const std::string& dir) {
    if (snapshot_) {
        auto it = listings_.find(dir);
        if (it != listings_.end()) {
            return it->second;
        }
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        std::shared_ptr<const Listing> listing = ReadListing(fd);
        Keep(dir, listing);
        KeepOpen(listing, fd);
        return listing;
    }
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
    std::shared_ptr<Listing> listing = ReadListing(fd);
    ::close(fd);
    listing->stamp = stamp;
    // A change while the folder was read shows as new times on the next use.
    Keep(dir, listing);
    return listing;
}

void ResolveCache::Keep(const std::string& dir, const std::shared_ptr<const Listing>& listing) {
    listedNames_ += listing->count;
    if (listedNames_ > kMaxListedNames) {
        listings_.clear();
        folders_.clear();
        ForgetRecent();
        CloseFolders();
        listedNames_ = listing->count;
    }
    listings_.emplace(dir, listing);
}

std::optional<ResolveCache::Folder> ResolveCache::BuildFromKnown(std::string_view windowsFolder) {
    // The nearest folder above that is known already, else the drive.
    std::string current;
    std::shared_ptr<const Listing> listing;
    bool complete = true;
    int drive = -1;
    size_t belowDrive = 0;
    size_t done = 0;
    std::string above;
    for (std::string_view up = winpath::FolderOf(windowsFolder); !up.empty();
         up = winpath::FolderOf(up)) {
        above.assign(up);
        const auto it = folders_.find(above);
        if (it != folders_.end()) {
            current = it->second.linux;
            complete = it->second.complete;
            listing = it->second.listing;
            drive = it->second.drive;
            belowDrive = it->second.belowDrive;
            done = up.size();
            break;
        }
    }
    if (done == 0) {
        std::optional<std::filesystem::path> folder = DriveFolder(windowsFolder[0]);
        if (!folder) {
            return std::nullopt;
        }
        current = folder->string();
        listing = GetListing(current);
        if (!listing) {
            return std::nullopt;
        }
        drive = winpath::DriveIndex(windowsFolder[0]);
        if (drive >= 0) {
            belowDrive = current.size() + (current.back() == '/' ? 0 : 1);
        }
        done = 2;  // "X:"
    }
    std::string_view rest =
        done + 1 < windowsFolder.size() ? windowsFolder.substr(done + 1) : std::string_view();
    std::string exact, key;
    while (!rest.empty()) {
        const std::string_view component = winpath::TakeComponent(rest);
        if (current.empty() || current.back() != '/') {
            current += '/';
        }
        const size_t before = current.size();
        AppendUtf8(current, component);
        if (!complete) {
            continue;  // below a missing folder the rest is kept as given
        }
        exact.assign(current, before);
        if (const std::string* name = listing->Find(component, exact, key, nullptr)) {
            current.resize(before);
            current += *name;
            listing = GetListing(current);
            if (!listing) {
                return std::nullopt;
            }
        } else {
            complete = false;
            listing.reset();
        }
    }
    Folder f;
    f.linux = std::move(current);
    f.complete = complete;
    f.listing = std::move(listing);
    f.drive = drive;
    f.belowDrive = belowDrive;
    return f;
}

std::optional<ResolveCache::Folder> ResolveCache::BuildFolder(std::string_view windowsFolder) {
    if (snapshot_) {
        return BuildFromKnown(windowsFolder);
    }
    std::optional<std::filesystem::path> drive = DriveFolder(windowsFolder[0]);
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
        const std::string_view component = winpath::TakeComponent(rest);
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
            current += '/';
            AppendUtf8(current, winpath::TakeComponent(rest));
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
    if (snapshot_) {
        return true;  // the guards are empty
    }
    for (const Guard& g : f.guards) {
        DirStamp now;
        const bool exists = StatDir(g.path, now);
        if (exists != g.exists || (exists && !(now == g.stamp))) {
            return false;
        }
    }
    return true;
}

bool ResolveCache::Resolve(std::string_view windowsPath, std::string& linuxOut, LeafKind& leaf,
                           Place* place) {
    std::lock_guard<std::mutex> lock(mutex_);
    // A file is often asked for twice in a row (looked up, then read): the
    // answer holds as long as its folder's entry does (its path was checked
    // when it was answered).
    if (last_ != nullptr && windowsPath == lastPath_) {
        if (Valid(*last_)) {
            linuxOut = lastLinux_;
            leaf = lastLeaf_;
            Locate(*last_, lastNameAt_, place);
            return true;
        }
    }
    if (!CacheablePath(windowsPath)) {
        return false;
    }
    last_ = nullptr;
    const std::string_view leafName = winpath::BareName(windowsPath);
    const std::string_view windowsFolder = winpath::FolderOf(windowsPath);
    // The leaf's key does not depend on its folder: worked out first, the
    // folder's table can be loaded while the path is put together.
    const bool plainLeaf = PlainUpper(leafName, key_);
    const size_t leafHash = plainLeaf ? HashOf(key_) : 0;
    Folder* entry = FindRecent(windowsFolder);
    if (entry == nullptr) {
        folderKey_.assign(windowsFolder);
        const auto it = folders_.find(folderKey_);
        if (it != folders_.end()) {
            entry = &it->second;
            NoteRecent(windowsFolder, entry);
        }
    }
    if (entry == nullptr || !Valid(*entry)) {
        // Building may drop every entry: `entry` is not used again.
        folderKey_.assign(windowsFolder);
        std::optional<Folder> built = BuildFolder(windowsFolder);
        if (!built) {
            folders_.erase(folderKey_);
            ForgetRecent();
            return false;
        }
        if (folders_.size() >= kMaxFolders) {
            folders_.clear();
            ForgetRecent();
        }
        entry = &folders_.insert_or_assign(folderKey_, std::move(*built)).first->second;
        NoteRecent(windowsFolder, entry);
    }
    const Folder& f = *entry;
    if (plainLeaf && f.complete) {
        f.listing->Prefetch(leafHash);
    }
    linuxOut = f.linux;
    if (linuxOut.empty() || linuxOut.back() != '/') {
        linuxOut += '/';
    }
    const size_t before = linuxOut.size();
    lastNameAt_ = before;
    Locate(f, before, place);
    AppendUtf8(linuxOut, leafName);
    if (!f.complete) {
        leaf = LeafKind::kMissing;
        Remember(f, windowsPath, linuxOut, leaf);
        return true;
    }
    exact_.assign(linuxOut, before);
    unsigned char type = 0;
    const std::string* name = plainLeaf ? f.listing->FindKey(key_, leafHash, exact_, &type)
                                        : f.listing->Find(leafName, exact_, key_, &type);
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

ResolveCache::Folder* ResolveCache::FindRecent(std::string_view windowsFolder) {
    for (Recent& r : recent_) {
        if (r.folder != nullptr && r.key == windowsFolder) {
            r.used = ++recentClock_;
            return r.folder;
        }
    }
    return nullptr;
}

void ResolveCache::NoteRecent(std::string_view windowsFolder, Folder* folder) {
    // A free entry, else the one used longest ago.
    Recent* slot = &recent_[0];
    for (Recent& r : recent_) {
        if (r.folder == nullptr) {
            slot = &r;
            break;
        }
        if (r.used < slot->used) {
            slot = &r;
        }
    }
    slot->key.assign(windowsFolder);
    slot->folder = folder;
    slot->used = ++recentClock_;
}

void ResolveCache::ForgetRecent() {
    for (Recent& r : recent_) {
        r.folder = nullptr;
    }
}

void ResolveCache::Locate(const Folder& f, size_t nameAt, Place* place) {
    if (place == nullptr) {
        return;
    }
    if (f.listing != nullptr && f.listing->fd >= 0) {
        place->folderFd = f.listing->fd;
        place->relativeAt = nameAt;
        openFolders_[f.listing->openSlot].lastUse = ++useClock_;
        return;
    }
    place->folderFd = -1;
    place->relativeAt = 0;
    if (f.drive < 0 || f.belowDrive == 0 || f.belowDrive > nameAt) {
        return;
    }
    KnownDrive& drive = drives_[f.drive];
    if (drive.fd < 0 && drive.folder) {
        drive.fd = ::open(drive.folder->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (drive.fd >= 0) {
        place->folderFd = drive.fd;
        place->relativeAt = f.belowDrive;
    }
}

void ResolveCache::Remember(const Folder& f, std::string_view windowsPath,
                            const std::string& linuxPath, LeafKind leaf) {
    last_ = &f;
    lastPath_.assign(windowsPath);
    lastLinux_.assign(linuxPath);
    lastLeaf_ = leaf;
}

}  // namespace quellon::posix
