// INI text: "[section]" lines and "key=value" lines, used by machine.ini and
// the settings store.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellon::formats::ini {

struct Entry {
    std::string section, key, value;
};

// Every "key=value" line in file order with the section it belongs to.
// Blanks around section names, keys and values are dropped; lines starting
// with ";" or "#" and lines without "=" are ignored. Keys before the first
// section belong to the section "".
std::vector<Entry> Parse(std::string_view text);

// A section or key looked up without regard to case: the first value.
const Entry* Find(const std::vector<Entry>& entries, std::string_view section,
                  std::string_view key);

// Escapes the bytes that INI syntax would lose or misread as %XX: "%", "=",
// ";", "#", "[", "]", control bytes, and blanks at either end. Other bytes,
// non-ASCII ones included, stay raw.
std::string Escape(std::string_view raw);
// Reverses Escape; a "%" not followed by two hex digits stays as it is.
std::string Unescape(std::string_view escaped);

// A file of the settings store: sections in first-seen order, each with its
// keys in first-seen order, names and values unescaped. A section or key
// seen again (without regard to case) adds nothing: the first one holds.
struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};
std::vector<Section> ReadSections(std::string_view bytes);
// The file's text: every name and value escaped, so that it reads back as
// it was.
std::string WriteSections(const std::vector<Section>& sections);

}  // namespace quellon::formats::ini
