// What a folder looked like when it was listed or passed through, and
// whether what was remembered of it still holds (internal to the resolve
// cache).
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

struct stat;

namespace quellon::posix {

// The identity and change times of a folder. Creating, removing or renaming
// an entry changes the folder's modification and change times; replacing the
// folder changes its inode.
struct DirStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    timespec mtime{};
    timespec ctime{};
    bool operator==(const DirStamp& o) const;

    static DirStamp Of(const struct stat& st);
};

// Stamps the folder at `path` (following links); false when there is no
// folder there.
bool StampFolder(const std::string& path, DirStamp& out);

// The clock folder times are stamped from.
timespec StampClock();

// Whether a stamp taken no earlier than `now` can be trusted to show every
// later change. Folder times come from a clock that advances in ticks, so a
// change made in the same tick as an earlier one may leave them as they
// were; once both times lie well behind the clock (50 ms, or 3 s on file
// systems that keep whole seconds only), any later change shows as new
// times.
bool Settled(const DirStamp& stamp, const timespec& now);

// Whether the file system of the open `fd` changes a folder's times with
// every entry change made anywhere (network and virtual file systems do not
// promise that).
bool ReliableTimes(int fd);

// Whether a listing read from the open folder `fd` may be remembered under
// `seen`, the stamp taken before it was opened: its file system keeps
// reliable times and it is still that folder, unchanged. (A change while it
// is read shows as new times the next time it is stamped.)
bool MayRemember(int fd, const DirStamp& seen);

// A folder an answer depends on, as it was when the answer was worked out:
// there or not, and its stamp. The answer holds while the folder looks the
// same.
struct FolderGuard {
    std::string path;
    bool exists = false;
    DirStamp stamp;

    // The folder at `path` as it is now.
    static FolderGuard Take(std::string path);
    bool Holds() const;
};

}  // namespace quellon::posix
