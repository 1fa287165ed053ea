#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace quenby::gui {

// The families to ask for where a layout names `designFamily`: that family
// first, then the desktop's own font, then sans-serif families that Linux
// desktops carry, and the generic "sans-serif" last. Fontconfig's answer for
// a missing family or for "sans-serif" alone may be a serif or fixed-width
// face when the usual ones are not installed, so we name them ourselves.
QStringList SansSerifFamilies(const QString& designFamily);

// `font` asking for SansSerifFamilies of its family; size and style stay.
QFont WithSansSerifFallback(QFont font);

// Gives the application's font (message boxes, file dialogs, help) the
// same fallback. Call once the application object exists.
void UseSansSerifApplicationFont();

}  // namespace quenby::gui
