// Signatures over OpenSSL's libcrypto.
#pragma once

#include "platform/signatures.h"

namespace quellon::posix {

class OpenSslSignatures : public platform::Signatures {
public:
    platform::Sha256Digest Sha256(std::string_view bytes) override;
    bool Verify(const platform::PublicKey& key, std::string_view message,
                const platform::SignatureBytes& signature) override;
    std::optional<platform::SignatureBytes> Sign(const platform::PrivateKey& key,
                                                 std::string_view message) override;
    std::optional<platform::PrivateKey> GenerateKey() override;
};

}  // namespace quellon::posix
