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

unsigned char DecodeByte(unsigned char u) {
    if (static_cast<unsigned char>(u - 192) <= 25) {
        return static_cast<unsigned char>(u - 127);
    }
    if (static_cast<unsigned char>(u - 218) <= 25) {
        return static_cast<unsigned char>(u - 121);
    }
    if (static_cast<unsigned char>(u - 244) <= 9) {
        return static_cast<unsigned char>(u - 196);
    }
    return u;
}

}  // namespace

void DecodeInPlace(std::string& line) {
    unsigned char* p = reinterpret_cast<unsigned char*>(line.data());
    const size_t n = line.size();
#if defined(__GNUC__)
    // Every line of every scan passes through here: sixteen bytes at a
    // time, the last sixteen overlapping the ones before. Decoding twice is
    // decoding once (every decoded letter or digit lies below 128), so the
    // overlap does no harm.
    //
    // Only bytes from 192 up change. Taken as signed after flipping the top
    // bit, 192, 218, 244 and 254 become 64, 90, 116 and 126, and each byte
    // loses 127 from 192 on, 6 less from 218 on, 75 more from 244 on and
    // nothing from 254 on (127 - 6 + 75 - 196 = 0): four plain compares.
    using Bytes = unsigned char __attribute__((vector_size(16)));
    using Signed = signed char __attribute__((vector_size(16)));
    if (n >= sizeof(Bytes)) {
        auto step = [](unsigned char* at) {
            Bytes u;
            __builtin_memcpy(&u, at, sizeof u);
            const Signed s = reinterpret_cast<Signed>(u ^ 0x80);
            const Bytes delta =
                (reinterpret_cast<Bytes>(s > 63) & 127) - (reinterpret_cast<Bytes>(s > 89) & 6) +
                (reinterpret_cast<Bytes>(s > 115) & 75) - (reinterpret_cast<Bytes>(s > 125) & 196);
            const Bytes d = u - delta;
            __builtin_memcpy(at, &d, sizeof d);
        };
        size_t i = 0;
        for (; i + sizeof(Bytes) <= n; i += sizeof(Bytes)) {
            step(p + i);
        }
        if (i < n) {
            step(p + n - sizeof(Bytes));
        }
        return;
    }
#endif
    for (size_t i = 0; i < n; ++i) {
        p[i] = DecodeByte(p[i]);
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
