// Files and folders of the machine, addressed by Windows paths.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/ansi.h"
#include "common/lines.h"
#include "common/text.h"
#include "common/winpath.h"
#include "platform/posix/backend_classes.h"
#include "platform/posix/io.h"
#include "platform/posix/resolve_cache.h"

namespace quellon::posix {

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 64 * 1024;

bool IsRegularFile(const char* p) {
    struct stat st {};
    return ::stat(p, &st) == 0 && S_ISREG(st.st_mode);
}

// Whether a resolved path is a file that a look-up with normal attributes
// finds: a plain file (or a link to one) whose name does not begin with a dot.
bool IsNormalFile(const std::string& linuxPath, LeafKind leaf) {
    if (leaf == LeafKind::kMissing || leaf == LeafKind::kOther) {
        return false;
    }
    // The folder listing tells a plain file apart; links and the rest are asked.
    if (leaf != LeafKind::kRegularFile && !IsRegularFile(linuxPath.c_str())) {
        return false;
    }
    const size_t slash = linuxPath.rfind('/');
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    // Dot files are hidden, as Wine shows them.
    return name < linuxPath.size() && linuxPath[name] != '.';
}

class FdLineReader : public platform::LineReader {
public:
    explicit FdLineReader(io::Fd fd) : fd_(std::move(fd)) {}

    bool Next(std::string& line) override {
        while (!splitter_.Next(line)) {
            if (ended_) {
                return false;
            }
            FillOnce();
        }
        return true;
    }

private:
    void FillOnce() {
        buffer_.resize(kChunk);
        for (;;) {
            ssize_t n = ::read(fd_.Get(), buffer_.data(), buffer_.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                // A read error ends the file like its end does.
                ended_ = true;
                splitter_.Finish();
                fd_ = io::Fd();
            } else {
                splitter_.Feed(std::string_view(buffer_.data(), static_cast<size_t>(n)));
            }
            return;
        }
    }

    io::Fd fd_;
    lines::LineSplitter splitter_;
    std::string buffer_;
    bool ended_ = false;
};

// An open file that can be read (a plain file, not a folder), with the
// size a plain file had when it was opened.
struct Readable {
    io::Fd fd;
    std::optional<std::uint64_t> size;
};

// Reads a plain file to the size it had when it was opened, so that its
// end costs no further call; anything else is read until a read gives
// nothing.
class FdByteReader : public platform::ByteReader {
public:
    explicit FdByteReader(Readable file) : fd_(std::move(file.fd)), left_(file.size) {}
    size_t Read(char* buffer, size_t size) override {
        if (left_) {
            size = static_cast<size_t>(std::min<std::uint64_t>(size, *left_));
        }
        while (fd_.Valid() && size > 0) {
            const ssize_t n = ::read(fd_.Get(), buffer, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n > 0) {
                if (left_) {
                    *left_ -= std::min(*left_, static_cast<std::uint64_t>(n));
                }
                return static_cast<size_t>(n);
            }
            break;
        }
        fd_ = io::Fd();
        return 0;
    }

private:
    io::Fd fd_;
    std::optional<std::uint64_t> left_;
};

Readable OpenReadable(int folderFd, const char* path) {
    io::Fd fd = io::OpenToRead(folderFd, path);
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode) ||
        io::IsPipeOrSocket(st.st_mode)) {
        return Readable{io::Fd(), std::nullopt};
    }
    std::optional<std::uint64_t> size;
    if (S_ISREG(st.st_mode) && st.st_size >= 0) {
        size = static_cast<std::uint64_t>(st.st_size);
    }
    return {std::move(fd), size};
}

std::unique_ptr<platform::ByteReader> ByteReaderOf(Readable file) {
    return file.fd.Valid() ? std::make_unique<FdByteReader>(std::move(file)) : nullptr;
}

}  // namespace

std::optional<std::string> PosixFiles::LookupFile(std::string_view path) {
    LeafKind leaf = LeafKind::kUnknown;
    std::optional<fs::path> p = machine_.Resolve(path, leaf);
    if (!p || !IsNormalFile(p->native(), leaf)) {
        return std::nullopt;
    }
    return ansi::FromUtf8(p->filename().string());
}

bool PosixFiles::FolderExists(std::string_view path) {
    std::optional<fs::path> p = machine_.Resolve(path);
    struct stat st {};
    return p && ::stat(p->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::vector<platform::FileEntry>> PosixFiles::ListFiles(std::string_view folder) {
    std::optional<fs::path> p = machine_.Resolve(folder);
    if (!p) {
        return std::nullopt;
    }
    DIR* dir = ::opendir(p->c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    const std::string prefix = winpath::FolderPrefix(folder);
    std::vector<platform::FileEntry> files;
    const int dirFd = ::dirfd(dir);
    while (dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) {
            continue;
        }
        // The entry's type, as the folder gives it, tells a regular file
        // without a stat; a link (followed, as Windows would see its
        // target) or a type the file system does not give is looked at.
        if (entry->d_type != DT_REG) {
            struct stat st {};
            if ((entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) ||
                ::fstatat(dirFd, n, &st, 0) != 0 || !S_ISREG(st.st_mode)) {
                continue;
            }
        }
        std::string name = ansi::FromUtf8(n);
        files.push_back({name, prefix + name});
    }
    ::closedir(dir);
    platform::SortListing(files);
    return files;
}

std::unique_ptr<platform::LineReader> PosixFiles::OpenLines(std::string_view path) {
    std::optional<fs::path> p = machine_.Resolve(path);
    if (!p) {
        return nullptr;
    }
    io::Fd fd = io::OpenToRead(AT_FDCWD, p->c_str());
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return nullptr;
    }
    return std::make_unique<FdLineReader>(std::move(fd));
}

std::optional<std::string> PosixFiles::ReadAll(std::string_view path) {
    std::optional<fs::path> p = machine_.Resolve(path);
    if (!p) {
        return std::nullopt;
    }
    return io::ReadFile(*p);
}

std::optional<platform::FileStamp> PosixFiles::StampFile(std::string_view path) {
    platform::FileStamp stamp;
    std::optional<fs::path> p = machine_.Resolve(path);
    struct stat st {};
    if (!p || ::stat(p->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return stamp;
    }
    constexpr std::int64_t kNanos = 1'000'000'000;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.writeTime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNanos + st.st_mtim.tv_nsec;
    stamp.changeTime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * kNanos + st.st_ctim.tv_nsec;
    stamp.id =
        static_cast<std::uint64_t>(st.st_ino) ^ (static_cast<std::uint64_t>(st.st_dev) << 32);
    return stamp;
}

std::unique_ptr<platform::ByteReader> PosixFiles::OpenRead(std::string_view path) {
    std::optional<fs::path> p = machine_.Resolve(path);
    return p ? ByteReaderOf(OpenReadable(AT_FDCWD, p->c_str())) : nullptr;
}

bool PosixFiles::Append(std::string_view path, std::string_view bytes) {
    std::optional<fs::path> p = machine_.Resolve(path);
    if (!p) {
        return false;
    }
    io::FaultPoint();
    io::Fd fd(::open(p->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    return fd.Valid() && io::WriteAll(fd.Get(), bytes);
}

bool PosixFiles::WriteAtomic(std::string_view path, std::string_view bytes) {
    std::optional<fs::path> p = machine_.Resolve(path);
    return p && io::WriteFileAtomic(*p, bytes);
}

bool PosixFiles::Delete(std::string_view path) {
    std::optional<fs::path> p = machine_.Resolve(path);
    struct stat st {};
    if (!p || ::lstat(p->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return false;
    }
    // A file without write permission is a read-only file, which Windows
    // does not delete; a folder without any write permission keeps its files
    // also when the program runs as root.
    struct stat folder {};
    if ((S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) ||
        (::stat(p->parent_path().c_str(), &folder) == 0 && (folder.st_mode & 0222) == 0)) {
        errno = EACCES;
        return false;
    }
    io::FaultPoint();
    return ::unlink(p->c_str()) == 0;
}

bool PosixFiles::Rename(std::string_view from, std::string_view to) {
    std::optional<fs::path> source = machine_.Resolve(from);
    std::optional<fs::path> target = machine_.Resolve(to);
    if (!source || !target) {
        return false;
    }
    // Like a Windows move: an existing target is never replaced.
    io::FaultPoint();
    if (::renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    struct stat st {};
    if (::lstat(target->c_str(), &st) == 0) {
        return false;
    }
    return ::rename(source->c_str(), target->c_str()) == 0;
}

bool PosixFiles::CopyNew(std::string_view from, std::string_view to) {
    std::optional<fs::path> source = machine_.Resolve(from);
    std::optional<fs::path> target = machine_.Resolve(to);
    if (!source || !target || !target->has_filename()) {
        return false;
    }
    io::Fd in = io::OpenToRead(AT_FDCWD, source->c_str());
    struct stat st {};
    if (!in.Valid() || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    struct stat existing {};
    if (::lstat(target->c_str(), &existing) == 0) {
        return false;
    }
    // The copy is written under a hidden name beside the target and takes
    // the target's name only when it is whole, without replacing a file that
    // took the name meanwhile: a copy cut short is never seen under the name.
    std::string temp =
        (target->parent_path() / ("." + target->filename().string() + ".XXXXXX")).string();
    io::FaultPoint();
    io::Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (!out.Valid()) {
        return false;
    }
    bool ok = true;
    std::string buffer(kChunk, '\0');
    for (;;) {
        ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        if (!io::WriteAll(out.Get(), std::string_view(buffer.data(), static_cast<size_t>(n)))) {
            ok = false;
            break;
        }
    }
    ok = ok && ::fchmod(out.Get(), st.st_mode & 07777) == 0;
    if (ok) {
        io::FaultPoint();
        ok = ::fsync(out.Get()) == 0;
    }
    ok = (::close(out.Release()) == 0) && ok;
    if (ok) {
        io::FaultPoint();
        ok =
            ::link(temp.c_str(), target->c_str()) == 0 ||
            ((errno == EPERM || errno == ENOTSUP) &&
             ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0);
    }
    io::FaultPoint();
    ::unlink(temp.c_str());
    return ok;
}

bool PosixFiles::CreateFolder(std::string_view path) {
    std::optional<fs::path> p = machine_.Resolve(path);
    if (!p) {
        return false;
    }
    std::error_code ec;
    io::FaultPoint();
    fs::create_directories(*p, ec);
    struct stat st {};
    return ::stat(p->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// Resolves through a cache of its own that lists each folder once and
// trusts the listing until the batch ends; paths that cache cannot serve
// take the file system's own way.
class PosixLookupBatch : public platform::LookupBatch {
public:
    PosixLookupBatch(PosixFiles& files, const fs::path& root)
        : files_(files), cache_(root, ResolveCache::Mode::kSnapshot) {}

    bool LookupFile(std::string_view path) override {
        LeafKind leaf = LeafKind::kUnknown;
        if (!cache_.Resolve(path, linux_, leaf)) {
            return files_.LookupFile(path).has_value();
        }
        return IsNormalFile(linux_, leaf);
    }

    std::unique_ptr<platform::ByteReader> OpenRead(std::string_view path) override {
        LeafKind leaf = LeafKind::kUnknown;
        ResolveCache::Place place;
        if (!cache_.Resolve(path, linux_, leaf, &place)) {
            return files_.OpenRead(path);
        }
        // A file below a folder the batch holds open is opened from there.
        if (place.folderFd >= 0) {
            return ByteReaderOf(OpenReadable(place.folderFd, linux_.c_str() + place.relativeAt));
        }
        return ByteReaderOf(OpenReadable(AT_FDCWD, linux_.c_str()));
    }

private:
    PosixFiles& files_;
    ResolveCache cache_;
    std::string linux_;
};

}  // namespace

std::unique_ptr<platform::LookupBatch> PosixFiles::StartLookupBatch() {
    return std::make_unique<PosixLookupBatch>(*this, machine_.Root());
}

}  // namespace quellon::posix

namespace quellon::posix {

std::string PosixFiles::HostRootDrives() {
    return machine_.HostRootDrives();
}

}  // namespace quellon::posix
