#include "gui/resources.h"

#include <QString>
#include <QtGlobal>

// Q_INIT_RESOURCE must be used from outside any namespace.
static void InitQuenbyResources() {
    Q_INIT_RESOURCE(quenby);
}

namespace quenby::gui {

void InitResources() {
    InitQuenbyResources();
}

QIcon ApplicationIcon() {
    InitResources();
    return QIcon(QStringLiteral(":/images/quenby.svg"));
}

}  // namespace quenby::gui
