#include "definitions/definition_lines.h"

#include <bit>
#include <cstdint>

#include "common/byte_scan.h"
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
    // One pass, sixteen bytes at a time: the last "=" and the first three
    // "^" (those before that "=" end the pieces of the entry).
    size_t eq = std::string_view::npos;
    size_t carets[3];
    size_t caretCount = 0;
    auto take = [&](size_t at, std::uint32_t eqMask, std::uint32_t caretMask) {
        if (eqMask != 0) {
            eq = at + static_cast<size_t>(std::bit_width(eqMask)) - 1;
        }
        for (; caretMask != 0 && caretCount < 3; caretMask &= caretMask - 1) {
            carets[caretCount++] = at + static_cast<size_t>(std::countr_zero(caretMask));
        }
    };
    const char* p = line.data();
    size_t i = 0;
    for (; i + bytes::kBlock <= line.size(); i += bytes::kBlock) {
        take(i, bytes::MatchMask(p + i, '='), bytes::MatchMask(p + i, '^'));
    }
    if (i < line.size() && line.size() >= bytes::kBlock) {
        // The last sixteen bytes, less those the blocks before took.
        const size_t at = line.size() - bytes::kBlock;
        const auto fresh = [seen = i - at](std::uint32_t mask) { return mask >> seen << seen; };
        take(at, fresh(bytes::MatchMask(p + at, '=')), fresh(bytes::MatchMask(p + at, '^')));
    } else {
        for (; i < line.size(); ++i) {
            take(i, p[i] == '=' ? 1u : 0u, p[i] == '^' ? 1u : 0u);
        }
    }
    RegistryDefinitionLine out;
    if (eq == std::string_view::npos) {
        return out;
    }
    out.spywareName = text::TrimView(line.substr(eq + 1));
    const std::string_view entry = line.substr(0, eq);
    std::string_view* pieces[] = {&out.hiveDigit, &out.subKey, &out.valueName};
    size_t from = 0;
    for (size_t k = 0; k < 3; ++k) {
        const bool cut = k < caretCount && carets[k] < eq;
        if (!cut) {
            *pieces[k] = entry.substr(from);
            break;
        }
        *pieces[k] = entry.substr(from, carets[k] - from);
        from = carets[k] + 1;
    }
    return out;
}

}  // namespace quellon::definitions
