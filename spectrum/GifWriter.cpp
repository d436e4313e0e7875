#include "spectrum/GifWriter.h"

#include <gif_lib.h>

#include <memory>
#include <vector>

namespace {

int WriteToDevice(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return static_cast<int>(device->write(reinterpret_cast<const char*>(bytes), length));
}

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct ColourMapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// The palette padded to the power of two that GIF colour tables must have.
std::unique_ptr<ColorMapObject, ColourMapFreer> MakeColourMap(const QList<QRgb>& table) {
    std::vector<GifColorType> colours(std::size_t{1} << GifBitSize(static_cast<int>(table.size())));
    for (qsizetype i = 0; i < table.size(); ++i)
        colours[i] = GifColorType{static_cast<GifByteType>(qRed(table[i])),
                                  static_cast<GifByteType>(qGreen(table[i])),
                                  static_cast<GifByteType>(qBlue(table[i]))};
    return std::unique_ptr<ColorMapObject, ColourMapFreer>(
        GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
}

}  // namespace

bool WriteGif(const QImage& picture, QIODevice& device) {
    if (picture.isNull()) return false;
    // Through 32 bits without alpha first: Qt keeps the exact colours of an opaque picture with
    // few of them, and the picture's bytes are shown without alpha anyway.
    QImage indexed =
        picture.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8);
    if (indexed.isNull() || indexed.colorTable().isEmpty()) return false;
    const auto colourMap = MakeColourMap(indexed.colorTable());
    if (!colourMap) return false;

    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&device, WriteToDevice, &error));
    if (!gif) return false;
    const int width = indexed.width();
    const int height = indexed.height();
    if (EGifPutScreenDesc(gif.get(), width, height, colourMap->BitsPerPixel, 0, colourMap.get()) ==
            GIF_ERROR ||
        EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_ERROR)
        return false;
    for (int y = 0; y < height; ++y)
        if (EGifPutLine(gif.get(), indexed.scanLine(y), width) == GIF_ERROR) return false;
    int closeError = 0;
    return EGifCloseFile(gif.release(), &closeError) == GIF_OK;
}
