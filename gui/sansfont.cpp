#include "gui/sansfont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

namespace quenby::gui {
namespace {

// Widespread first; Arimo and Liberation Sans share their widths, as do the
// Nimbus faces.
const char* const kKnownSansFamilies[] = {
    "DejaVu Sans", "Liberation Sans", "Arimo",    "Cantarell", "Noto Sans",
    "Nimbus Sans", "Nimbus Sans L",   "FreeSans", "Ubuntu",    "Open Sans",
    "Verdana",     "Arial",           "Helvetica"};

// True when the family is installed under that name and proportional: a
// desktop's font names such as "Sans Serif" are fontconfig's guesses, not
// families.
bool IsInstalledProportional(const QString& family) {
    const QFontInfo info{QFont(family)};
    return info.family().compare(family, Qt::CaseInsensitive) == 0 && !info.fixedPitch();
}

}  // namespace

QStringList SansSerifFamilies(const QString& designFamily) {
    QStringList families;
    if (!designFamily.isEmpty()) {
        families << designFamily;
    }
    const QString desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    if (!families.contains(desktop, Qt::CaseInsensitive) && IsInstalledProportional(desktop)) {
        families << desktop;
    }
    for (const char* known : kKnownSansFamilies) {
        const QString family = QString::fromLatin1(known);
        if (!families.contains(family, Qt::CaseInsensitive)) {
            families << family;
        }
    }
    families << QStringLiteral("sans-serif");
    return families;
}

QFont WithSansSerifFallback(QFont font) {
    font.setFamilies(SansSerifFamilies(font.family()));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void UseSansSerifApplicationFont() {
    QApplication::setFont(WithSansSerifFallback(QApplication::font()));
}

}  // namespace quenby::gui
