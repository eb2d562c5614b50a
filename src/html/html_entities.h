// The named character references of HTML ("&amp;", "&notin;" ...).
#pragma once

#include <span>

namespace quellon::html {

struct NamedReference {
    // The name after "&", with its ";" where it has one ("amp;"); the legacy
    // names that may stand without it are listed a second time without it.
    const char* name;
    char32_t first;
    char32_t second;  // 0 for a reference of one character
};

// Every reference, sorted by name (bytewise).
std::span<const NamedReference> NamedReferences();

}  // namespace quellon::html
