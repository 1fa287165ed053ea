#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quenby::gui {

// A hint reads "Title|Text" or "Title|Text|ImageIndex". As a tooltip it
// shows the title in bold above the text, and the image of that index of
// `images` (resource paths) beside them. A hint without "|" is shown as it
// is; an index outside `images` shows no image.
QString HintToToolTip(const QString& hint, const QStringList& images = {});

void SetHint(QWidget* widget, const QString& hint, const QStringList& images = {});

}  // namespace quenby::gui
