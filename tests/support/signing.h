// A signing key made for one test, and the trust that accepts it: what the
// maker's key and a program's UpdateKeys folder are outside the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "definitions/definition_signature.h"
#include "platform/backend_factory.h"

namespace quellon::testing {

class TestSigner {
public:
    TestSigner() : signatures_(platform::MakeSignatures()) {
        const auto key = signatures_->GenerateKey();
        EXPECT_TRUE(key.has_value()) << "the backend makes no key pair";
        if (key) {
            key_ = *key;
        }
        trust_ = std::make_unique<definitions::UpdateTrust>(
            definitions::UpdateTrust{*signatures_, {key_.publicKey}});
    }

    // The signature file of `bytes` as the file `name` at `version`.
    std::string Sign(std::string_view name, std::int64_t version, std::string_view bytes) {
        const auto sig = definitions::SignDefinition(*signatures_, key_, name, version, bytes);
        EXPECT_TRUE(sig.has_value()) << "the backend cannot sign";
        return sig ? definitions::FormatSignature(*sig) : std::string();
    }

    const definitions::UpdateTrust& Trust() const { return *trust_; }
    const platform::PrivateKey& Key() const { return key_; }
    platform::Signatures& Signatures() { return *signatures_; }

private:
    std::unique_ptr<platform::Signatures> signatures_;
    platform::PrivateKey key_;
    std::unique_ptr<definitions::UpdateTrust> trust_;
};

}  // namespace quellon::testing
