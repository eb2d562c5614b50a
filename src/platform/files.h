// Files and volumes, addressed by Windows paths in ANSI text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::platform {

// Reads a file line by line without holding it whole; lines lose their ends.
class LineReader {
public:
    virtual ~LineReader() = default;
    virtual bool Next(std::string& line) = 0;
};

// Reads a file's bytes from its start, a piece at a time, so that a file of
// any size can be searched in the same memory.
class ByteReader {
public:
    virtual ~ByteReader() = default;
    // Up to `size` more bytes into `buffer`: how many were read, 0 at the end
    // of the file (and after a read error).
    virtual size_t Read(char* buffer, size_t size) = 0;
};

struct FileEntry {
    std::string name;      // the name as stored
    std::string fullPath;  // folder path, "\", name
};

// What tells that a file changed without reading it: whether it is there,
// its size, the time of its last write and its identity on the disk.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t writeTime = 0;  // in the system's own units
    std::int64_t changeTime = 0;
    std::uint64_t id = 0;
    bool operator==(const FileStamp&) const = default;
};

class FileSystem;
// At most the first `limit` bytes of a file; nullopt when it cannot be read.
std::optional<std::string> ReadPrefix(FileSystem& fs, std::string_view path, size_t limit);
// The same from a reader opened already.
std::string ReadPrefix(ByteReader& reader, size_t limit);

// Puts a folder listing in the order every backend lists in: by the
// upper-cased name (as NTFS lists), then by the name as stored.
void SortListing(std::vector<FileEntry>& files);

// Looks up and reads many files one after another, for one pass over a list
// of paths (a scan phase). While it lives it may answer from what it has
// already learnt of a folder's entries instead of asking the system again,
// so a change made to a folder after it looked there may go unseen until
// the next pass. It answers as its file system does in every other way.
class LookupBatch {
public:
    virtual ~LookupBatch() = default;
    // Whether FileSystem::LookupFile finds the path.
    virtual bool LookupFile(std::string_view path) = 0;
    // FileSystem::OpenRead; the reader may not outlive the batch.
    virtual std::unique_ptr<ByteReader> OpenRead(std::string_view path) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Directory look-up of one path with normal attributes: the stored name
    // when the path is a file that is neither a folder, hidden nor a system
    // file; nullopt otherwise (also for any error).
    virtual std::optional<std::string> LookupFile(std::string_view path) = 0;
    virtual bool FolderExists(std::string_view path) = 0;
    // Every file (not folder) directly in the folder, hidden ones included,
    // in the order the system lists them.
    virtual std::optional<std::vector<FileEntry>> ListFiles(std::string_view folder) = 0;
    virtual std::unique_ptr<LineReader> OpenLines(std::string_view path) = 0;
    // Whole file as bytes; nullopt when it cannot be read.
    virtual std::optional<std::string> ReadAll(std::string_view path) = 0;
    // The file's bytes a piece at a time; null when it cannot be opened (a
    // folder cannot).
    virtual std::unique_ptr<ByteReader> OpenRead(std::string_view path) = 0;
    // Appends bytes, creating the file when missing.
    virtual bool Append(std::string_view path, std::string_view bytes) = 0;
    // Replaces the file's content so that a crash leaves the old or the new one.
    virtual bool WriteAtomic(std::string_view path, std::string_view bytes) = 0;
    virtual bool Delete(std::string_view path) = 0;
    virtual bool Rename(std::string_view from, std::string_view to) = 0;
    // Copies a file; never replaces an existing target.
    virtual bool CopyNew(std::string_view from, std::string_view to) = 0;
    virtual bool CreateFolder(std::string_view path) = 0;
    // A batch of look-ups and reads over this file system.
    virtual std::unique_ptr<LookupBatch> StartLookupBatch() = 0;
    // The file's stamp (a path that names no file gives one that says it is
    // not there); nullopt where the system cannot tell, and a caller then
    // cannot learn of a change this way.
    virtual std::optional<FileStamp> StampFile(std::string_view path) {
        (void)path;
        return std::nullopt;
    }
    // The letters (upper case) of the drives through which a path reaches
    // beyond this Windows machine: a drive that maps the host's own root
    // (Wine's Z:, "/") and a network drive. No definition may name a path
    // on them.
    virtual std::string HostRootDrives() = 0;
};

}  // namespace quellon::platform
