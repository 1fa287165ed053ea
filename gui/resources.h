#pragma once

namespace quenby::gui {

// Registers the images and icons compiled into the GUI library. A static
// library's resources are not registered on their own; calling this more
// than once is harmless.
void InitResources();

}  // namespace quenby::gui
