// The picture written in every image format and read back by a decoder, and pictures loaded
// back: the right size replaces the picture, anything else leaves a fresh grid.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include "PictureColours.h"
#include "spectrum/SpectrumFiles.h"
#include "spectrum/SpectrumGrid.h"
#include "spectrum/SpectrumMapping.h"
#include "spectrum/SpectrumStore.h"

namespace {

class SpectrumPictureFilesTest : public ::testing::Test {
protected:
    SpectrumPictureFilesTest() : store(graphs, [this] { ++invalidations; }) {
        store.ClearSpectrum();
        store.DrawSpectrumSegment(1000, 50000, 1500, 60000);
        invalidations = 0;
    }

    QString Path(const QString& name) const { return directory.filePath(name); }

    static QImage Blank() {
        QImage blank(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
        DrawSpectrumGrid(blank);
        return blank;
    }

    static QImage Read(const QString& path, QByteArray* format = nullptr) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        if (format) *format = reader.format();
        return reader.read();
    }

    static void Write(const QImage& image, const QString& path, const char* format) {
        ASSERT_TRUE(QImageWriter(path, format).write(image));
    }

    static QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

    QTemporaryDir directory;
    TunerGraphSlots graphs;
    int invalidations = 0;
    SpectrumStore store;
};

TEST_F(SpectrumPictureFilesTest, LosslessFormatsReadBackPixelForPixel) {
    for (const char* extension : {"png", "gif", "bmp"}) {
        SCOPED_TRACE(extension);
        const QString path = Path(QStringLiteral("Spectrum.") + extension);
        SaveSpectrumFile(store, path);
        QByteArray format;
        const QImage back = Read(path, &format);
        EXPECT_EQ(format, QByteArray(extension));
        EXPECT_EQ(Rgb(back), Rgb(*store.Picture()));
    }
}

TEST_F(SpectrumPictureFilesTest, JpegReadsBackCloseToThePicture) {
    SaveSpectrumFile(store, Path("Spectrum.jpg"));
    QByteArray format;
    const QImage back = Rgb(Read(Path("Spectrum.jpg"), &format));
    EXPECT_EQ(format, "jpeg");
    ASSERT_EQ(back.size(), QSize(640, 290));
    const QImage original = Rgb(*store.Picture());
    long long difference = 0;
    for (int y = 0; y < 290; ++y)
        for (int x = 0; x < 640; ++x)
            difference += std::abs(qGreen(back.pixel(x, y)) - qGreen(original.pixel(x, y)));
    EXPECT_LT(difference / (640 * 290), 8);
}

TEST_F(SpectrumPictureFilesTest, GifOfAManyColouredPictureStillDecodes) {
    auto photo = std::make_unique<QImage>(640, 290, QImage::Format_RGB888);
    for (int y = 0; y < 290; ++y)
        for (int x = 0; x < 640; ++x) photo->setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    store.ReplacePicture(std::move(photo));
    SaveSpectrumFile(store, Path("Photo.gif"));
    EXPECT_EQ(Read(Path("Photo.gif")).size(), QSize(640, 290));
}

TEST_F(SpectrumPictureFilesTest, ExtensionsOtherThanTheFourExactOnesGetCsvText) {
    for (const char* name :
         {"Spectrum.PNG", "Spectrum.jpeg", "Spectrum.csv", "Spectrum", "Spectrum.Gif", "png"}) {
        SCOPED_TRACE(name);
        SaveSpectrumFile(store, Path(name));
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "Freq. Mhz\r\n");  // no sweep stored
    }
}

TEST_F(SpectrumPictureFilesTest, UnwritablePathsLeaveNoFileAndChangeNothing) {
    const QImage before = *store.Picture();
    SaveSpectrumFile(store, Path("missing/Spectrum.png"));
    SaveSpectrumFile(store, Path("missing/Spectrum.csv"));
    EXPECT_FALSE(QFile::exists(Path("missing/Spectrum.png")));
    EXPECT_EQ(*store.Picture(), before);
    EXPECT_EQ(invalidations, 0);
}

TEST_F(SpectrumPictureFilesTest, SavedPngLoadsBackUnchangedAndTheNextSweepIsYellow) {
    SaveSpectrumFile(store, Path("Spectrum.png"));
    const QImage saved = *store.Picture();
    store.ClearSpectrum();
    LoadSpectrumFile(store, Path("Spectrum.png"));
    ASSERT_NE(store.Picture(), nullptr);
    EXPECT_EQ(store.Picture()->format(), QImage::Format_RGB888);
    EXPECT_EQ(*store.Picture(), saved);
    EXPECT_EQ(store.ColourIndex(), 3);
    EXPECT_GE(invalidations, 1);
    store.DrawSpectrumSegment(1000, 70000, 1100, 70000);
    EXPECT_EQ(Pixel(*store.Picture(), 60, SpectrumToPixel(0, 70000).y()), kYellowTrace);
}

TEST_F(SpectrumPictureFilesTest, ThirtyTwoBitPicturesKeepTheirDepthAndTakeNewSegments) {
    QImage withAlpha(640, 290, QImage::Format_ARGB32);
    withAlpha.fill(qRgba(10, 20, 30, 128));
    Write(withAlpha, Path("Alpha.png"), "png");
    LoadSpectrumFile(store, Path("Alpha.png"));
    EXPECT_EQ(store.Picture()->format(), QImage::Format_ARGB32);
    store.DrawSpectrumSegment(1000, 70000, 1100, 70000);
    EXPECT_EQ(Pixel(*store.Picture(), 60, SpectrumToPixel(0, 70000).y()), kYellowTrace);

    // Depths a picture cannot keep are held in 32 bits.
    QImage palette = Blank().convertToFormat(QImage::Format_Indexed8);
    Write(palette, Path("Palette.png"), "png");
    LoadSpectrumFile(store, Path("Palette.png"));
    EXPECT_EQ(store.Picture()->format(), QImage::Format_RGB32);
    EXPECT_EQ(Rgb(*store.Picture()), Rgb(Blank()));
}

TEST_F(SpectrumPictureFilesTest, WrongSizesAndNonImagesLeaveAFreshGreenGrid) {
    QImage small(100, 100, QImage::Format_RGB888);
    small.fill(Qt::red);
    Write(small, Path("Small.png"), "png");
    Write(QImage(641, 290, QImage::Format_RGB888), Path("Wide.png"), "png");
    QFile text(Path("Text.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Freq. Mhz\r\n950;45,3\r\n");
    text.close();
    for (const char* name : {"Small.png", "Wide.png", "Text.png", "Absent.png"}) {
        SCOPED_TRACE(name);
        store.ReplacePicture(std::make_unique<QImage>(*store.Picture()));  // colour 3
        store.DrawSpectrumSegment(1000, 50000, 1500, 60000);
        LoadSpectrumFile(store, Path(name));
        EXPECT_EQ(*store.Picture(), Blank());
        EXPECT_EQ(store.ColourIndex(), 0);
    }
}

TEST_F(SpectrumPictureFilesTest, OnlyTheLowerCasePngExtensionLoads) {
    SaveSpectrumFile(store, Path("Spectrum.png"));
    QFile::copy(Path("Spectrum.png"), Path("Upper.PNG"));
    store.ClearSpectrum();
    const QImage* before = store.Picture();
    invalidations = 0;
    LoadSpectrumFile(store, Path("Upper.PNG"));
    LoadSpectrumFile(store, Path("Spectrum.bmp"));
    EXPECT_EQ(store.Picture(), before);
    EXPECT_EQ(*store.Picture(), Blank());
    EXPECT_EQ(invalidations, 0);
}

TEST_F(SpectrumPictureFilesTest, APngNamedFileDecodesWhateverItsContent) {
    Write(*store.Picture(), Path("Really.bmp"), "bmp");
    QFile::rename(Path("Really.bmp"), Path("Named.png"));
    const QImage saved = *store.Picture();
    store.ClearSpectrum();
    LoadSpectrumFile(store, Path("Named.png"));
    EXPECT_EQ(Rgb(*store.Picture()), Rgb(saved));
    EXPECT_EQ(store.ColourIndex(), 3);
}

}  // namespace
