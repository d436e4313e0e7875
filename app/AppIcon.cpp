#include "app/AppIcon.h"

// Outside any namespace, as Qt's resource initialiser requires.
static void InitAppResources() {
    Q_INIT_RESOURCE(orvalen);
}

QIcon AppIcon() {
    // The resources live in a static library, whose initialiser the linker would otherwise drop.
    InitAppResources();
    return QIcon(QStringLiteral(":/orvalen/orvalen.png"));
}
