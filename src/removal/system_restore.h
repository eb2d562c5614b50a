// Restore points around a removal run, where the system offers them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quellon::removal {

// The restore-point type a removal run asks for.
inline constexpr std::uint32_t kRemovalRestorePointType = 6;
inline constexpr int kErrorRestorePointOpen = 100001;

class SystemRestore {
public:
    explicit SystemRestore(platform::Platform& platform) : platform_(platform) {}

    // Windows Me, XP and the NT versions after it have System Restore.
    bool IsSystemRestoreAvailable();
    // Begins a restore point; false when one is open already (error 100001)
    // or the system made none.
    bool BeginRestorePoint(std::string_view description, std::uint32_t restorePointType);
    // Ends the open restore point; the stored sequence number is reset.
    bool EndRestorePoint();

    std::int64_t Sequence() const { return sequence_; }
    int LastError() const { return lastError_; }
    const std::string& LastErrorText() const { return lastErrorText_; }

private:
    platform::Platform& platform_;
    std::int64_t sequence_ = 0;
    int lastError_ = 0;
    std::string lastErrorText_;
};

}  // namespace quellon::removal
