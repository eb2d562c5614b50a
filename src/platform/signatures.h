// Signatures over definition files: ECDSA on the curve P-256 with SHA-256,
// the one scheme both OpenSSL's libcrypto and Windows' CNG offer. Keys and
// signatures are plain bytes here, so both backends read the same files:
// a public key is the curve point X || Y (32 bytes each, big-endian), a
// private key the scalar d, a signature r || s (32 bytes each).
//
// The key files are text:
//   quellon-public-key 1
//   <128 hex digits: X || Y>
// and
//   quellon-private-key 1
//   <64 hex digits: d>
//   <128 hex digits: X || Y>
// each line ended by LF (a CR before it is allowed).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellon::platform {

using Sha256Digest = std::array<std::uint8_t, 32>;
using SignatureBytes = std::array<std::uint8_t, 64>;

struct PublicKey {
    std::array<std::uint8_t, 64> point{};
    bool operator==(const PublicKey&) const = default;
};

struct PrivateKey {
    std::array<std::uint8_t, 32> scalar{};
    PublicKey publicKey;
};

inline constexpr std::string_view kPublicKeyHeader = "quellon-public-key 1";
inline constexpr std::string_view kPrivateKeyHeader = "quellon-private-key 1";
// A key file is never longer than this; a longer one is not a key.
inline constexpr std::size_t kMaxKeyFileBytes = 1024;

class Signatures {
public:
    virtual ~Signatures() = default;
    virtual Sha256Digest Sha256(std::string_view bytes) = 0;
    // True only when `signature` is a valid signature of SHA-256(message)
    // under `key`; a key that is not a point of the curve verifies nothing.
    virtual bool Verify(const PublicKey& key, std::string_view message,
                        const SignatureBytes& signature) = 0;
    // Signs SHA-256(message); nullopt when the backend cannot (a bad key).
    virtual std::optional<SignatureBytes> Sign(const PrivateKey& key, std::string_view message) = 0;
    // A new key pair from the system's random source; nullopt on failure.
    virtual std::optional<PrivateKey> GenerateKey() = 0;
};

// Lower-case hex of bytes, and back (nullopt unless exactly `size` bytes of
// hex digits, either case).
std::string ToHex(const std::uint8_t* bytes, std::size_t size);
template <std::size_t N>
std::string ToHex(const std::array<std::uint8_t, N>& bytes) {
    return ToHex(bytes.data(), N);
}
bool FromHex(std::string_view hex, std::uint8_t* out, std::size_t size);

std::string FormatPublicKey(const PublicKey& key);
std::string FormatPrivateKey(const PrivateKey& key);
// Strict readers of the key files: the header, the hex lines, nothing else
// (a final line end is optional). A point of all zero bytes is refused.
std::optional<PublicKey> ParsePublicKey(std::string_view text);
std::optional<PrivateKey> ParsePrivateKey(std::string_view text);

// The lines of a small text file, split at LF with one CR before it taken
// off; nullopt when the text holds a NUL, a stray CR or a line longer than
// `maxLine`. A final LF does not start another line.
std::optional<std::vector<std::string_view>> StrictLines(std::string_view text,
                                                         std::size_t maxLine);

}  // namespace quellon::platform
