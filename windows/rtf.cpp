#include "windows/rtf.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <cmath>

namespace quenby::gui {

QByteArray EscapeRtfText(QStringView text) {
    QByteArray out;
    out.reserve(text.size() + 16);
    bool inUnicodeRun = false;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        // Each run of \uN? stands in a group of its own: some readers take
        // the text right after a fallback "?" for part of the control word.
        if (inUnicodeRun && unit < 0x80) {
            out += '}';
            inUnicodeRun = false;
        }
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (unit < 0x20) {
            // Line breaks are paragraphs, written by the caller.
            continue;
        } else if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else {
            // RTF numbers are signed 16-bit; surrogate halves go one by one.
            if (!inUnicodeRun) {
                out += '{';
                inUnicodeRun = true;
            }
            out += "\\u";
            out += QByteArray::number(static_cast<qint16>(unit));
            out += '?';
        }
    }
    if (inUnicodeRun) {
        out += '}';
    }
    return out;
}

QByteArray LinesToRtf(const TMessageLines& lines, const QFont& font) {
    const QFontInfo info(font);
    // Half-points; font pixels are taken at 96 per inch.
    const double pixels = info.pixelSize() > 0 ? info.pixelSize() : 13;
    const int halfPoints = static_cast<int>(std::lround(pixels * 72.0 / 96.0 * 2.0));
    const QString family = info.family().isEmpty() ? font.family() : info.family();
    // QFontInfo::fixedPitch() misreads some monospaced families; the
    // advances do not.
    const QFontMetrics metrics(font);
    const bool fixed = info.fixedPitch() || metrics.horizontalAdvance(QLatin1Char('i')) ==
                                                metrics.horizontalAdvance(QLatin1Char('W'));

    QByteArray rtf;
    rtf.reserve(256 + lines.Utf8Size() + 8 * lines.size());
    rtf += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0";
    rtf += fixed ? "\\fmodern" : "\\fnil";
    rtf += "\\fprq";
    rtf += fixed ? '1' : '2';
    rtf += "\\fcharset0 ";
    rtf += EscapeRtfText(family);
    rtf += ";}}\n\\viewkind4\\pard\\plain\\f0\\fs";
    rtf += QByteArray::number(halfPoints);
    rtf += '\n';
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The line break after \par ends the control word, so a line may
        // begin with anything, blanks included; readers skip the break.
        rtf += EscapeRtfText(lines[i]);
        rtf += "\\par\n";
    }
    rtf += "}\n";
    return rtf;
}

}  // namespace quenby::gui
