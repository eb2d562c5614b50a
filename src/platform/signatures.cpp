#include "platform/signatures.h"

#include <algorithm>

#include "common/text.h"

namespace quellon::platform {

namespace {

bool AllZero(const std::uint8_t* bytes, std::size_t size) {
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

std::string ToHex(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

bool FromHex(std::string_view hex, std::uint8_t* out, std::size_t size) {
    if (hex.size() != size * 2) {
        return false;
    }
    for (std::size_t i = 0; i < size; ++i) {
        const int high = text::HexDigitValue(hex[2 * i]);
        const int low = text::HexDigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

std::optional<std::vector<std::string_view>> StrictLines(std::string_view text,
                                                         std::size_t maxLine) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find('\r') != std::string_view::npos || line.size() > maxLine) {
            return std::nullopt;
        }
        lines.push_back(line);
    }
    return lines;
}

std::string FormatPublicKey(const PublicKey& key) {
    return std::string(kPublicKeyHeader) + "\n" + ToHex(key.point) + "\n";
}

std::string FormatPrivateKey(const PrivateKey& key) {
    return std::string(kPrivateKeyHeader) + "\n" + ToHex(key.scalar) + "\n" +
           ToHex(key.publicKey.point) + "\n";
}

std::optional<PublicKey> ParsePublicKey(std::string_view text) {
    if (text.size() > kMaxKeyFileBytes) {
        return std::nullopt;
    }
    const auto lines = StrictLines(text, 200);
    if (!lines || lines->size() != 2 || (*lines)[0] != kPublicKeyHeader) {
        return std::nullopt;
    }
    PublicKey key;
    if (!FromHex((*lines)[1], key.point.data(), key.point.size()) ||
        AllZero(key.point.data(), key.point.size())) {
        return std::nullopt;
    }
    return key;
}

std::optional<PrivateKey> ParsePrivateKey(std::string_view text) {
    if (text.size() > kMaxKeyFileBytes) {
        return std::nullopt;
    }
    const auto lines = StrictLines(text, 200);
    if (!lines || lines->size() != 3 || (*lines)[0] != kPrivateKeyHeader) {
        return std::nullopt;
    }
    PrivateKey key;
    if (!FromHex((*lines)[1], key.scalar.data(), key.scalar.size()) ||
        !FromHex((*lines)[2], key.publicKey.point.data(), key.publicKey.point.size()) ||
        AllZero(key.scalar.data(), key.scalar.size()) ||
        AllZero(key.publicKey.point.data(), key.publicKey.point.size())) {
        return std::nullopt;
    }
    return key;
}

}  // namespace quellon::platform
