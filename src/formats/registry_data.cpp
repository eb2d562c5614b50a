#include "formats/registry_data.h"

#include <array>

#include "common/text.h"

namespace quellon::formats {

namespace {

struct HiveNames {
    Hive hive;
    std::string_view name;
    std::string_view shortName;
};

constexpr std::array<HiveNames, 7> kHives = {{
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {kHkeyUsers, "HKEY_USERS", "HKU"},
    {kHkeyPerformanceData, "HKEY_PERFORMANCE_DATA", ""},
    {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {kHkeyDynData, "HKEY_DYN_DATA", ""},
}};

}  // namespace

std::string_view HiveName(Hive hive) {
    for (const auto& h : kHives) {
        if (h.hive == hive) {
            return h.name;
        }
    }
    return {};
}

std::optional<Hive> HiveFromName(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    for (const auto& h : kHives) {
        if (text::EqualsNoCase(name, h.name) ||
            (!h.shortName.empty() && text::EqualsNoCase(name, h.shortName))) {
            return h.hive;
        }
    }
    return std::nullopt;
}

}  // namespace quellon::formats
