// The registry: hives, keys and values as the Windows registry API sees them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/registry_data.h"

namespace quellon::platform {

// The registry's vocabulary is the one its file formats share.
using formats::Hive;
using formats::HiveFromName;
using formats::HiveName;
using formats::kHkeyClassesRoot;
using formats::kHkeyCurrentConfig;
using formats::kHkeyCurrentUser;
using formats::kHkeyDynData;
using formats::kHkeyLocalMachine;
using formats::kHkeyPerformanceData;
using formats::kHkeyUsers;
using formats::RegType;
using formats::RegValue;

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
