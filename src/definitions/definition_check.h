// Whether bytes are a complete, well-formed definition file of a kind: what a
// download must be before it may become a "DL" file, and a "DL" file before
// it may replace its live file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/result.h"
#include "definitions/definition_set.h"

namespace quellon::definitions {

struct DefinitionCheck {
    // Fine, or why the file was refused, for people.
    Status status = Status::Ok();
    // The refused line (1-based); 0 when the whole file was refused or it is fine.
    std::size_t line = 0;
};

// A definition file is complete and well-formed when
// - it is not an HTML page (its first non-blank byte is not "<");
// - every line, the last one too, ends in CR LF and no line is empty: the
//   files are written that way, and the last line's CR LF is what tells a
//   whole file from one cut short when no length was announced;
// - every line, decoded with DecodeDefinitionLine, parses as a line of its
//   kind (IsDefinitionLine);
// - no line names what a definition may not (DefinitionLineRefusal: a path
//   outside the Windows machine, a protected registry key deleted whole),
//   with `hostRootDrives` as the drives that map the host's root ("Z",
//   Wine's, unless told);
// - it is empty only when `emptyAllowed` (the live file it would replace
//   is there and empty).
// A refused line is named by its number in `line` and in the reason.
DefinitionCheck CheckDefinitionFile(Kind kind, std::string_view bytes, bool emptyAllowed,
                                    std::string_view hostRootDrives);
DefinitionCheck CheckDefinitionFile(Kind kind, std::string_view bytes, bool emptyAllowed);

// What a "DL" file that fails the check at start is renamed to: "DL" + name
// + this (an older one of that name goes), so that it is never installed and
// can still be looked at.
inline constexpr std::string_view kRejectedSuffix = ".rejected";

// Whether the live file at `path` is there and empty, which is when an empty
// download may replace it.
bool LiveFileIsEmpty(platform::FileSystem& fs, std::string_view path);

// One decoded line of a kind:
// - file: file name ["=" spyware name] ["|" folder], with a file name, and
//   no character a Windows path cannot hold;
// - registry: hive digit 0-5 "^" sub-key "^" value name "=" spyware name,
//   with a sub-key;
// - executable: one file name without a folder;
// - cookie: one domain pattern, without blanks.
// No kind holds control characters.
bool IsDefinitionLine(Kind kind, std::string_view decoded);

}  // namespace quellon::definitions
