// A cookie file read for its domain: the key is the input's first line (as
// a cookie file's name gives it), the file the rest. The domain is "False"
// or a part of one field, from the key up to the first "/".
#include "fuzz.h"
#include "scan/scanners.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    fuzz::Input in(data, size);
    const std::string key = scan::GetCookieKey(in.Until('\n'));
    const std::string_view file = in.Rest();
    const std::string domain = scan::CookieDomainFromBytes(key, file);
    if (domain == "False") {
        return 0;  // none found (or a domain spelled so: either way nothing to check)
    }
    FUZZ_CHECK(domain.find_first_of("/,\r\n") == std::string::npos);
    // It starts with the key (or, for a key holding a "/", is the key's start).
    FUZZ_CHECK(domain.compare(0, key.size(), key) == 0 ||
               key.compare(0, domain.size(), domain) == 0);
    FUZZ_CHECK(file.find(domain + "/") != std::string_view::npos);
    return 0;
}
