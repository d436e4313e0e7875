#include "spectrum/SpectrumGrid.h"

#include <QFont>
#include <QPainter>

#include "spectrum/ArialFamily.h"
#include "spectrum/OpaqueText.h"
#include "spectrum/PictureLine.h"
#include "spectrum/SpectrumMapping.h"

namespace {

constexpr std::int32_t kMajorStepMHz = 100;  // labelled vertical lines
constexpr std::int32_t kMinorStepMHz = 50;
constexpr std::int32_t kMajorStepLevel = 10000;  // labelled horizontal lines, every 10 dB
constexpr std::int32_t kMinorStepLevel = 2000;
// Labelled vertical lines reach 10 pixels below the plot, into their labels' strip.
constexpr std::int32_t kLabelledLineBottom = 28000;
constexpr std::int32_t kFrequencyLabelTop = 29000;   // 5 pixels below the plot
constexpr std::int32_t kFrequencyLabelShiftMHz = 4;  // 2 pixels right of the line
constexpr std::int32_t kLevelLabelMHz = 925;         // left of the plot
constexpr std::int32_t kLevelLabelRaise = 1000;      // 5 pixels above the line

const QColor kGridColour(128, 128, 128);
const QColor kMinorGridColour(64, 64, 64);
const QColor kLabelColour(192, 192, 192);

// About 12 pixels high (ascent plus descent) and 4 pixels wide on average: an Arial squeezed to
// four fifths of its width so that "2100" fits between two labelled lines. Never smoothed, so
// the picture keeps a handful of colours.
QFont LabelFont() {
    QFont font(ArialFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setStretch(82);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void DrawLabel(QPainter& painter, std::int32_t frequencyMHz, std::int32_t level, int value) {
    DrawOpaqueText(painter, SpectrumToPixel(frequencyMHz, level), QString::number(value),
                   kLabelColour, Qt::black);
}

}  // namespace

void DrawSpectrumGrid(QImage& picture) {
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(0, 0, kPictureWidth, kPictureHeight), Qt::black);
    painter.setFont(LabelFont());

    painter.setPen(PicturePen(kGridColour));
    for (std::int32_t mhz = kPlotFirstMHz; mhz <= kPlotLastMHz; mhz += kMinorStepMHz) {
        std::int32_t bottom = kPlotLowestLevel;
        if (mhz % kMajorStepMHz == 0) {
            DrawLabel(painter, mhz + kFrequencyLabelShiftMHz, kFrequencyLabelTop, mhz);
            bottom = kLabelledLineBottom;
        }
        DrawPictureLine(painter, SpectrumToPixel(mhz, bottom),
                        SpectrumToPixel(mhz, kPlotHighestLevel));
    }
    for (std::int32_t level = kPlotLowestLevel; level <= kPlotHighestLevel;
         level += kMajorStepLevel) {
        DrawLabel(painter, kLevelLabelMHz, level + kLevelLabelRaise, level / 1000);
        DrawPictureLine(painter, SpectrumToPixel(kPlotFirstMHz, level),
                        SpectrumToPixel(kPlotLastMHz, level));
    }
    // The minor lines go last, over the vertical lines.
    painter.setPen(PicturePen(kMinorGridColour));
    for (std::int32_t level = kPlotLowestLevel; level <= kPlotHighestLevel;
         level += kMinorStepLevel) {
        if (level % kMajorStepLevel == 0) continue;
        DrawPictureLine(painter, SpectrumToPixel(kPlotFirstMHz, level),
                        SpectrumToPixel(kPlotLastMHz, level));
    }
}
