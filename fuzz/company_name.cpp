// An executable's version data: the company name found while the file
// streams past in pieces is the one found in the whole file. The first byte
// chooses the size of the pieces.
#include "scan/company_name.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    fuzz::Input in(data, size);
    const size_t piece = 1 + in.Byte() % 64;
    const std::string_view file = in.Rest();
    const std::string whole = scan::CompanyNameFromBytes(file);
    scan::CompanyNameSearch search;
    for (size_t at = 0; at < file.size(); at += piece) {
        search.Feed(file.substr(at, piece));
    }
    FUZZ_CHECK(search.Finish() == whole);
    FUZZ_CHECK(whole.find('\0') == std::string::npos);
    return 0;
}
