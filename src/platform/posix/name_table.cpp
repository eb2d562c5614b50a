#include "platform/posix/name_table.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "common/ansi.h"
#include "common/text.h"

namespace quellon::posix {

namespace {

constexpr std::uint64_t kTagMask = ~std::uint64_t{0xFFFFFFFF};

// The high half of a hash, where a table slot keeps it.
std::uint64_t TagOf(size_t hash) {
    return static_cast<std::uint64_t>(hash) & kTagMask;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The upper-cased ANSI form of an on-disk name; plain ASCII needs no
// conversion.
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

NameTable::Text NameTable::Store(std::string_view s) {
    if (s.size() > kNone - text_.size()) {
        throw std::length_error("a folder's names run past 4 GiB");
    }
    const Text stored{static_cast<std::uint32_t>(text_.size()),
                      static_cast<std::uint32_t>(s.size())};
    text_.append(s);
    return stored;
}

void NameTable::Add(std::string_view name, unsigned char type) {
    const std::string key = KeyOfDiskName(name);
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const size_t hash = Hash(key);
    const std::uint64_t tag = TagOf(hash);
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    Entry* entry = nullptr;
    for (;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        const auto index = static_cast<std::uint32_t>(slot);
        if (index == 0) {
            break;
        }
        if ((slot & kTagMask) == tag && View(entries_[index - 1].key) == key) {
            entry = &entries_[index - 1];
            break;
        }
    }
    const Text stored = Store(name);
    const auto spelling = static_cast<std::uint32_t>(spellings_.size());
    spellings_.push_back({stored, kNone, type});
    ++count_;
    if (entry == nullptr) {
        // An upper-case ASCII name is its own key.
        const Text storedKey = key == name ? stored : Store(key);
        entries_.push_back({hash, storedKey, spelling});
        slots_[i] = tag | static_cast<std::uint64_t>(entries_.size());
        return;
    }
    Spelling& first = spellings_[entry->first];
    if (View(first.name) > name) {
        spellings_.back().next = entry->first;
        entry->first = spelling;
    } else {
        spellings_.back().next = first.next;
        first.next = spelling;
    }
}

std::optional<std::string_view> NameTable::Find(std::string_view ansiName,
                                                std::string_view exactName, std::string& key,
                                                unsigned char* type) const {
    if (!PlainKey(ansiName, key)) {
        key = text::Upper(ansi::FromUtf8(exactName));
    }
    return FindKey(key, Hash(key), exactName, type);
}

std::optional<std::string_view> NameTable::FindKey(std::string_view key, size_t hash,
                                                   std::string_view exactName,
                                                   unsigned char* type) const {
    const Entry* found = Lookup(key, hash);
    if (found == nullptr) {
        return std::nullopt;
    }
    const Spelling* chosen = &spellings_[found->first];
    for (std::uint32_t s = chosen->next; s != kNone; s = spellings_[s].next) {
        if (View(spellings_[s].name) == exactName) {
            chosen = &spellings_[s];
            break;
        }
    }
    if (type != nullptr) {
        *type = chosen->type;
    }
    return View(chosen->name);
}

const NameTable::Entry* NameTable::Lookup(std::string_view key, size_t hash) const {
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
        if ((slot & kTagMask) == tag && View(entries_[index - 1].key) == key) {
            return &entries_[index - 1];
        }
    }
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
