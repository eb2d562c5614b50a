#include "settings/settings_store.h"

#include "common/convert.h"

namespace quellon::settings {

SettingsBatch::~SettingsBatch() {
    // A key that could not be written is lost as one saved alone would be
    // (Save says nothing either); a failure must not escape a destructor.
    try {
        storage_.EndBatch();
    } catch (...) {
    }
}

std::string SettingsStore::Get(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
    if (auto v = storage_.Get(app_, section, key)) {
        return *v;
    }
    return std::string(fallback);
}

void SettingsStore::Save(std::string_view section, std::string_view key, std::string_view value) {
    storage_.Set(app_, section, key, value);
}

std::int64_t SettingsStore::GetNumber(std::string_view section, std::string_view key,
                                      std::int64_t fallback) const {
    auto v = storage_.Get(app_, section, key);
    return v ? convert::ToNumber(*v, fallback) : fallback;
}

bool SettingsStore::GetBool(std::string_view section, std::string_view key, bool fallback) const {
    auto v = storage_.Get(app_, section, key);
    return v ? convert::ToBool(*v, fallback) : fallback;
}

void SettingsStore::SaveCheck(std::string_view section, std::string_view key, bool checked) {
    Save(section, key, checked ? "1" : "0");
}

void SettingsStore::SaveOption(std::string_view section, std::string_view key, bool selected) {
    Save(section, key, selected ? "True" : "False");
}

}  // namespace quellon::settings
