#include "platform/win32/cng_signatures.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quellon::win32 {

namespace {

bool Ok(NTSTATUS status) {
    return status >= 0;
}

class Algorithm {
public:
    explicit Algorithm(LPCWSTR id) {
        if (!Ok(BCryptOpenAlgorithmProvider(&handle_, id, nullptr, 0))) {
            handle_ = nullptr;
        }
    }
    ~Algorithm() {
        if (handle_ != nullptr) {
            BCryptCloseAlgorithmProvider(handle_, 0);
        }
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Key {
public:
    Key() = default;
    ~Key() {
        if (handle_ != nullptr) {
            BCryptDestroyKey(handle_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    BCRYPT_KEY_HANDLE* out() { return &handle_; }
    BCRYPT_KEY_HANDLE get() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// A key blob: BCRYPT_ECCKEY_BLOB, then X, Y and, for a private key, d.
std::vector<unsigned char> Blob(ULONG magic, const platform::PublicKey& key,
                                const std::uint8_t* scalar) {
    BCRYPT_ECCKEY_BLOB header{};
    header.dwMagic = magic;
    header.cbKey = 32;
    std::vector<unsigned char> blob(sizeof header + 64 + (scalar != nullptr ? 32 : 0));
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.point.data(), 64);
    if (scalar != nullptr) {
        std::memcpy(blob.data() + sizeof header + 64, scalar, 32);
    }
    return blob;
}

}  // namespace

platform::Sha256Digest CngSignatures::Sha256(std::string_view bytes) {
    platform::Sha256Digest digest{};
    Algorithm sha(BCRYPT_SHA256_ALGORITHM);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (sha.get() == nullptr ||
        !Ok(BCryptCreateHash(sha.get(), &hash, nullptr, 0, nullptr, 0, 0))) {
        return digest;
    }
    // BCryptHashData takes at most 4 GB at a time.
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    bool ok = true;
    while (ok && left > 0) {
        const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(left, 1u << 30));
        ok = Ok(BCryptHashData(hash, const_cast<PUCHAR>(data), chunk, 0));
        data += chunk;
        left -= chunk;
    }
    if (ok) {
        BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
    }
    BCryptDestroyHash(hash);
    return digest;
}

bool CngSignatures::Verify(const platform::PublicKey& key, std::string_view message,
                           const platform::SignatureBytes& signature) {
    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (ecdsa.get() == nullptr) {
        return false;
    }
    std::vector<unsigned char> blob = Blob(BCRYPT_ECDSA_PUBLIC_P256_MAGIC, key, nullptr);
    Key handle;
    if (!Ok(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, handle.out(),
                                blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return false;
    }
    platform::Sha256Digest digest = Sha256(message);
    platform::SignatureBytes sig = signature;
    return Ok(BCryptVerifySignature(handle.get(), nullptr, digest.data(),
                                    static_cast<ULONG>(digest.size()), sig.data(),
                                    static_cast<ULONG>(sig.size()), 0));
}

std::optional<platform::SignatureBytes> CngSignatures::Sign(const platform::PrivateKey& key,
                                                            std::string_view message) {
    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (ecdsa.get() == nullptr) {
        return std::nullopt;
    }
    std::vector<unsigned char> blob =
        Blob(BCRYPT_ECDSA_PRIVATE_P256_MAGIC, key.publicKey, key.scalar.data());
    Key handle;
    const bool imported =
        Ok(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, handle.out(),
                               blob.data(), static_cast<ULONG>(blob.size()), 0));
    SecureZeroMemory(blob.data(), blob.size());
    if (!imported) {
        return std::nullopt;
    }
    platform::Sha256Digest digest = Sha256(message);
    platform::SignatureBytes out{};
    ULONG size = 0;
    if (!Ok(BCryptSignHash(handle.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                           out.data(), static_cast<ULONG>(out.size()), &size, 0)) ||
        size != out.size()) {
        return std::nullopt;
    }
    // A key file whose point is not its scalar's would sign what its public
    // key never verifies.
    if (!Verify(key.publicKey, message, out)) {
        return std::nullopt;
    }
    return out;
}

std::optional<platform::PrivateKey> CngSignatures::GenerateKey() {
    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    Key handle;
    if (ecdsa.get() == nullptr || !Ok(BCryptGenerateKeyPair(ecdsa.get(), handle.out(), 256, 0)) ||
        !Ok(BCryptFinalizeKeyPair(handle.get(), 0))) {
        return std::nullopt;
    }
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 96);
    ULONG size = 0;
    if (!Ok(BCryptExportKey(handle.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
                            static_cast<ULONG>(blob.size()), &size, 0)) ||
        size != blob.size()) {
        return std::nullopt;
    }
    BCRYPT_ECCKEY_BLOB header{};
    std::memcpy(&header, blob.data(), sizeof header);
    if (header.cbKey != 32) {
        return std::nullopt;
    }
    platform::PrivateKey key;
    std::memcpy(key.publicKey.point.data(), blob.data() + sizeof header, 64);
    std::memcpy(key.scalar.data(), blob.data() + sizeof header + 64, 32);
    SecureZeroMemory(blob.data(), blob.size());
    return key;
}

}  // namespace quellon::win32
