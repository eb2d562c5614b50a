// The per-user store of setting strings, addressed by application, section and key.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::platform {

struct SettingEntry {
    std::string section, key, value;
};

class SettingsStorage {
public:
    virtual ~SettingsStorage() = default;
    virtual std::optional<std::string> Get(std::string_view app, std::string_view section,
                                           std::string_view key) = 0;
    virtual bool Set(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
    // Every stored entry of an application, in stored order.
    virtual std::vector<SettingEntry> List(std::string_view app) = 0;
    // The applications that have entries.
    virtual std::vector<std::string> Applications() = 0;
};

}  // namespace quellon::platform
