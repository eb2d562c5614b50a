// Small file helpers on Linux paths shared by the backend's parts.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quellon::posix::io {

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFile(const std::filesystem::path& path);
// What the symbolic link at `path` points to, whole however long; nullopt
// when it is no link or cannot be read.
std::optional<std::string> ReadLink(const std::filesystem::path& path);

// Fault injection, for the tests of what a kill in the middle of a change
// leaves behind: every change to a file (a write, a rename, a deletion, a
// new file or folder) passes a fault point first. With QUELLON_FAULT_KILL_AT=N
// in the environment, or after SetFaultKillAt(N), the process kills itself
// with SIGKILL at the N-th point; with QUELLON_FAULT_COUNT=FILE it writes
// how many points it passed to FILE when it ends. Without them a point only
// counts.
void FaultPoint();
void SetFaultKillAt(long n);
long FaultPointsPassed();

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

// Opens a file to read without waiting. A plain open of a FIFO waits until
// something opens it to write, which a hostile name in a scanned folder
// could make forever; for a plain file not waiting changes nothing.
Fd OpenToRead(int folderFd, const char* path);
// Whether a file of this mode is a FIFO or a socket: nothing to read as a file.
bool IsPipeOrSocket(mode_t mode);

}  // namespace quellon::posix::io
