#include "platform/posix/name_table.h"

#include <algorithm>
#include <functional>

#include "common/ansi.h"
#include "common/text.h"

namespace quellon::posix {

namespace {

constexpr std::uint64_t kTagMask = ~std::uint64_t{0xFFFFFFFF};

// The high half of a hash, where a table slot keeps it.
std::uint64_t TagOf(size_t hash) {
    return static_cast<std::uint64_t>(hash) & kTagMask;
}

// The upper-cased ANSI form of an on-disk name; plain ASCII needs no
// conversion.
bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string KeyOfDiskName(std::string_view utf8) {
    if (!IsAscii(utf8)) {
        return text::Upper(ansi::FromUtf8(utf8));
    }
    std::string key;
    text::UpperInto(utf8, key);
    return key;
}

}  // namespace

bool NameTable::PlainKey(std::string_view ansiName, std::string& key) {
    if (!IsAscii(ansiName)) {
        return false;
    }
    text::UpperInto(ansiName, key);
    return true;
}

size_t NameTable::Hash(std::string_view key) {
    return std::hash<std::string_view>{}(key);
}

void NameTable::Add(std::string_view name, unsigned char type) {
    ++count_;
    bool added = false;
    Names& names = Insert(KeyOfDiskName(name), added);
    if (added) {
        names.first = name;
        names.firstType = type;
    } else if (names.first > name) {
        names.others.emplace_back(std::move(names.first), names.firstType);
        names.first = name;
        names.firstType = type;
    } else {
        names.others.emplace_back(name, type);
    }
}

const std::string* NameTable::Find(std::string_view ansiName, const std::string& exactName,
                                   std::string& key, unsigned char* type) const {
    if (!PlainKey(ansiName, key)) {
        key = text::Upper(ansi::FromUtf8(exactName));
    }
    return FindKey(key, Hash(key), exactName, type);
}

const std::string* NameTable::FindKey(std::string_view key, size_t hash,
                                      const std::string& exactName, unsigned char* type) const {
    const Names* found = Lookup(key, hash);
    if (found == nullptr) {
        return nullptr;
    }
    const Names& names = *found;
    for (const auto& [other, otherType] : names.others) {
        if (other == exactName) {
            if (type != nullptr) {
                *type = otherType;
            }
            return &other;
        }
    }
    if (type != nullptr) {
        *type = names.firstType;
    }
    return &names.first;
}

const NameTable::Names* NameTable::Lookup(std::string_view key, size_t hash) const {
    if (slots_.empty()) {
        return nullptr;
    }
    const std::uint64_t tag = TagOf(hash);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        const auto index = static_cast<std::uint32_t>(slot);
        if (index == 0) {
            return nullptr;
        }
        if ((slot & kTagMask) == tag && entries_[index - 1].key == key) {
            return &entries_[index - 1].names;
        }
    }
}

NameTable::Names& NameTable::Insert(std::string&& key, bool& added) {
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const size_t hash = Hash(key);
    const std::uint64_t tag = TagOf(hash);
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    for (;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        const auto index = static_cast<std::uint32_t>(slot);
        if (index == 0) {
            break;
        }
        if ((slot & kTagMask) == tag && entries_[index - 1].key == key) {
            added = false;
            return entries_[index - 1].names;
        }
    }
    entries_.push_back({std::move(key), hash, {}});
    slots_[i] = tag | static_cast<std::uint64_t>(entries_.size());
    added = true;
    return entries_.back().names;
}

void NameTable::Grow() {
    slots_.assign(std::max<size_t>(16, slots_.size() * 2), 0);
    const size_t mask = slots_.size() - 1;
    for (size_t e = 0; e < entries_.size(); ++e) {
        size_t i = entries_[e].hash & mask;
        while (slots_[i] != 0) {
            i = (i + 1) & mask;
        }
        slots_[i] = TagOf(entries_[e].hash) | static_cast<std::uint64_t>(e + 1);
    }
}

}  // namespace quellon::posix
