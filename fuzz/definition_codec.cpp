// A definition line: decoding keeps its length, and a plain line that can
// be stored decodes back to itself.
#include "definitions/codec.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string decoded = definitions::DecodeDefinitionLine(line);
    FUZZ_CHECK(decoded.size() == line.size());
    std::string inPlace(line);
    definitions::DecodeInPlace(inPlace);
    FUZZ_CHECK(inPlace == decoded);
    // Decoded text holds no stored letters or digits.
    for (char c : decoded) {
        const auto b = static_cast<unsigned char>(c);
        FUZZ_CHECK(b < 192 || b > 253);
    }
    bool lossless = true;
    const std::string encoded = definitions::EncodeDefinitionLine(line, &lossless);
    FUZZ_CHECK(encoded.size() == line.size());
    bool storable = true;
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        storable = storable && (b < 192 || b > 253);
    }
    FUZZ_CHECK(lossless == storable);
    if (lossless) {
        FUZZ_CHECK(definitions::DecodeDefinitionLine(encoded) == line);
    }
    return 0;
}
