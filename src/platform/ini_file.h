// INI text: "[section]" lines and "key=value" lines, used by machine.ini and
// the settings store.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quellon::platform::ini {

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

}  // namespace quellon::platform::ini
