// A downloaded definition file before it may be installed: the check gives
// a reason for every refusal, and a file it passes has complete lines, each
// of them a line of its kind.
#include "definitions/definition_check.h"
#include "common/lines.h"
#include "definitions/codec.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.Byte();
    const auto kind = static_cast<definitions::Kind>(choice % 4);
    const bool emptyAllowed = (choice & 4) != 0;
    const std::string_view bytes = in.Rest();
    const definitions::DefinitionCheck check =
        definitions::CheckDefinitionFile(kind, bytes, emptyAllowed);
    FUZZ_CHECK(check.status.ok() || !check.status.reason().empty());
    FUZZ_CHECK(!check.status.ok() || check.line == 0);
    if (check.status.ok()) {
        FUZZ_CHECK(bytes.empty() ? emptyAllowed : bytes.ends_with("\r\n"));
        for (const std::string& line : lines::SplitLines(bytes)) {
            FUZZ_CHECK(
                definitions::IsDefinitionLine(kind, definitions::DecodeDefinitionLine(line)));
        }
    }
    return 0;
}
