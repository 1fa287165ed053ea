#include "gui/hints.h"

#include <QWidget>

namespace quenby::gui {

QString HintToToolTip(const QString& hint, const QStringList& images) {
    const QStringList parts = hint.split(QLatin1Char('|'));
    if (parts.size() < 2) {
        return hint;
    }
    // Rich text, so that plain "<" or "&" in a hint must be escaped.
    const QString text =
        QStringLiteral("<b>%1</b><br>%2").arg(parts[0].toHtmlEscaped(), parts[1].toHtmlEscaped());
    bool isNumber = false;
    const int index = parts.size() > 2 ? parts[2].trimmed().toInt(&isNumber) : -1;
    if (!isNumber || index < 0 || index >= images.size()) {
        return QStringLiteral("<qt>%1</qt>").arg(text);
    }
    return QStringLiteral(
               "<qt><table cellspacing=\"0\" cellpadding=\"2\"><tr>"
               "<td valign=\"top\"><img src=\"%1\"></td><td>%2</td></tr></table></qt>")
        .arg(images[index].toHtmlEscaped(), text);
}

void SetHint(QWidget* widget, const QString& hint, const QStringList& images) {
    widget->setToolTip(HintToToolTip(hint, images));
}

}  // namespace quenby::gui
