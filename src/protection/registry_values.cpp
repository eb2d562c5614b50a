#include "protection/registry_values.h"

#include <cstdint>

namespace quellon::protection {

bool ReadRegistryValue(platform::Registry& registry, platform::Hive root, std::string_view key,
                       std::string_view valueName, std::string& value) {
    const platform::RegKey handle = registry.OpenKey(root, key, platform::kKeyAllAccessMask63);
    if (handle == 0) {
        return false;
    }
    const std::optional<platform::RegValue> read = registry.QueryValue(handle, valueName);
    registry.CloseKey(handle);
    if (!read) {
        return false;
    }
    std::string_view data = read->data;
    switch (read->type) {
        case platform::RegType::kString:
            if (!data.empty() && data.back() == '\0') {
                data.remove_suffix(1);
            }
            value.assign(data);
            return true;
        case platform::RegType::kDword: {
            // The bytes from the last to the first make the hexadecimal
            // number; eight digits read as a signed 32-bit number.
            std::uint32_t number = 0;
            for (size_t i = std::min<size_t>(data.size(), 4); i-- > 0;) {
                number = (number << 8) | static_cast<unsigned char>(data[i]);
            }
            value = std::to_string(static_cast<std::int32_t>(number));
            return true;
        }
        default:
            return false;
    }
}

bool WriteStartPage(platform::Registry& registry, std::string_view key, std::string_view valueName,
                    std::string_view value, platform::RegType type) {
    const platform::RegKey handle =
        registry.OpenKey(platform::kHkeyCurrentUser, key, platform::kKeyAllAccessMask63);
    if (handle == 0) {
        return false;
    }
    std::string data(value);
    if (type == platform::RegType::kString) {
        data += '\0';
    }
    const bool written = registry.SetValue(handle, valueName, platform::RegValue{type, data});
    registry.CloseKey(handle);
    return written;
}

}  // namespace quellon::protection
