// Conversions between the engine's ANSI byte strings (Windows-1252) and the
// toolkit's strings.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace quellon::gui {

// Windows-1252 text as shown on screen; CR LF and lone CR become line breaks.
QString ToQt(std::string_view ansi);
// The same for a button or menu caption: "&" is shown, not taken as a mnemonic.
QString ToQtCaption(std::string_view ansi);
// Back to Windows-1252; characters it lacks become "?".
std::string FromQt(const QString& text);

}  // namespace quellon::gui
