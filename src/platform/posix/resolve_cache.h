// Remembered folder resolutions and folder listings for MachineRoot::Resolve,
// so that looking up a file in a folder seen before costs one stat of that
// folder (and one of each folder above it whose sub-folder was matched
// without regard to case) instead of a walk over every component. A cache
// made for one batch of look-ups (a snapshot) lists each folder once and
// trusts what it listed for as long as it lives, without checking it again
// (internal).
//
// Its parts: a listing is a folder's NameTable (name_table.h) under the
// folder's DirStamp (dir_stamp.h); a resolved Windows folder is its Linux
// folder, its listing and the FolderGuards that must hold for it to stand.
// Around them: the folders and listings by path, the last few folders asked
// for, the last answer, and in a snapshot the drives and the folders held
// open.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/backend.h"
#include "platform/posix/dir_stamp.h"
#include "platform/posix/name_table.h"

namespace quellon::posix {

// The folder a drive letter maps to under a machine root (MachineRoot::DriveFolder).
std::optional<std::filesystem::path> DriveFolderIn(const std::filesystem::path& root, char letter);

class ResolveCache {
public:
    enum class Mode {
        kChecked,   // every answer is checked against the folders' change times
        kSnapshot,  // folders are listed once and trusted from then on
    };
    // `root` is the machine root (the drive folders' parent).
    ResolveCache(std::filesystem::path root, Mode mode = Mode::kChecked);
    ~ResolveCache();
    ResolveCache(const ResolveCache&) = delete;
    ResolveCache& operator=(const ResolveCache&) = delete;

    // Where a resolved file lies, so that it can be opened without walking
    // its whole path again: the resolved path from `relativeAt` on, relative
    // to the open folder `folderFd` (a snapshot's own: its folder or its
    // drive's), or -1 and the whole path.
    struct Place {
        int folderFd = -1;
        size_t relativeAt = 0;
    };

    // Resolves a path whose every folder component is a plain name. false
    // when the cache cannot answer (unusual path, a folder changed in the
    // last moments, a file system without reliable change times): the caller
    // then resolves the slow way. The descriptor in `place` stays open until
    // the next call.
    bool Resolve(std::string_view windowsPath, std::string& linuxOut, LeafKind& leaf,
                 Place* place = nullptr);

private:
    // A folder's names as they were when it was stamped.
    struct Listing {
        Listing() = default;
        Listing(const Listing&) = delete;
        Listing& operator=(const Listing&) = delete;
        ~Listing();
        DirStamp stamp;  // not set in a snapshot
        NameTable names;
        // A snapshot keeps some listed folders open (the most recently used
        // ones) to open their files by name.
        mutable int fd = -1;
        mutable size_t openSlot = 0;  // its place in `openFolders_` while open
    };
    struct Folder {
        std::string linux;     // the resolved folder
        bool complete = true;  // every component exists; `listing` lists `linux`
        std::shared_ptr<const Listing> listing;
        std::vector<FolderGuard> guards;  // all must hold for the entry to hold
        // In a snapshot: the drive (0 for A) and where the path below the
        // drive's folder begins in `linux`.
        int drive = -1;
        size_t belowDrive = 0;
    };

    std::shared_ptr<const Listing> GetListing(const std::string& dir);
    // Reads the entries of an open folder (the descriptor stays open).
    static std::shared_ptr<Listing> ReadListing(int fd);
    // Keeps a snapshot's folder open, closing the least recently used one
    // when too many are; closes it at once when none may be kept.
    void KeepOpen(const std::shared_ptr<const Listing>& listing, int fd);
    // Closes every folder kept open: a listing has an open folder exactly
    // while it is in `openFolders_`.
    void CloseFolders();
    // BuildFolder for a snapshot: from the nearest folder above already known.
    std::optional<Folder> BuildFromKnown(std::string_view windowsFolder);
    // Adds a listing, dropping everything first when too many names are kept.
    void Keep(const std::string& dir, const std::shared_ptr<const Listing>& listing);
    std::optional<Folder> BuildFolder(std::string_view windowsFolder);
    bool Valid(const Folder& f) const;
    // DriveFolderIn, asked once per letter in a snapshot.
    std::optional<std::filesystem::path> DriveFolder(char letter);

    std::filesystem::path root_;
    const bool snapshot_;
    struct KnownDrive {
        bool asked = false;
        std::optional<std::filesystem::path> folder;
        int fd = -1;  // opened at its first use
    };
    KnownDrive drives_[26];
    std::mutex mutex_;
    std::unordered_map<std::string, Folder> folders_;
    std::unordered_map<std::string, std::shared_ptr<const Listing>> listings_;
    size_t listedNames_ = 0;
    struct OpenFolder {
        std::shared_ptr<const Listing> listing;
        std::uint64_t lastUse = 0;
    };
    std::vector<OpenFolder> openFolders_;
    size_t maxOpenFolders_ = 0;
    std::uint64_t useClock_ = 0;
    // The entries of the last few folders asked for, found without hashing
    // (a list of paths often moves among a few folders); forgotten whenever
    // an entry may go.
    struct Recent {
        std::string key;
        Folder* folder = nullptr;
        std::uint64_t used = 0;
    };
    std::array<Recent, 8> recent_;
    std::uint64_t recentClock_ = 0;
    Folder* FindRecent(std::string_view windowsFolder);
    void NoteRecent(std::string_view windowsFolder, Folder* folder);
    void ForgetRecent();
    // Fills in where a file of the folder lies.
    void Locate(const Folder& f, size_t nameAt, Place* place);
    void Remember(const Folder& f, std::string_view windowsPath, const std::string& linuxPath,
                  LeafKind leaf);

    std::string folderKey_, exact_, key_;  // scratch, reused across calls
    // The last answer, with the entry it came from; cleared whenever
    // `folders_` changes.
    const Folder* last_ = nullptr;
    std::string lastPath_, lastLinux_;
    LeafKind lastLeaf_ = LeafKind::kUnknown;
    size_t lastNameAt_ = 0;  // where the last answer's name begins
};

}  // namespace quellon::posix
