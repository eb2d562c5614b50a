#include "common/ansi.h"

#include <cstdint>

namespace quellon::ansi {
namespace {

// Unicode code points of Windows-1252 bytes 0x80-0x9F. The five unassigned
// codes stand for the C1 control of the same number so that every byte
// survives a round trip.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

std::uint32_t ToUnicode(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : b;
}

char FromUnicode(std::uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one well-formed UTF-8 sequence at `i`; returns its length, or 0
// when the bytes there are not valid UTF-8.
size_t DecodeUtf8(std::string_view s, size_t i, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, min = 0x80, cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, min = 0x800, cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, min = 0x10000, cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

}  // namespace

std::string ToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi)
        AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out.push_back(utf8[i++]);
            continue;
        }
        std::uint32_t cp = 0;
        const size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out.push_back(utf8[i++]);  // not UTF-8: keep the byte as it is
        } else {
            out.push_back(FromUnicode(cp));
            i += len;
        }
    }
    return out;
}

std::string FromUtf16Le(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const size_t n = bytes.size() / 2;  // an odd last byte is not a character
    for (size_t i = 0; i < n; ++i) {
        const std::uint32_t u =
            static_cast<unsigned char>(bytes[2 * i]) |
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            const std::uint32_t lo =
                static_cast<unsigned char>(bytes[2 * i + 2]) |
                static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 3])) << 8;
            if (lo >= 0xDC00 && lo <= 0xDFFF)
                ++i;  // one character beyond the code page
            out.push_back('?');
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back('?');
        } else {
            out.push_back(FromUnicode(u));
        }
    }
    return out;
}

std::string ToUtf16Le(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char c : ansi) {
        const std::uint32_t u = ToUnicode(static_cast<unsigned char>(c));
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

}  // namespace quellon::ansi
