#include "gui/win32/text.h"

#include "common/ansi.h"

namespace quellon::gui::win32 {

std::wstring Wide(std::string_view ansi) {
    std::wstring out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        out += static_cast<wchar_t>(ansi::ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Ansi(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = static_cast<char16_t>(wide[i]);
        // A surrogate pair is one character: it gives one '?', not two.
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
            const char32_t low = static_cast<char16_t>(wide[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        out += ansi::FromUnicode(cp);
    }
    return out;
}

std::wstring WideCaption(std::string_view ansi) {
    std::wstring out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        if (c == '&') {
            out += L'&';
        }
        out += static_cast<wchar_t>(ansi::ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::wstring WideLines(std::string_view ansi) {
    std::wstring out;
    out.reserve(ansi.size() + ansi.size() / 32);
    for (size_t i = 0; i < ansi.size(); ++i) {
        const char c = ansi[i];
        if (c == '\r' || c == '\n') {
            out += L"\r\n";
            if (c == '\r' && i + 1 < ansi.size() && ansi[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        out += static_cast<wchar_t>(ansi::ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace quellon::gui::win32
