// The running program's VERSIONINFO resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/backend_factory.h"

namespace quellon::platform {

std::optional<std::string> ProgramComments() {
    std::string path(MAX_PATH, '\0');
    const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) {
        return std::nullopt;
    }
    path.resize(n);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
        return std::nullopt;
    }
    // The resource's own language and code page first, then the usual ones.
    std::vector<std::string> blocks;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* found = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &found, &length) &&
        length >= sizeof(Translation)) {
        const auto* t = static_cast<const Translation*>(found);
        char block[16];
        std::snprintf(block, sizeof block, "%04x%04x", t->language, t->codePage);
        blocks.emplace_back(block);
    }
    blocks.emplace_back("040904E4");
    blocks.emplace_back("040904B0");
    for (const std::string& block : blocks) {
        const std::string key = "\\StringFileInfo\\" + block + "\\Comments";
        if (::VerQueryValueA(data.data(), key.c_str(), &found, &length) && found != nullptr) {
            std::string comments(static_cast<const char*>(found), length);
            while (!comments.empty() && comments.back() == '\0') {
                comments.pop_back();
            }
            return comments;
        }
    }
    return std::nullopt;
}

}  // namespace quellon::platform
