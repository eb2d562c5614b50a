// The two registry procedures of the home-page shield.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry.h"

namespace quellon::protection {

// The browser's start page of the current user.
inline constexpr std::string_view kStartPageKey = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr std::string_view kStartPageValue = "Start Page";

// Reads a value into `value`: a string value as its text without its final
// zero character, a number value (REG_DWORD) as its decimal text (the four
// bytes read as one signed number, as "&h" and the bytes from the last to
// the first give it). False, and `value` untouched, when the key or the
// value cannot be read or the value is of another type.
bool ReadRegistryValue(platform::Registry& registry, platform::Hive root, std::string_view key,
                       std::string_view valueName, std::string& value);

// Writes a value of the given type (1 = REG_SZ) into a key of the current
// user that exists; false when the key cannot be opened or written.
bool WriteStartPage(platform::Registry& registry, std::string_view key, std::string_view valueName,
                    std::string_view value, platform::RegType type);

}  // namespace quellon::protection
