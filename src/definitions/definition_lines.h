// The syntax of a decoded line of the file and registry definitions.
#pragma once

#include <string_view>

namespace quellon::definitions {

// file name "=" spyware name [ "|" folder ]: split at the first "|", the
// text before it at its first "="; the spyware name runs to the next "=".
struct FileDefinitionLine {
    std::string_view fileName;
    std::string_view spywareName;
    bool hasFolder = false;
    std::string_view folder;
};
FileDefinitionLine SplitFileDefinition(std::string_view line);

// hive digit "^" sub-key "^" value name "=" spyware name: the spyware name
// follows the last "=" (trimmed), the entry before it splits at "^". A line
// without "=" has an empty entry.
struct RegistryDefinitionLine {
    std::string_view hiveDigit;
    std::string_view subKey;
    std::string_view valueName;
    std::string_view spywareName;
};
RegistryDefinitionLine SplitRegistryDefinition(std::string_view line);

}  // namespace quellon::definitions
