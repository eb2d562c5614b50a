#include "platform/win32/backend.h"

#include <windows.h>

#include "common/winpath.h"
#include "platform/win32/backend_classes.h"
#include "platform/win32/cng_signatures.h"
#include "platform/win32/wininet_http.h"

namespace quellon::win32 {

namespace fs = std::filesystem;

struct Backend::Impl {
    explicit Impl(std::string settingsKey)
        : settings(std::move(settingsKey)),
          download(http, files),
          webPage(http),
          platform{files,     registry,      processes, shell,   settings,
                   libraries, restorePoints, download,  webPage, signatures} {}

    Win32Files files;
    Win32Registry registry;
    Win32Processes processes;
    Win32Shell shell;
    RegistrySettings settings;
    Win32Libraries libraries;
    Win32RestorePoints restorePoints;
    WinInetHttpClient http;
    platform::HttpDownload download;
    platform::HttpWebPage webPage;
    CngSignatures signatures;
    platform::Platform platform;
};

Backend::Backend(std::string settingsKey) : impl_(std::make_unique<Impl>(std::move(settingsKey))) {}

Backend::~Backend() = default;

platform::Platform& Backend::Platform() {
    return impl_->platform;
}

std::string Backend::WindowsPathOf(const fs::path& path) const {
    return win32::WindowsPathOf(path);
}

std::string WindowsPathOf(const fs::path& path) {
    std::error_code ec;
    const std::wstring wide = fs::absolute(path, ec).wstring();
    if (wide.empty()) {
        return {};
    }
    const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n,
                              nullptr, nullptr);
    }
    // The program folder is used as a prefix for "\name".
    return winpath::WithoutTrailingSeparators(std::move(ansi));
}

fs::path PathFromAnsi(std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    const int n =
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                              n);
    }
    return fs::path(wide);
}

fs::path ExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return fs::path(buffer).parent_path();
}

}  // namespace quellon::win32
