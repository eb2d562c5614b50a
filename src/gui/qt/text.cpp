#include "gui/qt/text.h"

#include "common/ansi.h"

namespace quellon::gui {
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
        out += QChar(ansi::ToUnicode(static_cast<unsigned char>(c)));
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
        out += ansi::FromUnicode(qc.unicode());
    }
    return out;
}

}  // namespace quellon::gui
