// registry.reg as the Linux backend reads it (ANSI or UTF-16LE with its byte
// order mark): whatever the bytes, the registry it reads writes out as a
// file that reads back as the same registry.
#include "formats/reg_file.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon::formats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    reg::File first;
    reg::Parse(bytes, first);
    const std::string written = reg::Write(first);
    reg::File second;
    reg::Parse(written, second);
    FUZZ_CHECK(second.utf16 == first.utf16);
    FUZZ_CHECK(reg::Write(second) == written);
    return 0;
}
