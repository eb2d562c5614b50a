#include "platform/posix/openssl_signatures.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>
#include <vector>

namespace quellon::posix {

namespace {

struct Free {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    void operator()(OSSL_PARAM_BLD* p) const { OSSL_PARAM_BLD_free(p); }
    void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); }
    void operator()(BIGNUM* p) const { BN_clear_free(p); }
    void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

constexpr char kCurve[] = "prime256v1";

// The uncompressed encoding OpenSSL takes: 0x04 || X || Y.
std::array<unsigned char, 65> Uncompressed(const platform::PublicKey& key) {
    std::array<unsigned char, 65> out{};
    out[0] = 0x04;
    std::copy(key.point.begin(), key.point.end(), out.begin() + 1);
    return out;
}

// An EVP key from the raw point, and the scalar when `scalar` is given. The
// import checks that the point lies on the curve.
Owned<EVP_PKEY> MakeKey(const platform::PublicKey& key, const std::uint8_t* scalar) {
    const auto point = Uncompressed(key);
    Owned<OSSL_PARAM_BLD> build(OSSL_PARAM_BLD_new());
    if (!build) {
        return nullptr;
    }
    Owned<BIGNUM> d;
    if (scalar != nullptr) {
        d.reset(BN_bin2bn(scalar, 32, nullptr));
        if (!d) {
            return nullptr;
        }
    }
    if (OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, kCurve, 0) != 1 ||
        OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                         point.size()) != 1 ||
        (d && OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_PRIV_KEY, d.get()) != 1)) {
        return nullptr;
    }
    Owned<OSSL_PARAM> params(OSSL_PARAM_BLD_to_param(build.get()));
    Owned<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) != 1) {
        return nullptr;
    }
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_fromdata(ctx.get(), &raw, d ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                          params.get()) != 1) {
        return nullptr;
    }
    Owned<EVP_PKEY> pkey(raw);
    // fromdata takes the bytes as they are; the point must be on the curve.
    Owned<EVP_PKEY_CTX> check(EVP_PKEY_CTX_new_from_pkey(nullptr, pkey.get(), nullptr));
    if (!check || EVP_PKEY_public_check(check.get()) != 1) {
        return nullptr;
    }
    return pkey;
}

}  // namespace

platform::Sha256Digest OpenSslSignatures::Sha256(std::string_view bytes) {
    platform::Sha256Digest digest{};
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr);
    return digest;
}

bool OpenSslSignatures::Verify(const platform::PublicKey& key, std::string_view message,
                               const platform::SignatureBytes& signature) {
    Owned<EVP_PKEY> pkey = MakeKey(key, nullptr);
    if (!pkey) {
        return false;
    }
    // OpenSSL verifies the DER form of (r, s).
    Owned<ECDSA_SIG> sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (!sig || r == nullptr || s == nullptr || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(sig.get(), &der);
    if (derSize <= 0) {
        return false;
    }
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> derOwned(
        der, [](unsigned char* p) { OPENSSL_free(p); });
    Owned<EVP_MD_CTX> md(EVP_MD_CTX_new());
    if (!md || EVP_DigestVerifyInit(md.get(), nullptr, EVP_sha256(), nullptr, pkey.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(md.get(), der, static_cast<size_t>(derSize),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

std::optional<platform::SignatureBytes> OpenSslSignatures::Sign(const platform::PrivateKey& key,
                                                                std::string_view message) {
    Owned<EVP_PKEY> pkey = MakeKey(key.publicKey, key.scalar.data());
    Owned<EVP_MD_CTX> md(EVP_MD_CTX_new());
    if (!pkey || !md ||
        EVP_DigestSignInit(md.get(), nullptr, EVP_sha256(), nullptr, pkey.get()) != 1) {
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(message.data());
    size_t size = 0;
    if (EVP_DigestSign(md.get(), nullptr, &size, data, message.size()) != 1) {
        return std::nullopt;
    }
    std::vector<unsigned char> der(size);
    if (EVP_DigestSign(md.get(), der.data(), &size, data, message.size()) != 1) {
        return std::nullopt;
    }
    const unsigned char* in = der.data();
    Owned<ECDSA_SIG> sig(d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(size)));
    if (!sig) {
        return std::nullopt;
    }
    platform::SignatureBytes out{};
    if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), out.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), out.data() + 32, 32) != 32) {
        return std::nullopt;
    }
    // The key pair must belong together: a private key file whose point is
    // not its scalar's would sign what its public key never verifies.
    if (!Verify(key.publicKey, message, out)) {
        return std::nullopt;
    }
    return out;
}

std::optional<platform::PrivateKey> OpenSslSignatures::GenerateKey() {
    Owned<EVP_PKEY> pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    if (!pkey) {
        return std::nullopt;
    }
    std::array<unsigned char, 65> point{};
    size_t size = 0;
    if (EVP_PKEY_get_octet_string_param(pkey.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                        point.size(), &size) != 1 ||
        size != point.size() || point[0] != 0x04) {
        return std::nullopt;
    }
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(pkey.get(), OSSL_PKEY_PARAM_PRIV_KEY, &raw) != 1) {
        return std::nullopt;
    }
    Owned<BIGNUM> d(raw);
    platform::PrivateKey key;
    if (BN_bn2binpad(d.get(), key.scalar.data(), 32) != 32) {
        return std::nullopt;
    }
    std::copy(point.begin() + 1, point.end(), key.publicKey.point.begin());
    return key;
}

}  // namespace quellon::posix
