// The program's texts are ANSI (Windows-1252) byte strings; window texts are
// UTF-16. Conversions happen here, at the binding, and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace quellon::gui::win32 {

// ANSI text as a window shows it.
std::wstring Wide(std::string_view ansi);
// A window's text as the program keeps it; characters without an ANSI form
// become '?'.
std::string Ansi(std::wstring_view wide);
// ANSI text as a button, check box or menu item shows it: a '&' shows as
// itself instead of marking a mnemonic.
std::wstring WideCaption(std::string_view ansi);
// ANSI text for a multi-line edit: every line ends in CR LF, whichever of
// CR, LF or CR LF the text used.
std::wstring WideLines(std::string_view ansi);

}  // namespace quellon::gui::win32
