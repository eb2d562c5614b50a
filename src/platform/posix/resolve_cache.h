// Remembered folder resolutions and folder listings for MachineRoot::Resolve,
// so that looking up a file in a folder seen before costs one stat of that
// folder (and one of each folder above it whose sub-folder was matched
// without regard to case) instead of a walk over every component (internal).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/posix/backend.h"

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
};

// The folder a drive letter maps to under a machine root (MachineRoot::DriveFolder).
std::optional<std::filesystem::path> DriveFolderIn(const std::filesystem::path& root, char letter);

class ResolveCache {
public:
    // `root` is the machine root (the drive folders' parent).
    explicit ResolveCache(std::filesystem::path root) : root_(std::move(root)) {}

    // Resolves a path whose every folder component is a plain name. false
    // when the cache cannot answer (unusual path, a folder changed in the
    // last moments, a file system without reliable change times): the caller
    // then resolves the slow way.
    bool Resolve(std::string_view windowsPath, std::string& linuxOut, LeafKind& leaf);

private:
    struct Listing {
        DirStamp stamp;
        // The names that are equal without regard to case, under their
        // upper-cased ANSI form; the first in byte order comes first.
        struct Names {
            std::string first;
            unsigned char firstType = 0;  // d_type
            std::vector<std::pair<std::string, unsigned char>> others;
        };
        // The names by their upper-cased form, in an open-addressed table:
        // a look-up touches one slot and, on a likely match, one entry.
        struct Entry {
            std::string upper;
            size_t hash = 0;
            Names names;
        };
        std::vector<Entry> entries;
        // 0 for a free slot, else the hash's high half above the entry's index + 1.
        std::vector<std::uint64_t> slots;
        size_t count = 0;
        const Names* Lookup(std::string_view upper) const;
        // The names of an upper-cased form, added empty when missing.
        Names& Add(std::string upper, bool& added);
        void Grow();
        // The on-disk name for an ANSI name: the exact spelling when it is
        // there, else the first spelling equal without regard to case.
        const std::string* Find(std::string_view ansiName, const std::string& exactName,
                                std::string& key, unsigned char* type) const;
    };
    struct Guard {
        std::string path;
        bool exists = false;
        DirStamp stamp;
    };
    struct Folder {
        std::string linux;     // the resolved folder
        bool complete = true;  // every component exists; `listing` lists `linux`
        std::shared_ptr<const Listing> listing;
        std::vector<Guard> guards;  // all must be unchanged for the entry to hold
    };

    std::shared_ptr<const Listing> GetListing(const std::string& dir);
    std::optional<Folder> BuildFolder(std::string_view windowsFolder);
    bool Valid(const Folder& f) const;

    std::filesystem::path root_;
    std::mutex mutex_;
    std::unordered_map<std::string, Folder> folders_;
    std::unordered_map<std::string, std::shared_ptr<const Listing>> listings_;
    size_t listedNames_ = 0;
    void Remember(const Folder& f, std::string_view windowsPath, const std::string& linuxPath,
                  LeafKind leaf);

    std::string folderKey_, exact_, key_;  // scratch, reused across calls
    // The last answer, with the entry it came from; cleared whenever
    // `folders_` changes.
    const Folder* last_ = nullptr;
    std::string lastPath_, lastLinux_;
    LeafKind lastLeaf_ = LeafKind::kUnknown;
};

}  // namespace quellon::posix
