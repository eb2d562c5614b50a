// The registry: hives, keys and values as the Windows registry API sees them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quellon::platform {

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

using RegKey = std::uint64_t;  // 0 is no key

inline constexpr std::uint32_t kKeyAllAccessMask63 =
    63;  // query, set, create, enumerate, notify, link

class Registry {
public:
    virtual ~Registry() = default;
    // Opens an existing key; 0 when it does not exist or the hive is unknown.
    virtual RegKey OpenKey(Hive hive, std::string_view subKey, std::uint32_t access) = 0;
    // Opens the key, creating it and its parents when missing.
    virtual RegKey CreateKey(Hive hive, std::string_view subKey) = 0;
    virtual void CloseKey(RegKey key) = 0;
    // An empty name is the key's default value.
    virtual std::optional<RegValue> QueryValue(RegKey key, std::string_view name) = 0;
    virtual bool SetValue(RegKey key, std::string_view name, const RegValue& value) = 0;
    virtual bool DeleteValue(RegKey key, std::string_view name) = 0;
    // Deletes a key with all its sub-keys.
    virtual bool DeleteKeyTree(Hive hive, std::string_view subKey) = 0;
    // Why the last change that failed did, in words for the user, when the
    // backend can tell more than that it failed; empty otherwise. The note
    // is cleared by taking it.
    virtual std::string TakeFailureNote() { return {}; }
};

}  // namespace quellon::platform
