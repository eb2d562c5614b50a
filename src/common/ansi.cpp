#include "common/ansi.h"

#include <cstdint>

namespace quellon::ansi {
namespace {

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
