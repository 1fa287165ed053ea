#include "gui/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used from outside any namespace.
static void InitQuenbyResources() {
    Q_INIT_RESOURCE(quenby);
}

namespace quenby::gui {

void InitResources() {
    InitQuenbyResources();
}

}  // namespace quenby::gui
