// Quarantine log entries as the removal writes them, at the time the removal
// tests set their clock to (12/7/2026 10:35:12 AM).
#pragma once

#include <string>
#include <string_view>

namespace quellon::testing {

inline std::string FileEntry(std::string_view name, std::string_view location) {
    return "12/7/2026 10:35:12 AM - File: " + std::string(name) +
           "\r\nLocation: " + std::string(location) + "\r\n\r\n\r\n";
}

inline std::string KeyEntry(std::string_view key, std::string_view value) {
    return "12/7/2026 10:35:12 AM - Key: " + std::string(key) + "\r\nValue: " + std::string(value) +
           "\r\n\r\n\r\n";
}

}  // namespace quellon::testing
