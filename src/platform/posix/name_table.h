// The names of one listed folder, looked up without regard to case
// (internal to the resolve cache).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::posix {

// The entries of a folder by the upper-cased ANSI form of their on-disk
// (UTF-8) names, so that a Windows name finds its spelling on disk. Of
// several spellings equal without regard to case, the one spelt exactly as
// asked wins, else the first in byte order, whatever order they were added
// in. An open-addressed table: a look-up touches one slot and, on a likely
// match, one entry. Every key and name is kept in one block of text, so
// that a folder of many names costs a few dozen bytes a name and no
// allocation of its own.
class NameTable {
public:
    // The key of an ASCII name: its upper-cased form. false (and `key` of no
    // use) for a name with other bytes; Find works those out itself.
    static bool PlainKey(std::string_view ansiName, std::string& key);
    static size_t Hash(std::string_view key);

    // Adds an on-disk name with its entry type (a dirent d_type).
    void Add(std::string_view name, unsigned char type);
    // The names added, spellings that differ only in case included.
    size_t Count() const { return count_; }

    // The on-disk spelling of an ANSI name whose on-disk form is `exactName`
    // (its UTF-8): `exactName` itself when it is there, else the first
    // spelling equal without regard to case; nullopt when there is none.
    // The spelling stays valid until the next Add. `type` (when given)
    // receives the spelling's entry type; `key` is scratch.
    std::optional<std::string_view> Find(std::string_view ansiName, std::string_view exactName,
                                         std::string& key, unsigned char* type) const;
    // The same for a key already made by PlainKey, with its Hash.
    std::optional<std::string_view> FindKey(std::string_view key, size_t hash,
                                            std::string_view exactName, unsigned char* type) const;
    // Loads the slot where a look-up by this hash starts, so that it is at
    // hand by the time FindKey asks.
    void Prefetch(size_t hash) const {
        if (!slots_.empty()) {
            __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
        }
    }

private:
    static constexpr std::uint32_t kNone = ~std::uint32_t{0};
    // A place in text_.
    struct Text {
        std::uint32_t at = 0;
        std::uint32_t size = 0;
    };
    // One spelling of a key, and the next spelling of the same key (kNone
    // at the last).
    struct Spelling {
        Text name;
        std::uint32_t next = kNone;
        unsigned char type = 0;
    };
    // A key; its first spelling is the first in byte order.
    struct Entry {
        size_t hash = 0;
        Text key;
        std::uint32_t first = 0;
    };
    std::string_view View(Text t) const { return std::string_view(text_).substr(t.at, t.size); }
    Text Store(std::string_view s);
    const Entry* Lookup(std::string_view key, size_t hash) const;
    void Grow();

    std::string text_;
    std::vector<Entry> entries_;
    std::vector<Spelling> spellings_;
    // 0 for a free slot, else the hash's high half above the entry's index + 1.
    std::vector<std::uint64_t> slots_;
    size_t count_ = 0;
};

}  // namespace quellon::posix
