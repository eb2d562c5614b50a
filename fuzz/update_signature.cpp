// The signature files that come with downloaded definition files, and the
// key files in UpdateKeys: what either reader accepts is written back, read
// again, the same, byte for byte where the input was already canonical.
#include "definitions/definition_signature.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.Byte();
    const std::string_view text = in.Rest();
    switch (choice % 3) {
        case 0:
            if (const auto sig = definitions::ParseSignature(text)) {
                const std::string written = definitions::FormatSignature(*sig);
                const auto again = definitions::ParseSignature(written);
                FUZZ_CHECK(again.has_value());
                FUZZ_CHECK(definitions::FormatSignature(*again) == written);
                FUZZ_CHECK(sig->length >= 0 && sig->length <= definitions::kMaxSignedLength);
                FUZZ_CHECK(!sig->name.empty() &&
                           sig->name.find_first_of("\\/: ") == std::string::npos);
                FUZZ_CHECK(written.size() <= text.size() + 2 * 6);
            }
            break;
        case 1:
            if (const auto key = platform::ParsePublicKey(text)) {
                const auto again = platform::ParsePublicKey(platform::FormatPublicKey(*key));
                FUZZ_CHECK(again.has_value() && *again == *key);
            }
            break;
        default:
            if (const auto key = platform::ParsePrivateKey(text)) {
                const auto again = platform::ParsePrivateKey(platform::FormatPrivateKey(*key));
                FUZZ_CHECK(again.has_value() && again->scalar == key->scalar &&
                           again->publicKey == key->publicKey);
            }
            break;
    }
    return 0;
}
