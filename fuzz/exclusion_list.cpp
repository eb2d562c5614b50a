// ENoSignature.txt: the in-memory list built from any file holds each line
// trimmed, newest first, and finds every line it holds.
#include "definitions/exclusion_list.h"
#include "common/lines.h"
#include "common/text.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> fileLines = lines::SplitLines(bytes);
    fuzz::NoHost host;
    fuzz::NoFiles files;
    definitions::ExclusionList list(files, host, "C:\\");
    list.Build(fileLines);
    std::string expected;
    for (auto it = fileLines.rbegin(); it != fileLines.rend(); ++it) {
        expected += text::TrimView(*it);
        expected += "\r\n";
    }
    FUZZ_CHECK(list.Text() == expected);
    for (const std::string& line : fileLines) {
        const std::string_view entry = text::TrimView(line);
        FUZZ_CHECK(list.IsExcludedEntry(entry));
        FUZZ_CHECK(list.IsExcludedEntry(text::Upper(entry)));
        list.IsExcluded(entry);
    }
    // The empty piece after the last line end is always there.
    FUZZ_CHECK(list.IsExcludedEntry(""));
    list.IsExcluded(bytes);
    return 0;
}
