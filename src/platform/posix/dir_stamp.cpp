#include "platform/posix/dir_stamp.h"

#include <sys/stat.h>
#include <sys/vfs.h>

namespace quellon::posix {

namespace {

bool Same(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

bool DirStamp::operator==(const DirStamp& o) const {
    return dev == o.dev && ino == o.ino && Same(mtime, o.mtime) && Same(ctime, o.ctime);
}

DirStamp DirStamp::Of(const struct stat& st) {
    DirStamp s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

bool StampFolder(const std::string& path, DirStamp& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    out = DirStamp::Of(st);
    return true;
}

timespec StampClock() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

bool Settled(const DirStamp& stamp, const timespec& now) {
    const bool coarse = stamp.mtime.tv_nsec == 0 && stamp.ctime.tv_nsec == 0;
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
    return Before(stamp.mtime, limit) && Before(stamp.ctime, limit);
}

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

bool MayRemember(int fd, const DirStamp& seen) {
    struct stat st {};
    return ReliableTimes(fd) && ::fstat(fd, &st) == 0 && DirStamp::Of(st) == seen;
}

FolderGuard FolderGuard::Take(std::string path) {
    FolderGuard g;
    g.path = std::move(path);
    g.exists = StampFolder(g.path, g.stamp);
    return g;
}

bool FolderGuard::Holds() const {
    DirStamp now;
    const bool existsNow = StampFolder(path, now);
    return existsNow == exists && (!exists || now == stamp);
}

}  // namespace quellon::posix
