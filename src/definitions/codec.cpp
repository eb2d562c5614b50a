#include "definitions/codec.h"

#include <array>

namespace quellon::definitions {
namespace {

constexpr std::array<unsigned char, 256> MakeDecodeTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        if (c >= 192 && c <= 217) {
            t[c] = static_cast<unsigned char>(c - 127);
        } else if (c >= 218 && c <= 243) {
            t[c] = static_cast<unsigned char>(c - 121);
        } else if (c >= 244 && c <= 253) {
            t[c] = static_cast<unsigned char>(c - 196);
        } else {
            t[c] = static_cast<unsigned char>(c);
        }
    }
    return t;
}

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

constexpr auto kDecode = MakeDecodeTable();
constexpr auto kEncode = MakeEncodeTable();

}  // namespace

void DecodeInPlace(std::string& line) {
    for (char& c : line) {
        c = static_cast<char>(kDecode[static_cast<unsigned char>(c)]);
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
