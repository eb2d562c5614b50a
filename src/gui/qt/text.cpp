#include "gui/qt/text.h"

#include <array>

namespace quellon::gui {
namespace {

// Windows-1252 0x80..0x9F; the five unassigned codes keep their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t Decode(unsigned char c) {
    return c >= 0x80 && c <= 0x9F ? kHigh[c - 0x80] : static_cast<char16_t>(c);
}

}  // namespace

QString ToQt(std::string_view ansi) {
    QString out;
    out.reserve(static_cast<qsizetype>(ansi.size()));
    for (size_t i = 0; i < ansi.size(); ++i) {
        const char c = ansi[i];
        if (c == '\r') {
            out += QChar(u'\n');
            if (i + 1 < ansi.size() && ansi[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        out += QChar(Decode(static_cast<unsigned char>(c)));
    }
    return out;
}

QString ToQtCaption(std::string_view ansi) {
    QString text = ToQt(ansi);
    text.replace(u'&', QStringLiteral("&&"));
    return text;
}

std::string FromQt(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += static_cast<char>(u);
            continue;
        }
        char mapped = '?';
        for (size_t i = 0; i < kHigh.size(); ++i) {
            if (kHigh[i] == u) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out += mapped;
    }
    return out;
}

}  // namespace quellon::gui
