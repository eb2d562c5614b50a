// The registry's vocabulary: hive codes and their names, value types and
// values, as the Windows registry API, regedit's files and Wine's files all
// speak of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quellon::formats {

using Hive = std::uint32_t;
inline constexpr Hive kHkeyClassesRoot = 0x80000000u;
inline constexpr Hive kHkeyCurrentUser = 0x80000001u;
inline constexpr Hive kHkeyLocalMachine = 0x80000002u;
inline constexpr Hive kHkeyUsers = 0x80000003u;
inline constexpr Hive kHkeyPerformanceData = 0x80000004u;
inline constexpr Hive kHkeyCurrentConfig = 0x80000005u;
inline constexpr Hive kHkeyDynData = 0x80000006u;

// "HKEY_LOCAL_MACHINE" for its code; empty for an unknown code.
std::string_view HiveName(Hive hive);
// The code for a root name ("HKEY_LOCAL_MACHINE" or "HKLM"), ignoring case.
std::optional<Hive> HiveFromName(std::string_view name);

enum class RegType : std::uint32_t {
    kNone = 0,
    kString = 1,
    kExpandString = 2,
    kBinary = 3,
    kDword = 4,
    kMultiString = 7,
    kQword = 11,
};

struct RegValue {
    RegType type = RegType::kNone;
    std::string data;  // raw bytes; strings are ANSI with their terminating NUL
};

}  // namespace quellon::formats
