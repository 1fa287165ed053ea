#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>

#include "windows/messagelines.h"

namespace quenby::gui {

// Text for the inside of an RTF group: "\", "{" and "}" escaped, a tab as
// \tab, other control characters dropped, everything beyond ASCII as
// \uN? (N the signed UTF-16 unit, "?" what readers without Unicode show).
QByteArray EscapeRtfText(QStringView text);

// A whole RTF document: the lines in the given font, one paragraph each.
QByteArray LinesToRtf(const TMessageLines& lines, const QFont& font);

}  // namespace quenby::gui
