#include "platform/posix/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace quellon::posix::io {

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

namespace {

// Reads an open file to its end into `room` from its start, growing it as
// needed (it never shrinks); the number of bytes read, or nullopt.
std::optional<size_t> ReadToEnd(int fd, std::string& room) {
    size_t length = 0;
    for (;;) {
        if (length == room.size()) {
            room.resize(std::max<size_t>(size_t{64} * 1024, room.size() * 2));
        }
        const ssize_t n = ::read(fd, room.data() + length, room.size() - length);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (n == 0) {
            return length;
        }
        length += static_cast<size_t>(n);
    }
}

}  // namespace

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    std::string out;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        // One more byte than the size, so that the end is seen without growing.
        out.resize(static_cast<size_t>(st.st_size) + 1);
    }
    const std::optional<size_t> length = ReadToEnd(fd.Get(), out);
    if (!length) {
        return std::nullopt;
    }
    out.resize(*length);
    return out;
}

std::optional<std::string_view> FileReader::Read(const char* path) {
    return ReadAt(AT_FDCWD, path);
}

std::optional<std::string_view> FileReader::ReadAt(int folderFd, const char* name) {
    Fd fd(::openat(folderFd, name, O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    // A read of a folder fails.
    const std::optional<size_t> length = ReadToEnd(fd.Get(), room_);
    if (!length) {
        return std::nullopt;
    }
    return std::string_view(room_.data(), *length);
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
    if (!path.has_filename()) {
        return false;
    }
    // A new file gets the usual mode; a replaced one keeps its own.
    mode_t mode = 0;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return false;
        }
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string tempName = ".";
    tempName += path.filename().string();
    tempName += ".XXXXXX";
    std::string temp = (path.parent_path() / tempName).string();
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        return false;
    }
    bool ok = WriteAll(fd.Get(), bytes) && ::fchmod(fd.Get(), mode) == 0 && ::fsync(fd.Get()) == 0;
    ok = (::close(fd.Release()) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    Fd dir(::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid()) {
        ::fsync(dir.Get());
    }
    return true;
}

}  // namespace quellon::posix::io
