// The key and signature files against hostile bytes, and the backend's
// signatures: its own, and one that OpenSSL made (which the Windows build
// checks with CNG).
#include "definitions/definition_signature.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/signing.h"
#include "support/temp_dir.h"

namespace quellon::testing {
namespace {

using definitions::ParseSignature;
using platform::ParsePrivateKey;
using platform::ParsePublicKey;

// Made once with the openssl command: a P-256 key, and its signature of the
// signature header for "new.dll=New\r\n" as FileDefinition.dat, version 7.
constexpr std::string_view kOpenSslPublicKey =
    "quellon-public-key 1\n"
    "63b286be3771d43446befda87245937a5bbb8593713bb063c85f35cf1a6bca07"
    "67fa44ca1d9fc67349c3276568eb4dea87fca7041f70bbf7befaa6c144560b80\n";
constexpr std::string_view kOpenSslSignature =
    "quellon-definition-signature 1\n"
    "name FileDefinition.dat\n"
    "version 7\n"
    "length 13\n"
    "sha256 7cbb97ba0faca7e92234bb804c78aa7dfdd2b9d189418b0bf7fb7d1a677aa3fe\n"
    "signature e93e5d29a49b6dba8cba77daa95548d1af36bea309cdbdae3b42dcf6f1e019fb"
    "3702c0d82f6c62ab63a5f4927a1895c4e41d0d258bd7fd1160ac105800660fe8\n";
constexpr std::string_view kOpenSslSigned = "new.dll=New\r\n";

TEST(SignatureFormatTest, KeyFilesReadBackAndHostileOnesAreRefused) {
    platform::PrivateKey key;
    for (std::size_t i = 0; i < key.scalar.size(); ++i) {
        key.scalar[i] = static_cast<std::uint8_t>(i + 1);
    }
    for (std::size_t i = 0; i < key.publicKey.point.size(); ++i) {
        key.publicKey.point[i] = static_cast<std::uint8_t>(0xFF - i);
    }
    const std::string pub = platform::FormatPublicKey(key.publicKey);
    const std::string priv = platform::FormatPrivateKey(key);
    ASSERT_TRUE(ParsePublicKey(pub));
    EXPECT_EQ(*ParsePublicKey(pub), key.publicKey);
    ASSERT_TRUE(ParsePrivateKey(priv));
    EXPECT_EQ(ParsePrivateKey(priv)->scalar, key.scalar);
    // CR LF line ends, and no final line end, are the same key.
    std::string crlf;
    for (char c : pub) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(ParsePublicKey(crlf), key.publicKey);
    EXPECT_EQ(ParsePublicKey(pub.substr(0, pub.size() - 1)), key.publicKey);
    EXPECT_EQ(ParsePublicKey(std::string(kOpenSslPublicKey)).has_value(), true);

    const std::string hex = pub.substr(pub.find('\n') + 1, 128);
    for (const std::string& bad : {
             std::string(), std::string(platform::kPublicKeyHeader),
             "quellon-public-key 2\n" + hex + "\n", "Quellon-public-key 1\n" + hex + "\n",
             "quellon-public-key 1\n" + hex.substr(2) + "\n",   // short
             "quellon-public-key 1\n" + hex + "00\n",           // long
             "quellon-public-key 1\n" + hex + "\n\n",           // an extra line
             "quellon-public-key 1\n " + hex + "\n",            // a blank
             "quellon-public-key 1\n" + hex.substr(1) + "g\n",  // not hex
             "quellon-public-key 1\r\r\n" + hex + "\n",         // a stray CR
             "quellon-public-key 1\n" + hex.substr(0, 64) + std::string(1, '\0') + hex.substr(65) +
                 "\n",                                                 // a NUL
             "quellon-public-key 1\n" + std::string(128, '0') + "\n",  // no point
             priv,                                                     // the other kind
             pub + std::string(2000, 'a'),                             // too long
         }) {
        EXPECT_FALSE(ParsePublicKey(bad)) << bad;
    }
    EXPECT_FALSE(ParsePrivateKey(pub));
    EXPECT_FALSE(ParsePrivateKey(priv.substr(0, priv.size() - 20)));
}

TEST(SignatureFormatTest, SignatureFilesReadBackAndHostileOnesAreRefused) {
    const auto sig = ParseSignature(kOpenSslSignature);
    ASSERT_TRUE(sig);
    EXPECT_EQ(sig->name, "FileDefinition.dat");
    EXPECT_EQ(sig->version, 7);
    EXPECT_EQ(sig->length, 13);
    EXPECT_EQ(definitions::FormatSignature(*sig), kOpenSslSignature);

    const std::string good(kOpenSslSignature);
    const auto replaced = [&good](std::string_view from, std::string_view to) {
        std::string out = good;
        out.replace(out.find(from), from.size(), to);
        return out;
    };
    for (const std::string& bad : {
             std::string(),
             good.substr(0, good.find("signature ")),  // unsigned
             replaced("version 7", "version 07"),      // leading zero
             replaced("version 7", "version -7"),      // a sign
             replaced("version 7", "version 7 "),      // a blank after
             replaced("version 7", "version 99999999999999999999"),
             replaced("length 13", "length 67108865"),  // above the largest file
             replaced("length 13", "length 0x0d"),
             replaced("name FileDefinition.dat", "name ..\\FileDefinition.dat"),
             replaced("name FileDefinition.dat", "name "),
             replaced("name FileDefinition.dat", "name " + std::string(65, 'a')),
             replaced("name ", "name  "),
             replaced("sha256 7c", "sha256 7"),
             replaced("signature e9", "signature e9e9"),
             replaced("version 7\n", "length 13\nversion 7\n"),  // a line twice
             replaced("quellon-definition-signature 1", "quellon-definition-signature 2"),
             good + "extra\n",
             good + std::string(2000, '\n'),
         }) {
        EXPECT_FALSE(ParseSignature(bad)) << bad;
    }
}

TEST(SignatureTest, WhatTheBackendSignsVerifiesAndNothingElseDoes) {
    TestSigner signer;
    TestSigner stranger;
    const std::string bytes = "new.exe\r\n";
    const std::string sig = signer.Sign("ExeDefinition.dat", 3, bytes);
    ASSERT_TRUE(ParseSignature(sig));
    const auto good = definitions::CheckSignedFile(signer.Trust(), sig, "ExeDefinition.dat", bytes);
    EXPECT_TRUE(good.ok) << good.reason;
    EXPECT_EQ(good.signature.version, 3);
    // A second key beside the maker's does not hurt.
    const definitions::UpdateTrust both{signer.Signatures(),
                                        {stranger.Key().publicKey, signer.Key().publicKey}};
    EXPECT_TRUE(definitions::CheckSignedFile(both, sig, "ExeDefinition.dat", bytes).ok);

    EXPECT_FALSE(
        definitions::CheckSignedFile(stranger.Trust(), sig, "ExeDefinition.dat", bytes).ok);
    EXPECT_FALSE(definitions::CheckSignedFile(signer.Trust(), sig, "FileDefinition.dat", bytes).ok);
    EXPECT_FALSE(
        definitions::CheckSignedFile(signer.Trust(), sig, "ExeDefinition.dat", bytes + "x.exe\r\n")
            .ok);
    std::string flipped = bytes;
    flipped[1] = 'E';
    EXPECT_FALSE(
        definitions::CheckSignedFile(signer.Trust(), sig, "ExeDefinition.dat", flipped).ok);
    // Each field the signature covers: changed in clear, it no longer verifies.
    auto parsed = *ParseSignature(sig);
    for (int field = 0; field < 4; ++field) {
        auto changed = parsed;
        switch (field) {
            case 0:
                changed.version = 4;
                break;
            case 1:
                changed.length += 1;
                break;
            case 2:
                changed.sha256[0] ^= 1;
                break;
            case 3:
                changed.signature[40] ^= 1;
                break;
        }
        EXPECT_FALSE(definitions::CheckSignatureFile(
                         signer.Trust(), definitions::FormatSignature(changed), "ExeDefinition.dat")
                         .ok)
            << field;
    }
    // A key that is no point of the curve verifies nothing.
    platform::PublicKey offCurve = signer.Key().publicKey;
    offCurve.point[63] ^= 1;
    EXPECT_FALSE(
        signer.Signatures().Verify(offCurve, definitions::SignedText(parsed), parsed.signature));
    // A private key whose halves do not belong together signs nothing.
    platform::PrivateKey mismatched = signer.Key();
    mismatched.publicKey = stranger.Key().publicKey;
    EXPECT_FALSE(signer.Signatures().Sign(mismatched, "text"));
}

TEST(SignatureTest, ASignatureOpenSslMadeVerifiesHere) {
    TestSigner signer;
    const definitions::UpdateTrust trust{signer.Signatures(), {*ParsePublicKey(kOpenSslPublicKey)}};
    const auto check = definitions::CheckSignedFile(trust, kOpenSslSignature, "FileDefinition.dat",
                                                    kOpenSslSigned);
    EXPECT_TRUE(check.ok) << check.reason;
    EXPECT_EQ(
        signer.Signatures().Sha256("abc"),
        (platform::Sha256Digest{0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                                0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                                0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad}));
    EXPECT_FALSE(definitions::CheckSignedFile(trust, kOpenSslSignature, "FileDefinition.dat",
                                              "new.dll=Nex\r\n")
                     .ok);
}

TEST(SignatureTest, OnlyWellFormedPublicKeyFilesAreTrusted) {
    TempDir dir;
    TestSigner a, b;
    const auto write = [&dir](const std::string& name, const std::string& text) {
        std::ofstream(dir.path() / name, std::ios::binary) << text;
    };
    write("a.pub", platform::FormatPublicKey(a.Key().publicKey));
    write("b.pub", platform::FormatPublicKey(b.Key().publicKey));
    write("b.pub.txt", platform::FormatPublicKey(b.Key().publicKey));  // not *.pub
    write("c.pub", "not a key");
    write("d.key", platform::FormatPrivateKey(a.Key()));
    std::filesystem::create_directory(dir.path() / "e.pub");
    const auto keys = definitions::LoadTrustedKeys(dir.path());
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0], a.Key().publicKey);
    EXPECT_EQ(keys[1], b.Key().publicKey);
    EXPECT_TRUE(definitions::LoadTrustedKeys(dir.path() / "missing").empty());
}

}  // namespace
}  // namespace quellon::testing
