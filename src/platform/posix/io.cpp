#include "platform/posix/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace quellon::posix::io {

namespace {

struct Faults {
    std::atomic<long> passed{0};
    std::atomic<long> killAt{0};
    const char* countFile = nullptr;

    Faults() {
        if (const char* at = std::getenv("QUELLON_FAULT_KILL_AT")) {
            killAt = std::strtol(at, nullptr, 10);
        }
        countFile = std::getenv("QUELLON_FAULT_COUNT");
        if (countFile != nullptr && *countFile != '\0') {
            std::atexit([] {
                if (FILE* f = std::fopen(Get().countFile, "w")) {
                    std::fprintf(f, "%ld\n", Get().passed.load());
                    std::fclose(f);
                }
            });
        }
    }
    static Faults& Get() {
        static Faults faults;
        return faults;
    }
};

}  // namespace

void FaultPoint() {
    Faults& f = Faults::Get();
    const long n = ++f.passed;
    if (n == f.killAt.load(std::memory_order_relaxed)) {
        std::raise(SIGKILL);
    }
}

void SetFaultKillAt(long n) {
    Faults& f = Faults::Get();
    f.passed = 0;
    f.killAt = n;
}

long FaultPointsPassed() {
    return Faults::Get().passed.load();
}

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
        FaultPoint();
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

std::optional<std::string> ReadLink(const std::filesystem::path& path) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0) {
            return std::nullopt;
        }
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return target;
        }
        if (target.size() >= (size_t{1} << 20)) {
            return std::nullopt;  // no link target is this long
        }
        target.resize(target.size() * 2);  // it may have been cut: ask again with room
    }
}

Fd OpenToRead(int folderFd, const char* path) {
    return Fd(::openat(folderFd, path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
}

bool IsPipeOrSocket(mode_t mode) {
    return S_ISFIFO(mode) || S_ISSOCK(mode);
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    Fd fd = OpenToRead(AT_FDCWD, path.c_str());
    if (!fd.Valid()) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode) || IsPipeOrSocket(st.st_mode)) {
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
    FaultPoint();
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        return false;
    }
    bool ok = WriteAll(fd.Get(), bytes) && ::fchmod(fd.Get(), mode) == 0;
    FaultPoint();
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = (::close(fd.Release()) == 0) && ok;
    if (ok) {
        FaultPoint();
    }
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
