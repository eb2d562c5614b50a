#include "definitions/definition_lines.h"

#include "common/text.h"

namespace quellon::definitions {

FileDefinitionLine SplitFileDefinition(std::string_view line) {
    // One pass: the first "|" and the first two "=" before it.
    size_t bar = std::string_view::npos;
    size_t eq = std::string_view::npos;
    size_t next = std::string_view::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (ch == '|') {
            bar = i;
            break;
        }
        if (ch == '=' && next == std::string_view::npos) {
            (eq == std::string_view::npos ? eq : next) = i;
        }
    }
    FileDefinitionLine out;
    const std::string_view before = line.substr(0, bar);
    if (bar != std::string_view::npos) {
        out.hasFolder = true;
        out.folder = line.substr(bar + 1);
    }
    out.fileName = before.substr(0, eq);
    if (eq != std::string_view::npos) {
        out.spywareName = before.substr(
            eq + 1, next == std::string_view::npos ? std::string_view::npos : next - eq - 1);
    }
    return out;
}

RegistryDefinitionLine SplitRegistryDefinition(std::string_view line) {
    RegistryDefinitionLine out;
    const size_t eq = line.rfind('=');
    if (eq == std::string_view::npos) {
        return out;
    }
    out.spywareName = text::TrimView(line.substr(eq + 1));
    const std::string_view entry = line.substr(0, eq);
    std::string_view* pieces[] = {&out.hiveDigit, &out.subKey, &out.valueName};
    size_t count = 0;
    for (size_t from = 0; count < 3;) {
        const size_t cut = entry.find('^', from);
        *pieces[count++] = entry.substr(from, cut == std::string_view::npos ? cut : cut - from);
        if (cut == std::string_view::npos) {
            break;
        }
        from = cut + 1;
    }
    return out;
}

}  // namespace quellon::definitions
