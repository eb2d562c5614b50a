#include "platform/posix/resolve_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

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
            listing->names.Add(n, e->d_type);
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
    // The listing remembered holds while the folder's stamp is the same; a
    // new one is remembered only under a stamp that shows later changes.
    const timespec now = StampClock();
    DirStamp stamp;
    if (!StampFolder(dir, stamp)) {
        return nullptr;
    }
    auto it = listings_.find(dir);
    if (it != listings_.end()) {
        if (it->second->stamp == stamp) {
            return it->second;
        }
        listedNames_ -= it->second->names.Count();
        listings_.erase(it);
    }
    if (!Settled(stamp, now)) {
        return nullptr;
    }
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    if (!MayRemember(fd, stamp)) {
        ::close(fd);
        return nullptr;
    }
    std::shared_ptr<Listing> listing = ReadListing(fd);
    ::close(fd);
    listing->stamp = stamp;
    Keep(dir, listing);
    return listing;
}

void ResolveCache::Keep(const std::string& dir, const std::shared_ptr<const Listing>& listing) {
    listedNames_ += listing->names.Count();
    if (listedNames_ > kMaxListedNames) {
        listings_.clear();
        folders_.clear();
        ForgetRecent();
        CloseFolders();
        listedNames_ = listing->names.Count();
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
        if (const auto name = listing->names.Find(component, exact, key, nullptr)) {
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
    const timespec now = StampClock();
    auto guard = [&](std::string path) {
        f.guards.push_back(FolderGuard::Take(std::move(path)));
        const FolderGuard& g = f.guards.back();
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
        if (const auto name = listing->names.Find(component, exact, key, nullptr)) {
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
    return std::all_of(f.guards.begin(), f.guards.end(),
                       [](const FolderGuard& g) { return g.Holds(); });
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
    const bool plainLeaf = NameTable::PlainKey(leafName, key_);
    const size_t leafHash = plainLeaf ? NameTable::Hash(key_) : 0;
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
        f.listing->names.Prefetch(leafHash);
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
    const NameTable& names = f.listing->names;
    const std::optional<std::string_view> name = plainLeaf
                                                     ? names.FindKey(key_, leafHash, exact_, &type)
                                                     : names.Find(leafName, exact_, key_, &type);
    if (!name) {
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
