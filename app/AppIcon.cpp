#include "app/AppIcon.h"

#include <QImage>
#include <QPixmap>
#include <QResource>
#include <cstring>

namespace {

constexpr int kIconSide = 128;
constexpr qint64 kIconBytes = qint64{kIconSide} * kIconSide * 4;

}  // namespace

// Outside any namespace, as Qt's resource initialiser requires.
static void InitAppResources() {
    Q_INIT_RESOURCE(orvalen);
}

QIcon AppIcon() {
    // The resources live in a static library, whose initialiser the linker would otherwise drop.
    InitAppResources();
    const QResource pixels(QStringLiteral(":/orvalen/orvalen.rgba"));
    if (pixels.compressionAlgorithm() != QResource::NoCompression || pixels.size() != kIconBytes)
        return QIcon();
    // Copied into an image of its own: the resource's bytes need not be aligned as QImage
    // requires, and an image of this width has no padding at the rows' ends.
    QImage image(kIconSide, kIconSide, QImage::Format_RGBA8888);
    std::memcpy(image.bits(), pixels.data(), kIconBytes);
    return QIcon(QPixmap::fromImage(std::move(image)));
}
