// Conversions between the program's 8-bit ANSI text (Windows-1252) and the
// encodings of the outside world. Only backends, file readers and window
// front-ends need them. The one-character conversions and the UTF-8 decoder
// are here, inline, because the HTML reader and the registry readers call
// them once a byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quellon::ansi {

// Unicode code points of Windows-1252 bytes 0x80-0x9F. The five unassigned
// codes stand for the C1 control of the same number so that every byte
// survives a round trip.
inline constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The code point of one Windows-1252 byte.
constexpr char16_t ToUnicode(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : static_cast<char16_t>(b);
}

// The Windows-1252 byte of a code point; '?' for one the code page lacks.
constexpr char FromUnicode(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(cp);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

// Decodes one well-formed UTF-8 sequence at s[i] into `cp`; returns its
// length, or 0 when the bytes there are not valid UTF-8 (an overlong form,
// a surrogate, a value above U+10FFFF, a cut or broken sequence).
constexpr std::size_t DecodeUtf8(std::string_view s, std::size_t i, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len = 0;
    std::uint32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, min = 0x80, cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, min = 0x800, cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, min = 0x10000, cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (i + len > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

// Windows-1252 bytes to UTF-8; the five unassigned codes map to U+0081 etc.
std::string ToUtf8(std::string_view ansi);
// UTF-8 to Windows-1252; characters outside the code page become '?'.
// Invalid UTF-8 bytes are taken as Windows-1252 bytes unchanged.
std::string FromUtf8(std::string_view utf8);
// UTF-16LE bytes (no byte-order mark) to Windows-1252.
std::string FromUtf16Le(std::string_view bytes);
// Windows-1252 to UTF-16LE bytes.
std::string ToUtf16Le(std::string_view ansi);

}  // namespace quellon::ansi
