// Blocked-cookie patterns: the grouped search for the first matching
// pattern gives what trying each pattern in turn gives. The input is
// patterns, one a line, with the domain on the last line.
#include <vector>

#include "common/pattern.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    quellon::fuzz::Input in(data, size);
    std::vector<std::string_view> patterns;
    while (!in.Empty()) {
        patterns.push_back(in.Until('\n'));
    }
    if (patterns.empty()) {
        return 0;
    }
    const std::string_view domain = patterns.back();
    patterns.pop_back();
    size_t expected = pattern::FirstMatch::kNone;
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (pattern::Like(domain, patterns[i])) {
            expected = i;
            break;
        }
    }
    const pattern::FirstMatch first(patterns);
    FUZZ_CHECK(first.Find(domain) == expected);
    return 0;
}
