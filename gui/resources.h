#pragma once

#include <QIcon>

namespace quenby::gui {

// Registers the images and icons compiled into the GUI library. A static
// library's resources are not registered on their own; calling this more
// than once is harmless.
void InitResources();

// Quenby's icon for the title bar and the task bar. It is drawn as SVG, so
// it needs Qt's SVG icon plugin (Debian's libqt6svg6); without it the icon
// is empty.
QIcon ApplicationIcon();

}  // namespace quenby::gui
