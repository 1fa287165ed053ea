#pragma once

#include <QIcon>

namespace quenby::gui {

// Registers the images and icons compiled into the GUI library. A static
// library's resources are not registered on their own; calling this more
// than once is harmless.
void InitResources();

// The application icon: the scalable picture where Qt can draw SVG, else its
// renderings in the common sizes (Qt's SVG support is a module of its own,
// which the static Windows Qt lacks).
QIcon ApplicationIcon();

}  // namespace quenby::gui
