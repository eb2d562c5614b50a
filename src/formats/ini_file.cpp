#include "formats/ini_file.h"

#include <algorithm>

#include "common/lines.h"
#include "common/text.h"

namespace quellon::formats::ini {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<Entry> Parse(std::string_view text) {
    std::vector<Entry> entries;
    std::string section;
    for (const std::string& raw : lines::SplitLines(text)) {
        std::string_view line = text::TrimBlanksAndTabs(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                section = std::string(text::TrimBlanksAndTabs(line.substr(1, close - 1)));
            }
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        entries.push_back({section, std::string(text::TrimBlanksAndTabs(line.substr(0, eq))),
                           std::string(text::TrimBlanksAndTabs(line.substr(eq + 1)))});
    }
    return entries;
}

const Entry* Find(const std::vector<Entry>& entries, std::string_view section,
                  std::string_view key) {
    for (const Entry& e : entries) {
        if (text::EqualsNoCase(e.section, section) && text::EqualsNoCase(e.key, key)) {
            return &e;
        }
    }
    return nullptr;
}

std::string Escape(std::string_view raw) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    size_t firstKept = 0;
    while (firstKept < raw.size() && IsBlank(raw[firstKept])) {
        ++firstKept;
    }
    size_t lastKept = raw.size();
    while (lastKept > firstKept && IsBlank(raw[lastKept - 1])) {
        --lastKept;
    }
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        bool risky = c < 0x20 || c == 0x7F || c == '%' || c == '=' || c == ';' || c == '#' ||
                     c == '[' || c == ']' || i < firstKept || i >= lastKept;
        if (risky) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Unescape(std::string_view escaped) {
    std::string out;
    out.reserve(escaped.size());
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '%' && i + 2 < escaped.size()) {
            int hi = text::HexDigitValue(escaped[i + 1]);
            int lo = text::HexDigitValue(escaped[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += escaped[i];
    }
    return out;
}

std::vector<Section> ReadSections(std::string_view bytes) {
    std::vector<Section> sections;
    for (const Entry& e : Parse(bytes)) {
        std::string sectionName = Unescape(e.section);
        std::string key = Unescape(e.key);
        auto section = std::find_if(sections.begin(), sections.end(), [&](const Section& s) {
            return text::EqualsNoCase(s.name, sectionName);
        });
        if (section == sections.end()) {
            sections.push_back({std::move(sectionName), {}});
            section = sections.end() - 1;
        }
        const bool known =
            std::any_of(section->entries.begin(), section->entries.end(),
                        [&](const auto& kv) { return text::EqualsNoCase(kv.first, key); });
        if (!known) {
            section->entries.emplace_back(std::move(key), Unescape(e.value));
        }
    }
    return sections;
}

std::string WriteSections(const std::vector<Section>& sections) {
    std::string out;
    for (const Section& s : sections) {
        if (!out.empty()) {
            out += '\n';
        }
        out += '[' + Escape(s.name) + "]\n";
        for (const auto& [key, value] : s.entries) {
            out += Escape(key) + '=' + Escape(value) + '\n';
        }
    }
    return out;
}

}  // namespace quellon::formats::ini
