#include "definitions/codec.h"

#include <array>

namespace quellon::definitions {
namespace {

constexpr std::array<unsigned char, 256> MakeEncodeTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        if (c >= 'A' && c <= 'Z') {
            t[c] = static_cast<unsigned char>(c + 127);
        } else if (c >= 'a' && c <= 'z') {
            t[c] = static_cast<unsigned char>(c + 121);
        } else if (c >= '0' && c <= '9') {
            t[c] = static_cast<unsigned char>(c + 196);
        } else {
            t[c] = static_cast<unsigned char>(c);
        }
    }
    return t;
}

constexpr auto kEncode = MakeEncodeTable();

}  // namespace

void DecodeInPlace(std::string& line) {
    // Byte arithmetic rather than a table, which the compiler turns into
    // vector code: every line of every scan passes through here.
    unsigned char* p = reinterpret_cast<unsigned char*>(line.data());
    const size_t n = line.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char u = p[i];
        unsigned char d = u;
        d = static_cast<unsigned char>(u - 192) <= 25 ? static_cast<unsigned char>(u - 127) : d;
        d = static_cast<unsigned char>(u - 218) <= 25 ? static_cast<unsigned char>(u - 121) : d;
        d = static_cast<unsigned char>(u - 244) <= 9 ? static_cast<unsigned char>(u - 196) : d;
        p[i] = d;
    }
}

std::string DecodeDefinitionLine(std::string_view line) {
    std::string out(line);
    DecodeInPlace(out);
    return out;
}

std::string EncodeDefinitionLine(std::string_view line, bool* lossless) {
    std::string out(line);
    bool ok = true;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 192 && u <= 253) {
            ok = false;
        }
        c = static_cast<char>(kEncode[u]);
    }
    if (lossless) {
        *lossless = ok;
    }
    return out;
}

}  // namespace quellon::definitions
