// QuarantineLog.txt as a restore reads it: no more places than file
// entries, and a copy's name finds the same place in any case.
#include "removal/quarantine_log.h"
#include "common/lines.h"
#include "common/text.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = lines::SplitLines(bytes);
    removal::QuarantineLogReader log;
    size_t fileEntries = 0;
    for (const std::string& line : lines) {
        log.Line(line);
        fileEntries += line.find(removal::kLogFileMark) != std::string::npos;
    }
    FUZZ_CHECK(log.Count() <= fileEntries);
    for (const std::string& line : lines) {
        const size_t mark = line.find(removal::kLogFileMark);
        if (mark == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(mark + removal::kLogFileMark.size());
        const auto lower = log.Find(text::Lower(name));
        const auto upper = log.Find(text::Upper(name));
        FUZZ_CHECK(lower.has_value() == upper.has_value());
        if (lower) {
            FUZZ_CHECK(lower->location == upper->location);
        }
    }
    return 0;
}
