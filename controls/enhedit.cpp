#include "controls/enhedit.h"

#include <QLocale>
#include <cmath>

TEnhancedEdit::TEnhancedEdit(QWidget* parent) : TEdit(parent) {
    SetValue(0);
}

double TEnhancedEdit::Value() const {
    QString input = text().trimmed();
    bool ok = false;
    double value = QLocale::system().toDouble(input, &ok);
    if (!ok) {
        // A number typed with the other decimal separator still counts.
        value = QLocale::c().toDouble(input.replace(QLatin1Char(','), QLatin1Char('.')), &ok);
    }
    return ok && std::isfinite(value) ? value : 0.0;
}

void TEnhancedEdit::SetValue(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    setText(locale.toString(value, 'g', 15));
}
