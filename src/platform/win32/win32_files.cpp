// Files and folders through the Win32 file API, addressed by ANSI paths.
#include <windows.h>

#include <algorithm>

#include "common/lines.h"
#include "common/text.h"
#include "common/winpath.h"
#include "platform/win32/backend_classes.h"

namespace quellon::win32 {

namespace {

constexpr DWORD kChunk = 64 * 1024;

// A handle closed on scope exit.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
    ~Handle() { Close(); }
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    bool Close() {
        bool ok = true;
        if (Valid()) {
            ok = ::CloseHandle(h_) != 0;
        }
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

std::string Z(std::string_view s) {
    return std::string(s);
}

// A file the look-up calls may not be asked about: wildcards would make the
// directory look-up a search, and an embedded NUL would cut the path.
bool IsPlainPath(std::string_view path) {
    return winpath::IsLiteral(path);
}

Handle OpenForReading(std::string_view path) {
    if (!IsPlainPath(path)) {
        return Handle();
    }
    return Handle(::CreateFileA(Z(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), part, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool IsFolder(std::string_view path) {
    if (!IsPlainPath(path)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesA(Z(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class HandleLineReader : public platform::LineReader {
public:
    explicit HandleLineReader(Handle h) : h_(std::move(h)) {}

    bool Next(std::string& line) override {
        while (!splitter_.Next(line)) {
            if (ended_) {
                return false;
            }
            buffer_.resize(kChunk);
            DWORD n = 0;
            if (!::ReadFile(h_.Get(), buffer_.data(), kChunk, &n, nullptr) || n == 0) {
                // A read error ends the file like its end does.
                ended_ = true;
                splitter_.Finish();
                h_.Close();
            } else {
                splitter_.Feed(std::string_view(buffer_.data(), n));
            }
        }
        return true;
    }

private:
    Handle h_;
    lines::LineSplitter splitter_;
    std::string buffer_;
    bool ended_ = false;
};

class HandleByteReader : public platform::ByteReader {
public:
    explicit HandleByteReader(Handle h) : h_(std::move(h)) {}
    size_t Read(char* buffer, size_t size) override {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, DWORD{1} << 30));
        if (!h_.Valid() || !::ReadFile(h_.Get(), buffer, want, &n, nullptr) || n == 0) {
            h_.Close();
            return 0;
        }
        return n;
    }

private:
    Handle h_;
};

}  // namespace

std::optional<std::string> Win32Files::LookupFile(std::string_view path) {
    if (!IsPlainPath(path)) {
        return std::nullopt;
    }
    WIN32_FIND_DATAA data{};
    HANDLE find = ::FindFirstFileA(Z(path).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    ::FindClose(find);
    // Normal attributes: neither a folder nor a hidden or system file.
    constexpr DWORD kNotNormal =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((data.dwFileAttributes & kNotNormal) != 0) {
        return std::nullopt;
    }
    return std::string(data.cFileName);
}

bool Win32Files::FolderExists(std::string_view path) {
    return IsFolder(path);
}

std::optional<std::vector<platform::FileEntry>> Win32Files::ListFiles(std::string_view folder) {
    if (!IsPlainPath(folder)) {
        return std::nullopt;
    }
    const std::string prefix = winpath::FolderPrefix(folder);
    if (!IsFolder(prefix)) {
        return std::nullopt;
    }
    std::vector<platform::FileEntry> files;
    WIN32_FIND_DATAA data{};
    HANDLE find = ::FindFirstFileA((prefix + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                continue;
            }
            std::string name = data.cFileName;
            files.push_back({name, prefix + name});
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    // NTFS lists names in upper-cased order, other volumes (and Wine) as they
    // are stored; every volume lists alike here.
    platform::SortListing(files);
    return files;
}

std::unique_ptr<platform::LineReader> Win32Files::OpenLines(std::string_view path) {
    if (IsFolder(path)) {
        return nullptr;
    }
    Handle h = OpenForReading(path);
    if (!h.Valid()) {
        return nullptr;
    }
    return std::make_unique<HandleLineReader>(std::move(h));
}

std::optional<std::string> Win32Files::ReadAll(std::string_view path) {
    Handle h = OpenForReading(path);
    if (!h.Valid()) {
        return std::nullopt;
    }
    std::string bytes;
    std::string buffer(kChunk, '\0');
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.Get(), buffer.data(), kChunk, &n, nullptr)) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer.data(), n);
    }
}

std::unique_ptr<platform::ByteReader> Win32Files::OpenRead(std::string_view path) {
    if (IsFolder(path)) {
        return nullptr;
    }
    Handle h = OpenForReading(path);
    if (!h.Valid()) {
        return nullptr;
    }
    return std::make_unique<HandleByteReader>(std::move(h));
}

bool Win32Files::Append(std::string_view path, std::string_view bytes) {
    if (!IsPlainPath(path)) {
        return false;
    }
    Handle h(::CreateFileA(Z(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    return h.Valid() && WriteAll(h.Get(), bytes) && h.Close();
}

bool Win32Files::WriteAtomic(std::string_view path, std::string_view bytes) {
    if (!IsPlainPath(path) || IsFolder(path)) {
        return false;
    }
    const std::string target(path);
    const std::string temp = target + ".tmp" + std::to_string(::GetCurrentProcessId());
    {
        Handle h(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.Valid()) {
            return false;
        }
        const bool ok = WriteAll(h.Get(), bytes) && ::FlushFileBuffers(h.Get()) != 0;
        if (!h.Close() || !ok) {
            ::DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (!::MoveFileExA(temp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool Win32Files::Delete(std::string_view path) {
    return IsPlainPath(path) && ::DeleteFileA(Z(path).c_str()) != 0;
}

bool Win32Files::Rename(std::string_view from, std::string_view to) {
    // MoveFile never replaces an existing target.
    return IsPlainPath(from) && IsPlainPath(to) && ::MoveFileA(Z(from).c_str(), Z(to).c_str()) != 0;
}

bool Win32Files::CopyNew(std::string_view from, std::string_view to) {
    if (!IsPlainPath(from) || !IsPlainPath(to) || IsFolder(from)) {
        return false;
    }
    return ::CopyFileA(Z(from).c_str(), Z(to).c_str(), TRUE /* fail if it exists */) != 0;
}

bool Win32Files::CreateFolder(std::string_view path) {
    if (!IsPlainPath(path)) {
        return false;
    }
    // Each missing folder on the way, from the top.
    const std::string full(path);
    for (size_t pos = full.find('\\', 3); pos != std::string::npos;
         pos = full.find('\\', pos + 1)) {
        ::CreateDirectoryA(full.substr(0, pos).c_str(), nullptr);
    }
    ::CreateDirectoryA(full.c_str(), nullptr);
    return IsFolder(path);
}

namespace {

// Each call goes to the file system as it is: the system keeps its own
// cache of folder entries.
class Win32LookupBatch : public platform::LookupBatch {
public:
    explicit Win32LookupBatch(Win32Files& files) : files_(files) {}
    bool LookupFile(std::string_view path) override { return files_.LookupFile(path).has_value(); }
    std::unique_ptr<platform::ByteReader> OpenRead(std::string_view path) override {
        return files_.OpenRead(path);
    }

private:
    Win32Files& files_;
};

}  // namespace

std::unique_ptr<platform::LookupBatch> Win32Files::StartLookupBatch() {
    return std::make_unique<Win32LookupBatch>(*this);
}

}  // namespace quellon::win32
