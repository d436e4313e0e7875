#include "spectrum/SpectrumFiles.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <memory>

#include "spectrum/GifWriter.h"
#include "spectrum/SpectrumCsv.h"
#include "spectrum/SpectrumMapping.h"
#include "spectrum/SpectrumStore.h"

namespace {

enum class SaveFormat { Png, Jpeg, Gif, Bmp, Csv };

// Only the exact lower-case extensions pick a picture format; "PNG" or "jpeg" get CSV text.
SaveFormat SaveFormatOf(const QString& extension) {
    if (extension == QLatin1String("png")) return SaveFormat::Png;
    if (extension == QLatin1String("jpg")) return SaveFormat::Jpeg;
    if (extension == QLatin1String("gif")) return SaveFormat::Gif;
    if (extension == QLatin1String("bmp")) return SaveFormat::Bmp;
    return SaveFormat::Csv;
}

// The text after the last dot of the file name, without the dot.
QString ExtensionOf(const QString& path) {
    return QFileInfo(path).suffix();
}

bool WritePicture(const QImage& picture, SaveFormat format, QIODevice& device) {
    switch (format) {
        case SaveFormat::Png:
            return QImageWriter(&device, "png").write(picture);
        case SaveFormat::Jpeg:
            return QImageWriter(&device, "jpeg").write(picture);
        case SaveFormat::Bmp:
            return QImageWriter(&device, "bmp").write(picture);
        case SaveFormat::Gif:
            return WriteGif(picture, device);
        case SaveFormat::Csv:
            break;
    }
    return false;
}

bool WriteContents(const SpectrumStore& store, SaveFormat format, QIODevice& device) {
    if (format == SaveFormat::Csv) {
        const QByteArray csv = BuildSpectrumCsv(store);
        return device.write(csv) == csv.size();
    }
    const QImage* picture = store.Picture();
    return picture && WritePicture(*picture, format, device);
}

// A picture keeps 24 bits per pixel, or 32 with its alpha; other depths are held in 32 bits.
QImage HeldDepth(QImage image) {
    switch (image.format()) {
        case QImage::Format_RGB888:
        case QImage::Format_ARGB32:
            return image;
        // What Qt decodes a file of 24 bits per pixel into.
        case QImage::Format_RGB32:
            return image.convertToFormat(QImage::Format_RGB888);
        default:
            return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                 : QImage::Format_RGB32);
    }
}

// The file's picture if it decodes to exactly the spectrum picture's size. The size is checked
// before decoding where the file tells it, so a large file is never decoded for nothing.
std::unique_ptr<QImage> ReadSpectrumPicture(const QString& path) {
    const QSize pictureSize(kPictureWidth, kPictureHeight);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (reader.size().isValid() && reader.size() != pictureSize) return nullptr;
    QImage image;
    if (!reader.read(&image) || image.size() != pictureSize) return nullptr;
    return std::make_unique<QImage>(HeldDepth(std::move(image)));
}

}  // namespace

void SaveSpectrumFile(const SpectrumStore& store, const QString& path) {
    // Written aside and moved into place when complete, so a failed save leaves no broken file.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return;
    if (WriteContents(store, SaveFormatOf(ExtensionOf(path)), file))
        file.commit();
    else
        file.cancelWriting();
}

void LoadSpectrumFile(SpectrumStore& store, const QString& path) {
    if (ExtensionOf(path) != QLatin1String("png")) return;
    store.ReplacePicture(ReadSpectrumPicture(path));
}
