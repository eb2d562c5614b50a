#include "common/text.h"

#include <array>
#include <charconv>
#include <cstring>

#include "common/winpath.h"

namespace quellon::text {
namespace {

// Windows-1252 casing tables, built once at compile time.
struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
};

constexpr CaseTables MakeCaseTables() {
    CaseTables t;
    for (int i = 0; i < 256; ++i) {
        t.upper[i] = static_cast<unsigned char>(i);
        t.lower[i] = static_cast<unsigned char>(i);
    }
    auto pair = [&t](int lowerCode, int upperCode) {
        t.upper[lowerCode] = static_cast<unsigned char>(upperCode);
        t.lower[upperCode] = static_cast<unsigned char>(lowerCode);
    };
    for (int c = 'a'; c <= 'z'; ++c)
        pair(c, c - 0x20);
    for (int c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7)
            pair(c, c - 0x20);  // 0xF7 is the division sign
    }
    pair(0x9A, 0x8A);  // s caron
    pair(0x9C, 0x8C);  // oe
    pair(0x9E, 0x8E);  // z caron
    pair(0xFF, 0x9F);  // y diaeresis
    return t;
}

constexpr CaseTables kCase = MakeCaseTables();

inline unsigned char Up(char c) {
    return kCase.upper[static_cast<unsigned char>(c)];
}

// Plain search with a case-folded first-byte filter; good for short texts.
size_t FindNoCaseSimple(std::string_view h, std::string_view n, size_t from) {
    const size_t m = n.size();
    const unsigned char first = Up(n[0]);
    for (size_t i = from; i + m <= h.size(); ++i) {
        if (Up(h[i]) != first)
            continue;
        size_t k = 1;
        while (k < m && Up(h[i + k]) == Up(n[k]))
            ++k;
        if (k == m)
            return i;
    }
    return std::string_view::npos;
}

}  // namespace

char UpperChar(char c) {
    return static_cast<char>(Up(c));
}
char LowerChar(char c) {
    return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]);
}

std::string Upper(std::string_view s) {
    std::string out(s.size(), '\0');
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = UpperChar(s[i]);
    return out;
}

void UpperInto(std::string_view s, std::string& out) {
    out.resize(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = static_cast<char>(Up(s[i]));
}

std::string Lower(std::string_view s) {
    std::string out(s.size(), '\0');
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = LowerChar(s[i]);
    return out;
}

std::string Trim(std::string_view s) {
    return std::string(TrimView(s));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Up(a[i]) != Up(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::string_view h, std::string_view n, size_t from) {
    if (from > h.size())
        return std::string_view::npos;
    if (n.empty())
        return from;
    const size_t m = n.size();
    if (h.size() - from < m)
        return std::string_view::npos;
    if (m < 4 || h.size() - from < 256)
        return FindNoCaseSimple(h, n, from);

    // Horspool on case-folded bytes: the shift table is indexed by the folded
    // byte under the window's last position.
    unsigned char folded[256];
    const bool small = m <= sizeof folded;
    size_t shift[256];
    for (size_t& v : shift)
        v = m;
    for (size_t i = 0; i + 1 < m; ++i) {
        const unsigned char f = Up(n[i]);
        shift[f] = m - 1 - i;
        if (small)
            folded[i] = f;
    }
    const unsigned char last = Up(n[m - 1]);
    size_t pos = from;
    while (pos + m <= h.size()) {
        const unsigned char tail = Up(h[pos + m - 1]);
        if (tail == last) {
            size_t k = 0;
            if (small) {
                while (k + 1 < m && Up(h[pos + k]) == folded[k])
                    ++k;
            } else {
                while (k + 1 < m && Up(h[pos + k]) == Up(n[k]))
                    ++k;
            }
            if (k + 1 == m)
                return pos;
        }
        pos += shift[tail];
    }
    return std::string_view::npos;
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with) {
    if (find.empty())
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t start = 0;
    for (size_t pos; (pos = s.find(find, start)) != std::string_view::npos;
         start = pos + find.size()) {
        out.append(s.substr(start, pos - start));
        out.append(with);
    }
    out.append(s.substr(start));
    return out;
}

// Replacing the first occurrence over and over cannot end when the
// replacement itself contains the searched text; the program then gets the
// result of one pass instead. A runaway growth (a rule that keeps producing
// new occurrences at the seams) also stops the loop.
std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view with) {
    if (find.empty())
        return std::string(s);
    if (with.find(find) != std::string_view::npos)
        return Replace(s, find, with);
    std::string work(s);
    const size_t limit = s.size() * 64 + (1u << 20);
    size_t start = 0;
    for (size_t pos; (pos = work.find(find, start)) != std::string::npos;) {
        work.replace(pos, find.size(), with);
        if (work.size() > limit)
            break;
        // Text before the first occurrence holds none, so a new one can only
        // begin where it overlaps the replacement.
        start = pos >= find.size() - 1 ? pos - (find.size() - 1) : 0;
    }
    return work;
}

std::string ReplaceNoCase(std::string_view s, std::string_view find, std::string_view with) {
    if (find.empty())
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t start = 0;
    for (size_t pos; (pos = FindNoCase(s, find, start)) != std::string_view::npos;
         start = pos + find.size()) {
        out.append(s.substr(start, pos - start));
        out.append(with);
    }
    out.append(s.substr(start));
    return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view sep) {
    std::vector<std::string> parts;
    if (sep.empty()) {
        parts.emplace_back(s);
        return parts;
    }
    size_t start = 0;
    for (size_t pos; (pos = s.find(sep, start)) != std::string_view::npos;
         start = pos + sep.size()) {
        parts.emplace_back(s.substr(start, pos - start));
    }
    parts.emplace_back(s.substr(start));
    return parts;
}

std::string_view FileNameOfPath(std::string_view path) {
    return winpath::BareName(path);
}

std::string ToDecimal(std::int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string GroupDigits(std::int64_t v) {
    const std::uint64_t magnitude =
        v < 0 ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
    char digits[24];
    auto r = std::to_chars(digits, digits + sizeof digits, magnitude);
    const size_t n = static_cast<size_t>(r.ptr - digits);
    std::string out;
    out.reserve(n + n / 3 + 1);
    if (v < 0)
        out.push_back('-');
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string_view TrimBlanksAndTabs(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string EscapeControls(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace quellon::text
