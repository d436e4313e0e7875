#include "app/AppIcon.h"

#include <QImage>
#include <QPixmap>

// Outside any namespace, as Qt's resource initialiser requires.
static void InitAppResources() {
    Q_INIT_RESOURCE(orvalen);
}

QIcon AppIcon() {
    // The resources live in a static library, whose initialiser the linker would otherwise drop.
    InitAppResources();
    // Read as the PNG it is: naming the format spares asking every image plugin whether it knows
    // the file, which the window's start-up would otherwise wait for.
    return QIcon(QPixmap::fromImage(QImage(QStringLiteral(":/orvalen/orvalen.png"), "PNG")));
}
