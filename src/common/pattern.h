// Wildcard pattern match used for cookie domains: '*' any run, '?' any one
// character, '#' one digit, "[list]" one character of the list (ranges like
// a-z allowed), "[!list]" one character not in it. Case-sensitive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quellon::pattern {

bool Like(std::string_view text, std::string_view pattern);
// Like for a pattern whose brackets are known to be well formed.
bool LikeValid(std::string_view text, std::string_view pattern);

// A list of patterns asked for the first one a text matches: the same
// answer as trying Like with each pattern in list order, found without
// trying most of them. Patterns are grouped by the literal characters they
// must begin and end with, those without '*' also by the length of text
// they match, and those with '*' and a run of four or more literal
// characters also by the run's first four (a text without them cannot
// match); only the groups a text can fall in are tried.
class FirstMatch {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    explicit FirstMatch(const std::vector<std::string_view>& patterns);
    // Index of the first pattern that matches `text`; kNone when none does.
    size_t Find(std::string_view text) const;

private:
    struct Entry {
        std::string_view pattern;
        std::string_view prefix, suffix;  // literal characters at both ends
        std::string_view middle;          // the longest run of literal characters
        size_t minLength = 0;             // characters the pattern needs
        bool exactLength = false;         // no '*': exactly minLength
        bool filtered = false;            // the checks above apply
        bool valid = true;
    };
    static constexpr int kAny = 256;
    static int Key(int first, int last) { return first * 257 + last; }
    static std::uint64_t LengthKey(int key, size_t length) {
        return (static_cast<std::uint64_t>(length) << 20) | static_cast<std::uint64_t>(key);
    }
    static constexpr size_t kGram = 4;
    static std::uint64_t GramKey(int key, std::string_view gram);
    bool Matches(const Entry& e, std::string_view text) const;

    std::vector<Entry> entries_;
    // Key(first literal byte or kAny, last literal byte or kAny) -> indexes in
    // order, of the patterns that hold a '*' (or are tried whole).
    std::unordered_map<int, std::vector<size_t>> groups_;
    // LengthKey(Key(...), length matched) -> indexes in order, of the others.
    std::unordered_map<std::uint64_t, std::vector<size_t>> exactGroups_;
    // GramKey(Key(...), first kGram bytes of `middle`) -> indexes in order,
    // of the patterns with '*' whose middle is that long.
    std::unordered_map<std::uint64_t, std::vector<size_t>> gramGroups_;
};

}  // namespace quellon::pattern
