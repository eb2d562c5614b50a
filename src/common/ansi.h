// Conversions between the program's 8-bit ANSI text (Windows-1252) and the
// encodings of the outside world. Only backends and file readers need them.
#pragma once

#include <string>
#include <string_view>

namespace quellon::ansi {

// Windows-1252 bytes to UTF-8; the five unassigned codes map to U+0081 etc.
std::string ToUtf8(std::string_view ansi);
// UTF-8 to Windows-1252; characters outside the code page become '?'.
// Invalid UTF-8 bytes are taken as Windows-1252 bytes unchanged.
std::string FromUtf8(std::string_view utf8);
// UTF-16LE bytes (no byte-order mark) to Windows-1252.
std::string FromUtf16Le(std::string_view bytes);
// Windows-1252 to UTF-16LE bytes.
std::string ToUtf16Le(std::string_view ansi);

}  // namespace quellon::ansi
