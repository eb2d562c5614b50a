// The names of one listed folder, looked up without regard to case
// (internal to the resolve cache).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellon::posix {

// The entries of a folder by the upper-cased ANSI form of their on-disk
// (UTF-8) names, so that a Windows name finds its spelling on disk. Of
// several spellings equal without regard to case, the one spelt exactly as
// asked wins, else the first in byte order, whatever order they were added
// in. An open-addressed table: a look-up touches one slot and, on a likely
// match, one entry.
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
    // spelling equal without regard to case; nullptr when there is none.
    // `type` (when given) receives the spelling's entry type; `key` is
    // scratch.
    const std::string* Find(std::string_view ansiName, const std::string& exactName,
                            std::string& key, unsigned char* type) const;
    // The same for a key already made by PlainKey, with its Hash.
    const std::string* FindKey(std::string_view key, size_t hash, const std::string& exactName,
                               unsigned char* type) const;
    // Loads the slot where a look-up by this hash starts, so that it is at
    // hand by the time FindKey asks.
    void Prefetch(size_t hash) const {
        if (!slots_.empty()) {
            __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
        }
    }

private:
    // The spellings of one key; the first in byte order comes first.
    struct Names {
        std::string first;
        unsigned char firstType = 0;
        std::vector<std::pair<std::string, unsigned char>> others;
    };
    struct Entry {
        std::string key;
        size_t hash = 0;
        Names names;
    };
    const Names* Lookup(std::string_view key, size_t hash) const;
    // The names of a key, added empty when missing.
    Names& Insert(std::string&& key, bool& added);
    void Grow();

    std::vector<Entry> entries_;
    // 0 for a free slot, else the hash's high half above the entry's index + 1.
    std::vector<std::uint64_t> slots_;
    size_t count_ = 0;
};

}  // namespace quellon::posix
