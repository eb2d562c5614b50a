#include "common/pattern.h"

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
    if (!ValidPattern(pattern))
        return false;
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

}  // namespace quellon::pattern
