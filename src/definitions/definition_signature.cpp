#include "definitions/definition_signature.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/text.h"

namespace quellon::definitions {

namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// Plain decimal, no sign, no leading zero, at most 18 digits.
std::optional<std::int64_t> Decimal(std::string_view text) {
    if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0') ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
    }
    return value;
}

// The text after "<key> " on a line that starts with it.
std::optional<std::string_view> Field(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') {
        return std::nullopt;
    }
    return line.substr(key.size() + 1);
}

SignatureCheck Refused(std::string reason) {
    SignatureCheck check;
    check.reason = std::move(reason);
    return check;
}

}  // namespace

std::string SignedText(const DefinitionSignature& sig) {
    return std::string(kSignatureHeader) + "\nname " + sig.name + "\nversion " +
           text::ToDecimal(sig.version) + "\nlength " + text::ToDecimal(sig.length) + "\nsha256 " +
           platform::ToHex(sig.sha256) + "\n";
}

std::string FormatSignature(const DefinitionSignature& sig) {
    return SignedText(sig) + "signature " + platform::ToHex(sig.signature) + "\n";
}

std::optional<DefinitionSignature> ParseSignature(std::string_view text) {
    if (text.size() > kMaxSignatureFileBytes) {
        return std::nullopt;
    }
    const auto lines = platform::StrictLines(text, 200);
    if (!lines || lines->size() != 6 || (*lines)[0] != kSignatureHeader) {
        return std::nullopt;
    }
    const auto name = Field((*lines)[1], "name");
    const auto version = Field((*lines)[2], "version");
    const auto length = Field((*lines)[3], "length");
    const auto sha = Field((*lines)[4], "sha256");
    const auto signature = Field((*lines)[5], "signature");
    if (!name || !version || !length || !sha || !signature || name->empty() || name->size() > 64 ||
        !std::all_of(name->begin(), name->end(), IsNameChar)) {
        return std::nullopt;
    }
    DefinitionSignature sig;
    sig.name = std::string(*name);
    const auto v = Decimal(*version);
    const auto n = Decimal(*length);
    if (!v || !n || *n > kMaxSignedLength ||
        !platform::FromHex(*sha, sig.sha256.data(), sig.sha256.size()) ||
        !platform::FromHex(*signature, sig.signature.data(), sig.signature.size())) {
        return std::nullopt;
    }
    sig.version = *v;
    sig.length = *n;
    return sig;
}

std::vector<platform::PublicKey> LoadTrustedKeys(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        std::error_code typeError;
        if (path.extension() == ".pub" && it->is_regular_file(typeError) && !typeError) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<platform::PublicKey> keys;
    for (const fs::path& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::string text(platform::kMaxKeyFileBytes + 1, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        if (const auto key = platform::ParsePublicKey(text)) {
            keys.push_back(*key);
        }
    }
    return keys;
}

std::optional<DefinitionSignature> SignDefinition(platform::Signatures& signatures,
                                                  const platform::PrivateKey& key,
                                                  std::string_view name, std::int64_t version,
                                                  std::string_view bytes) {
    DefinitionSignature sig;
    sig.name = std::string(name);
    sig.version = version;
    sig.length = static_cast<std::int64_t>(bytes.size());
    sig.sha256 = signatures.Sha256(bytes);
    const auto signature = signatures.Sign(key, SignedText(sig));
    if (!signature) {
        return std::nullopt;
    }
    sig.signature = *signature;
    return sig;
}

SignatureCheck CheckSignatureFile(const UpdateTrust& trust, std::string_view text,
                                  std::string_view name) {
    const auto sig = ParseSignature(text);
    if (!sig) {
        return Refused("the signature file is not well-formed");
    }
    if (trust.keys.empty()) {
        return Refused("no trusted key to check the signature with");
    }
    const std::string signedText = SignedText(*sig);
    const bool verified =
        std::any_of(trust.keys.begin(), trust.keys.end(), [&](const platform::PublicKey& key) {
            return trust.signatures.Verify(key, signedText, sig->signature);
        });
    if (!verified) {
        return Refused("the signature is not the maker's");
    }
    if (sig->name != name) {
        return Refused("the signature is for " + sig->name + ", not " + std::string(name));
    }
    SignatureCheck check;
    check.ok = true;
    check.signature = *sig;
    return check;
}

SignatureCheck CheckSignedFile(const UpdateTrust& trust, std::string_view text,
                               std::string_view name, std::string_view bytes) {
    SignatureCheck check = CheckSignatureFile(trust, text, name);
    if (!check.ok) {
        return check;
    }
    if (static_cast<std::int64_t>(bytes.size()) != check.signature.length) {
        return Refused("the file is " + text::ToDecimal(static_cast<std::int64_t>(bytes.size())) +
                       " bytes long; its signature covers " +
                       text::ToDecimal(check.signature.length));
    }
    if (trust.signatures.Sha256(bytes) != check.signature.sha256) {
        return Refused("the file's bytes are not the ones signed");
    }
    return check;
}

}  // namespace quellon::definitions
