// TempDir on Windows: a new folder in the user's temporary folder.
#include <windows.h>

#include <atomic>
#include <string>

#include "support/temp_dir.h"

namespace quellon::testing {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH, base);
    const std::filesystem::path folder = n > 0 ? std::filesystem::path(base) : L".";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring name = L"quellon-test-" + std::to_wstring(::GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(counter++) + L"-" +
                                  std::to_wstring(::GetTickCount());
        const std::filesystem::path candidate = folder / name;
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

}  // namespace quellon::testing
