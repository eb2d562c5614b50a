// The system's restore points: a snapshot taken before a change to the
// system, which the user can return to.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quellon::platform {

inline constexpr std::uint32_t kBeginSystemChange = 100;
inline constexpr std::uint32_t kEndSystemChange = 101;

class RestorePoints {
public:
    virtual ~RestorePoints() = default;
    // Begins (kBeginSystemChange, sequence 0) or ends (kEndSystemChange with
    // the sequence number the begin returned) a restore point. The sequence
    // number of the point on success, nullopt on failure (also where the
    // system has no restore-point service).
    virtual std::optional<std::int64_t> SetRestorePoint(std::uint32_t eventType,
                                                        std::uint32_t restorePointType,
                                                        std::int64_t sequence,
                                                        std::string_view description) = 0;
};

}  // namespace quellon::platform
