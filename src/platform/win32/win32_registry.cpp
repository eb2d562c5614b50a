// The registry through the Win32 registry API, and the settings store kept in
// it: one key per application and section, one string value per setting.
#include <shlwapi.h>
#include <windows.h>

#include <algorithm>

#include "platform/win32/backend_classes.h"

namespace quellon::win32 {

namespace {

std::string Z(std::string_view s) {
    return std::string(s);
}

// The predefined handle of a hive code; nullptr for an unknown code.
HKEY HiveHandle(platform::Hive hive) {
    if (platform::HiveName(hive).empty()) {
        return nullptr;
    }
    // The predefined keys are the codes sign-extended to a handle's width.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(hive)));
}

HKEY ToHkey(platform::RegKey key) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

platform::RegKey FromHkey(HKEY key) {
    return static_cast<platform::RegKey>(reinterpret_cast<ULONG_PTR>(key));
}

// A key handle closed on scope exit.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_ != nullptr) {
            ::RegCloseKey(h_);
        }
    }
    HKEY* Out() { return &h_; }
    HKEY Get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

std::optional<platform::RegValue> Query(HKEY key, std::string_view name) {
    const std::string n(name);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, size = 0;
        if (::RegQueryValueExA(key, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        platform::RegValue value;
        value.type = static_cast<platform::RegType>(type);
        value.data.resize(size);
        const LONG rc = ::RegQueryValueExA(key, n.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(value.data.data()), &size);
        if (rc == ERROR_MORE_DATA) {
            continue;  // changed in between
        }
        if (rc != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.type = static_cast<platform::RegType>(type);
        value.data.resize(size);
        return value;
    }
    return std::nullopt;
}

// The names of a key's sub-keys, in the registry's order.
std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, size);
    }
    return names;
}

// The text of a string value up to its first NUL, as a stored setting reads.
std::optional<std::string> StringOf(const platform::RegValue& value) {
    if (value.type != platform::RegType::kString &&
        value.type != platform::RegType::kExpandString) {
        return std::nullopt;
    }
    const size_t end = value.data.find('\0');
    return end == std::string::npos ? value.data : value.data.substr(0, end);
}

}  // namespace

platform::RegKey Win32Registry::OpenKey(platform::Hive hive, std::string_view subKey,
                                        std::uint32_t access) {
    HKEY root = HiveHandle(hive);
    HKEY key = nullptr;
    if (root == nullptr ||
        ::RegOpenKeyExA(root, Z(subKey).c_str(), 0, access, &key) != ERROR_SUCCESS) {
        return 0;
    }
    return FromHkey(key);
}

platform::RegKey Win32Registry::CreateKey(platform::Hive hive, std::string_view subKey) {
    HKEY root = HiveHandle(hive);
    HKEY key = nullptr;
    if (root == nullptr || ::RegCreateKeyA(root, Z(subKey).c_str(), &key) != ERROR_SUCCESS) {
        return 0;
    }
    return FromHkey(key);
}

void Win32Registry::CloseKey(platform::RegKey key) {
    if (key != 0) {
        ::RegCloseKey(ToHkey(key));
    }
}

std::optional<platform::RegValue> Win32Registry::QueryValue(platform::RegKey key,
                                                            std::string_view name) {
    if (key == 0) {
        return std::nullopt;
    }
    return Query(ToHkey(key), name);
}

bool Win32Registry::SetValue(platform::RegKey key, std::string_view name,
                             const platform::RegValue& value) {
    return key != 0 &&
           ::RegSetValueExA(ToHkey(key), Z(name).c_str(), 0, static_cast<DWORD>(value.type),
                            reinterpret_cast<const BYTE*>(value.data.data()),
                            static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(platform::RegKey key, std::string_view name) {
    return key != 0 && ::RegDeleteValueA(ToHkey(key), Z(name).c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKeyTree(platform::Hive hive, std::string_view subKey) {
    HKEY root = HiveHandle(hive);
    // Never a whole hive: an empty path would empty it.
    if (root == nullptr || subKey.find_first_not_of('\\') == std::string_view::npos) {
        return false;
    }
    return ::SHDeleteKeyA(root, Z(subKey).c_str()) == ERROR_SUCCESS;
}

std::optional<std::string> RegistrySettings::Get(std::string_view app, std::string_view section,
                                                 std::string_view key) {
    Key k;
    const std::string path = root_ + "\\" + std::string(app) + "\\" + std::string(section);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, k.Out()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<platform::RegValue> value = Query(k.Get(), key);
    if (!value) {
        return std::nullopt;
    }
    return StringOf(*value);
}

bool RegistrySettings::Set(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view value) {
    if (app.empty() || section.empty() || key.empty()) {
        return false;
    }
    Key k;
    const std::string path = root_ + "\\" + std::string(app) + "\\" + std::string(section);
    if (::RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), k.Out()) != ERROR_SUCCESS) {
        return false;
    }
    const std::string data = std::string(value) + '\0';
    return ::RegSetValueExA(k.Get(), Z(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::vector<platform::SettingEntry> RegistrySettings::List(std::string_view app) {
    std::vector<platform::SettingEntry> entries;
    Key appKey;
    const std::string path = root_ + "\\" + std::string(app);
    if (app.empty() || ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ,
                                       appKey.Out()) != ERROR_SUCCESS) {
        return entries;
    }
    for (const std::string& section : SubKeys(appKey.Get())) {
        Key sectionKey;
        if (::RegOpenKeyExA(appKey.Get(), section.c_str(), 0, KEY_READ, sectionKey.Out()) !=
            ERROR_SUCCESS) {
            continue;
        }
        char name[16384];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            if (::RegEnumValueA(sectionKey.Get(), i, name, &size, nullptr, nullptr, nullptr,
                                nullptr) != ERROR_SUCCESS) {
                break;
            }
            const std::string key(name, size);
            if (std::optional<platform::RegValue> value = Query(sectionKey.Get(), key)) {
                if (std::optional<std::string> text = StringOf(*value)) {
                    entries.push_back({section, key, *text});
                }
            }
        }
    }
    return entries;
}

std::vector<std::string> RegistrySettings::Applications() {
    Key rootKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, root_.c_str(), 0, KEY_READ, rootKey.Out()) !=
        ERROR_SUCCESS) {
        return {};
    }
    std::vector<std::string> apps = SubKeys(rootKey.Get());
    std::sort(apps.begin(), apps.end());
    return apps;
}

}  // namespace quellon::win32
