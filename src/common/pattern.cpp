#include "common/pattern.h"

#include <algorithm>
#include <cstring>

namespace quellon::pattern {
namespace {

// Checks every "[...]" of the pattern once: each needs its closing ']' and
// ranges must run upwards. A pattern failing this matches nothing.
bool ValidPattern(std::string_view p) {
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] != '[')
            continue;
        size_t j = i + 1;
        if (j < p.size() && p[j] == '!')
            ++j;
        const size_t listStart = j;
        while (j < p.size() && p[j] != ']')
            ++j;
        if (j == p.size())
            return false;
        for (size_t k = listStart; k < j; ++k) {
            if (k + 2 < j && p[k + 1] == '-') {
                if (static_cast<unsigned char>(p[k]) > static_cast<unsigned char>(p[k + 2])) {
                    return false;
                }
                k += 2;
            }
        }
        i = j;
    }
    return true;
}

enum class Token { kMatch, kNoMatch, kEmpty };

// Matches the pattern element at `p` (not '*') against `c`; `next` receives
// the position after the element. "[]" matches no character at all (kEmpty).
Token MatchOne(std::string_view p, size_t p0, char c, size_t& next) {
    const char pc = p[p0];
    if (pc == '?') {
        next = p0 + 1;
        return Token::kMatch;
    }
    if (pc == '#') {
        next = p0 + 1;
        return c >= '0' && c <= '9' ? Token::kMatch : Token::kNoMatch;
    }
    if (pc != '[') {
        next = p0 + 1;
        return pc == c ? Token::kMatch : Token::kNoMatch;
    }
    size_t j = p0 + 1;
    bool negate = false;
    if (p[j] == '!') {
        negate = true;
        ++j;
    }
    size_t end = j;
    while (p[end] != ']')
        ++end;  // present: the pattern was checked
    next = end + 1;
    if (end == j)
        return negate ? Token::kMatch : Token::kEmpty;
    const auto uc = static_cast<unsigned char>(c);
    bool in = false;
    for (size_t k = j; k < end && !in; ++k) {
        if (k + 2 < end && p[k + 1] == '-') {
            in = uc >= static_cast<unsigned char>(p[k]) &&
                 uc <= static_cast<unsigned char>(p[k + 2]);
            k += 2;
        } else {
            in = p[k] == c;
        }
    }
    return in != negate ? Token::kMatch : Token::kNoMatch;
}

}  // namespace

// Every element but '*' consumes exactly one character (or none for "[]"),
// so remembering only the last '*' and letting it absorb one more character
// on a mismatch finds a match whenever one exists, in O(text x pattern) worst
// case and without allocating.
bool Like(std::string_view text, std::string_view pattern) {
    return ValidPattern(pattern) && LikeValid(text, pattern);
}

bool LikeValid(std::string_view text, std::string_view pattern) {
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t t = 0, p = 0;
    size_t starP = kNone, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            if (pattern[p] == '*') {
                starP = ++p;
                starT = t;
                continue;
            }
            size_t next = 0;
            const Token r = MatchOne(pattern, p, text[t], next);
            if (r == Token::kEmpty) {
                p = next;
                continue;
            }
            if (r == Token::kMatch) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP == kNone)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size()) {
        if (pattern[p] == '*') {
            ++p;
        } else if (pattern[p] == '[' && p + 1 < pattern.size() && pattern[p + 1] == ']') {
            p += 2;
        } else {
            return false;
        }
    }
    return true;
}

FirstMatch::FirstMatch(const std::vector<std::string_view>& patterns) {
    entries_.reserve(patterns.size());
    for (size_t i = 0; i < patterns.size(); ++i) {
        Entry e;
        const std::string_view p = patterns[i];
        e.pattern = p;
        e.valid = ValidPattern(p);
        // Walk the elements: a literal character, '*', '?', '#' or "[...]".
        // "[]" consumes no character, so patterns holding it are always tried
        // whole.
        bool star = false, emptyList = false, inLeading = true;
        size_t elements = 0, leading = 0, lastSpecialEnd = 0;
        size_t runStart = 0, bestStart = 0, bestLength = 0;
        for (size_t k = 0; e.valid && k < p.size();) {
            const char c = p[k];
            size_t next = k + 1;
            bool literal = false;
            if (c == '*') {
                star = true;
            } else if (c == '[') {
                size_t j = k + 1;
                const bool negate = j < p.size() && p[j] == '!';
                if (negate) {
                    ++j;
                }
                const size_t listStart = j;
                while (p[j] != ']') {
                    ++j;  // present: the pattern was checked
                }
                emptyList = emptyList || (j == listStart && !negate);
                next = j + 1;
                ++elements;
            } else {
                literal = c != '?' && c != '#';
                ++elements;
            }
            if (literal && inLeading) {
                leading = next;
            }
            if (!literal) {
                inLeading = false;
                lastSpecialEnd = next;
                runStart = next;
            } else if (next - runStart > bestLength) {
                bestStart = runStart;
                bestLength = next - runStart;
            }
            k = next;
        }
        if (e.valid && !emptyList) {
            e.filtered = true;
            e.prefix = p.substr(0, leading);
            e.suffix = p.substr(lastSpecialEnd);
            e.minLength = elements;
            e.exactLength = !star;
            e.middle = p.substr(bestStart, bestLength);
        }
        const int first = !e.prefix.empty() ? static_cast<unsigned char>(e.prefix.front()) : kAny;
        const int last = !e.suffix.empty() ? static_cast<unsigned char>(e.suffix.back()) : kAny;
        if (e.valid && e.filtered && e.exactLength) {
            exactGroups_[LengthKey(Key(first, last), e.minLength)].push_back(i);
        } else if (e.valid && e.filtered && e.middle.size() >= kGram) {
            gramGroups_[GramKey(Key(first, last), e.middle)].push_back(i);
        } else if (e.valid) {
            groups_[Key(first, last)].push_back(i);
        }
        entries_.push_back(e);
    }
}

bool FirstMatch::Matches(const Entry& e, std::string_view text) const {
    if (e.filtered) {
        if (e.exactLength ? text.size() != e.minLength : text.size() < e.minLength) {
            return false;
        }
        if (text.substr(0, e.prefix.size()) != e.prefix) {
            return false;
        }
        if (text.size() < e.suffix.size() ||
            text.substr(text.size() - e.suffix.size()) != e.suffix) {
            return false;
        }
    }
    if (!e.middle.empty() && text.find(e.middle) == std::string_view::npos) {
        return false;
    }
    return LikeValid(text, e.pattern);
}

std::uint64_t FirstMatch::GramKey(int key, std::string_view gram) {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, gram.data(), kGram);
    return (static_cast<std::uint64_t>(bytes) << 20) | static_cast<std::uint64_t>(key);
}

size_t FirstMatch::Find(std::string_view text) const {
    // The groups this text can fall in, merged in list order; the groups of
    // the four-byte runs it holds are gathered into one list first.
    const std::vector<size_t>* lists[9] = {};
    size_t count = 0;
    std::vector<size_t> gathered;
    const int first = text.empty() ? -1 : static_cast<unsigned char>(text.front());
    const int last = text.empty() ? -1 : static_cast<unsigned char>(text.back());
    for (const int f : {first, kAny}) {
        for (const int l : {last, kAny}) {
            if (f < 0 || l < 0) {
                if (f != kAny || l != kAny) {
                    continue;
                }
            }
            if (auto it = groups_.find(Key(f, l)); it != groups_.end()) {
                lists[count++] = &it->second;
            }
            if (auto it = exactGroups_.find(LengthKey(Key(f, l), text.size()));
                it != exactGroups_.end()) {
                lists[count++] = &it->second;
            }
            for (size_t p = 0; !gramGroups_.empty() && p + kGram <= text.size(); ++p) {
                if (auto it = gramGroups_.find(GramKey(Key(f, l), text.substr(p, kGram)));
                    it != gramGroups_.end()) {
                    gathered.insert(gathered.end(), it->second.begin(), it->second.end());
                }
            }
        }
    }
    if (!gathered.empty()) {
        std::sort(gathered.begin(), gathered.end());
        gathered.erase(std::unique(gathered.begin(), gathered.end()), gathered.end());
        lists[count++] = &gathered;
    }
    size_t at[9] = {};
    for (;;) {
        size_t best = kNone;
        size_t from = 0;
        for (size_t k = 0; k < count; ++k) {
            if (at[k] < lists[k]->size() && (*lists[k])[at[k]] < best) {
                best = (*lists[k])[at[k]];
                from = k;
            }
        }
        if (best == kNone) {
            return kNone;
        }
        ++at[from];
        if (Matches(entries_[best], text)) {
            return best;
        }
    }
}

}  // namespace quellon::pattern
