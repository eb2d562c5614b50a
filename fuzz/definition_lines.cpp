// Definition files as the scanners read them: every line decoded and split
// as a file, a registry and an executable definition. The pieces are parts
// of the line, in its order, and the first executable name matches itself.
#include "definitions/definition_lines.h"
#include "common/lines.h"
#include "common/text.h"
#include "definitions/codec.h"
#include "definitions/exclusion_list.h"
#include "fuzz.h"

namespace {

using namespace quellon;

// Whether `piece` lies inside `line` (a view into it).
bool Inside(std::string_view piece, std::string_view line) {
    return piece.empty() || (piece.data() >= line.data() &&
                             piece.data() + piece.size() <= line.data() + line.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string exeText;
    std::string firstName;
    for (std::string& line : lines::SplitLines(bytes)) {
        definitions::DecodeInPlace(line);
        const auto file = definitions::SplitFileDefinition(line);
        FUZZ_CHECK(Inside(file.fileName, line) && Inside(file.spywareName, line) &&
                   Inside(file.folder, line));
        FUZZ_CHECK(file.fileName.find('|') == std::string_view::npos);
        FUZZ_CHECK(file.fileName.find('=') == std::string_view::npos);
        FUZZ_CHECK(file.hasFolder == (line.find('|') != std::string::npos));
        if (file.hasFolder) {
            FUZZ_CHECK(file.folder == std::string_view(line).substr(line.find('|') + 1));
        }
        const auto reg = definitions::SplitRegistryDefinition(line);
        FUZZ_CHECK(Inside(reg.hiveDigit, line) && Inside(reg.subKey, line) &&
                   Inside(reg.valueName, line) && Inside(reg.spywareName, line));
        FUZZ_CHECK(reg.spywareName.find('=') == std::string_view::npos);
        FUZZ_CHECK(reg.hiveDigit.find('^') == std::string_view::npos &&
                   reg.subKey.find('^') == std::string_view::npos);
        if (firstName.empty() && !text::TrimView(line).empty() &&
            line.find_first_of("\r\n") == std::string::npos) {
            firstName = line;
        }
        exeText += line;
        exeText += "\r\n";
    }
    const std::string upper = text::Upper(exeText);
    if (!firstName.empty() && text::StartsWithNoCase(exeText, firstName)) {
        FUZZ_CHECK(definitions::MatchesFirstOccurrence(upper, firstName));
    }
    definitions::MatchesFirstOccurrence(upper, bytes);
    return 0;
}
