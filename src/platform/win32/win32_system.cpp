// Library entry points and System Restore.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/backend_classes.h"

namespace quellon::win32 {
namespace {

// The layouts srclient.dll takes, packed as its header declares them.
#pragma pack(push, 1)
struct RestorePointInfo {
    DWORD eventType;
    DWORD restorePointType;
    INT64 sequenceNumber;
    CHAR description[64];
};
struct StateManagerStatus {
    DWORD status;
    INT64 sequenceNumber;
};
#pragma pack(pop)

using SetRestorePointFn = BOOL(WINAPI*)(RestorePointInfo*, StateManagerStatus*);

}  // namespace

platform::LibraryCall Win32Libraries::CallEntryPoint(std::string_view path,
                                                     std::string_view entryPoint) {
    const std::string file(path);
    HMODULE library = ::LoadLibraryA(file.c_str());
    if (library == nullptr) {
        return platform::LibraryCall::kNotLoaded;
    }
    const std::string name(entryPoint);
    FARPROC symbol = ::GetProcAddress(library, name.c_str());
    platform::LibraryCall result = platform::LibraryCall::kNoEntryPoint;
    if (symbol != nullptr) {
        using EntryPoint = HRESULT(STDAPICALLTYPE*)();
        reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(symbol))();
        result = platform::LibraryCall::kCalled;
    }
    ::FreeLibrary(library);
    return result;
}

std::optional<std::int64_t> Win32RestorePoints::SetRestorePoint(std::uint32_t eventType,
                                                                std::uint32_t restorePointType,
                                                                std::int64_t sequence,
                                                                std::string_view description) {
    HMODULE client = ::LoadLibraryA("srclient.dll");
    if (client == nullptr) {
        return std::nullopt;
    }
    auto set = reinterpret_cast<SetRestorePointFn>(
        reinterpret_cast<void*>(::GetProcAddress(client, "SRSetRestorePointA")));
    std::optional<std::int64_t> result;
    if (set != nullptr) {
        RestorePointInfo info{};
        info.eventType = eventType;
        info.restorePointType = restorePointType;
        info.sequenceNumber = sequence;
        const size_t n = std::min(description.size(), sizeof info.description - 1);
        std::memcpy(info.description, description.data(), n);
        StateManagerStatus status{};
        if (set(&info, &status) != FALSE) {
            result = status.sequenceNumber;
        }
    }
    ::FreeLibrary(client);
    return result;
}

}  // namespace quellon::win32
