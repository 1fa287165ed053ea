#include "gui/resources.h"

#include <QSize>
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
    const QIcon scalable(QStringLiteral(":/images/quenby.svg"));
    if (!scalable.pixmap(32).isNull()) {
        return scalable;
    }
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/images/quenby-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace quenby::gui
