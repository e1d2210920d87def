#include "Resources.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void initTovrinResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tk {

void initResources() {
    initTovrinResources();
}

QIcon programIcon() {
    QIcon icon(QStringLiteral(":/tovrin/tovrin-icon.svg"));
    icon.addFile(QStringLiteral(":/tovrin/tovrin-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/tovrin/tovrin-32.png"), QSize(32, 32));
    return icon;
}

} // namespace tk
