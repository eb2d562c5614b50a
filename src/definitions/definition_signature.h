// The maker's signature of a definition file: "<file>.sig" beside the file
// on the update site and beside a downloaded "DL" file. It carries in clear
// what it binds, so a client knows the length to expect before it fetches
// the file:
//   quellon-definition-signature 1
//   name FileDefinition.dat
//   version 7
//   length 1234
//   sha256 <64 hex digits>
//   signature <128 hex digits: r || s>
// The signature (ECDSA P-256, SHA-256) covers the first five lines exactly
// as written here, each ended by LF: the file's name, its version, its
// length and its bytes' digest.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/signatures.h"

namespace quellon::definitions {

inline constexpr std::string_view kSignatureHeader = "quellon-definition-signature 1";
// A signature file's name: the signed file's name + this.
inline constexpr std::string_view kSignatureSuffix = ".sig";
// A signature file is never longer than this.
inline constexpr std::size_t kMaxSignatureFileBytes = 1024;
// The largest definition file a signature may announce.
inline constexpr std::int64_t kMaxSignedLength = std::int64_t{64} << 20;

struct DefinitionSignature {
    std::string name;
    std::int64_t version = 0;
    std::int64_t length = 0;
    platform::Sha256Digest sha256{};
    platform::SignatureBytes signature{};
};

// The bytes the signature covers.
std::string SignedText(const DefinitionSignature& sig);
// The whole signature file.
std::string FormatSignature(const DefinitionSignature& sig);
// A strict reader: the six lines in order, nothing else; a name of 1 to 64
// letters, digits, ".", "_" or "-"; a version and a length in plain decimal
// (no sign, no leading zero), the length at most kMaxSignedLength; hex of
// the exact sizes. Anything else is nullopt.
std::optional<DefinitionSignature> ParseSignature(std::string_view text);

// The keys the program trusts and the backend that checks with them.
struct UpdateTrust {
    platform::Signatures& signatures;
    std::vector<platform::PublicKey> keys;
};

// Every "*.pub" file of `folder` that is a well-formed public key, in name
// order; files that are not are passed over. An empty list trusts nothing.
std::vector<platform::PublicKey> LoadTrustedKeys(const std::filesystem::path& folder);

// Signs `bytes` as the file `name` at `version`; nullopt when the key
// cannot sign.
std::optional<DefinitionSignature> SignDefinition(platform::Signatures& signatures,
                                                  const platform::PrivateKey& key,
                                                  std::string_view name, std::int64_t version,
                                                  std::string_view bytes);

struct SignatureCheck {
    bool ok = false;
    // Why it was refused, for people; empty when it is fine.
    std::string reason;
    DefinitionSignature signature;
};

// Reads a signature file and checks that a trusted key signed it and that
// it names `name`. The file's bytes are not looked at here.
SignatureCheck CheckSignatureFile(const UpdateTrust& trust, std::string_view text,
                                  std::string_view name);
// CheckSignatureFile, and that the signature covers exactly `bytes`.
SignatureCheck CheckSignedFile(const UpdateTrust& trust, std::string_view text,
                               std::string_view name, std::string_view bytes);

}  // namespace quellon::definitions
