// Small file helpers on Linux paths shared by the backend's parts.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quellon::posix::io {

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFile(const std::filesystem::path& path);

// Reads whole files, one after another, into one buffer that keeps its room.
class FileReader {
public:
    // The whole file, valid until the next Read; nullopt when it cannot be
    // opened or read (a folder cannot be read).
    std::optional<std::string_view> Read(const char* path);
    // The same for a file named relative to an open folder.
    std::optional<std::string_view> ReadAt(int folderFd, const char* name);

private:
    std::string room_;
};

// Writes a temporary file beside the target, flushes it to disk and renames it
// over the target; the old file stays untouched when anything fails.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);
// Writes every byte, retrying short writes and interrupted calls.
bool WriteAll(int fd, std::string_view bytes);

// A file descriptor closed on scope exit.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept;
    ~Fd();
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

}  // namespace quellon::posix::io
