#pragma once

#include <QIcon>

namespace quenby::gui {

// Registers the images and icons compiled into the GUI library. A static
// library's resources are not registered on their own; calling this more
// than once is harmless.
void InitResources();

// Quenby's icon for the title bar and the task bar: the scalable picture
// where Qt can draw SVG (Debian's libqt6svg6 brings the plugin), else its
// renderings in the common sizes (the static Windows Qt has no SVG module).
QIcon ApplicationIcon();

}  // namespace quenby::gui
