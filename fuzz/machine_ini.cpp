// machine.ini: any bytes give a machine with every folder named and each
// drive letter typed at most once.
#include <set>

#include "fuzz.h"
#include "platform/posix/backend.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const posix::MachineConfig config = posix::MachineConfig::Parse(bytes);
    for (const std::string* folder :
         {&config.windows, &config.system, &config.desktop, &config.cookies, &config.programs}) {
        FUZZ_CHECK(!folder->empty());
    }
    std::set<char> letters;
    for (const auto& [letter, type] : config.driveTypes) {
        FUZZ_CHECK(letter >= 'A' && letter <= 'Z');
        FUZZ_CHECK(letters.insert(letter).second);
    }
    return 0;
}
