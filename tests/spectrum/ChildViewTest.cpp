// The client view as it paints: meter bars of both tuners with peak hold, their values, and the
// spectrum picture copied unscaled, checked on pixels of the grabbed widget.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include "PictureColours.h"
#include "spectrum/ChildView.h"
#include "spectrum/SignalMeter.h"
#include "spectrum/SpectrumStore.h"

namespace {

constexpr QRgb kCurrent = qRgb(50, 210, 50);
constexpr QRgb kPeak = qRgb(210, 50, 50);
constexpr QRgb kRest = qRgb(50, 50, 50);
constexpr QRgb kValueInk = qRgb(0, 0, 0);

struct Bar {
    int top;
    int bottom;  // exclusive
};
constexpr Bar kLevelBars[2] = {{100, 145}, {250, 295}};
constexpr Bar kQualityBars[2] = {{155, 200}, {305, 350}};

class ChildViewTest : public ::testing::Test {
protected:
    ChildViewTest() : store(graphs, nullptr), view(meters, store) { view.resize(1120, 720); }

    QImage Grab() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Colour runs along the rows of a bar from column `from`: green to `valueEdge`, red to
    // `peakEdge`, grey to 1100, and the window's background after it.
    void ExpectBar(const QImage& shot, Bar bar, int valueEdge, int peakEdge, int from = 100) {
        for (int y : {bar.top, (bar.top + bar.bottom) / 2, bar.bottom - 1}) {
            for (int x = from; x < std::min(shot.width(), 1100 + 5); ++x) {
                QRgb expected = background;
                if (x < valueEdge)
                    expected = kCurrent;
                else if (x < peakEdge)
                    expected = kPeak;
                else if (x < 1100)
                    expected = kRest;
                ASSERT_EQ(Pixel(shot, x, y), expected) << "x " << x << " y " << y;
            }
        }
        EXPECT_EQ(Pixel(shot, 500, bar.top - 1), background);
        EXPECT_EQ(Pixel(shot, 500, bar.bottom), background);
    }

    // The columns of the value's ink beside a bar.
    QRect ValueInk(const QImage& shot, Bar bar) {
        return BoundingBoxOf(shot, kValueInk, QRect(0, bar.top, 100, bar.bottom - bar.top + 5));
    }

    TunerGraphSlots graphs;
    SignalMeters meters;
    SpectrumStore store;
    CChildView view;
    const QRgb background = qRgb(255, 255, 255);
};

TEST_F(ChildViewTest, EmptyMetersShowTheWholeScaleGreyAndNoPicture) {
    ASSERT_EQ(view.palette().color(QPalette::Base).rgb(), background);
    const QImage shot = Grab();
    for (int t = 0; t < 2; ++t) {
        ExpectBar(shot, kLevelBars[t], 100, 100);
        ExpectBar(shot, kQualityBars[t], 100, 100);
    }
    EXPECT_EQ(CountOf(shot, background, QRect(0, 360, 1120, 360)), 1120 * 360);
}

TEST_F(ChildViewTest, FallingValuesShowTheHeldPeakInRed) {
    meters.Update(0, 65432, 70);
    meters.Update(0, 40000, 7);
    meters.Update(1, 12345, 99);
    const QImage shot = Grab();
    ExpectBar(shot, kLevelBars[0], 500, 754);
    ExpectBar(shot, kQualityBars[0], 170, 800);
    ExpectBar(shot, kLevelBars[1], 223, 223);
    ExpectBar(shot, kQualityBars[1], 1090, 1090);

    meters.Reset(0);
    const QImage reset = Grab();
    ExpectBar(reset, kLevelBars[0], 100, 100);
    ExpectBar(reset, kQualityBars[0], 100, 100);
    ExpectBar(reset, kLevelBars[1], 223, 223);
}

TEST_F(ChildViewTest, ValuesBeyondFullScaleFillPastTheScaleAndWrapLikeUnsigned) {
    meters.Update(0, 120000, 150);
    meters.Update(1, static_cast<std::uint32_t>(-1), 0);  // a negative level taken as unsigned
    const QImage shot = Grab();
    ExpectBar(shot, kLevelBars[0], 1300, 1300);
    ExpectBar(shot, kQualityBars[0], 1600, 1600);
    EXPECT_EQ(meters.m_peakLevel[1], 0xFFFFFFFFu);
    // Its value, 4294967, is wider than the margin: its white cell covers the bar's start.
    EXPECT_EQ(Pixel(shot, 100, kLevelBars[1].top + 20), background);
    ExpectBar(shot, kLevelBars[1], 1 << 30, 1 << 30, 200);
}

// "%4d" in a 24-point Arial, black on white, its cell's top 5 rows below the bar's top.
TEST_F(ChildViewTest, ValuesAreWrittenWithFourCharactersBesideTheirBars) {
    meters.Update(0, 65432, 7);
    meters.Update(1, 100000, 100);
    const QImage shot = Grab();
    const struct {
        Bar bar;
        const char* text;
    } values[] = {{kLevelBars[0], "  65"},
                  {kQualityBars[0], "   7"},
                  {kLevelBars[1], " 100"},
                  {kQualityBars[1], " 100"}};
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(24);
    for (const auto& value : values) {
        SCOPED_TRACE(value.text);
        QImage expected(100, value.bar.bottom - value.bar.top, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter painter(&expected);
        painter.setFont(font);
        painter.drawText(20, 5 + painter.fontMetrics().ascent(), QString::fromLatin1(value.text));
        painter.end();
        EXPECT_EQ(shot.copy(0, value.bar.top, 100, expected.height()), expected);
        EXPECT_GE(ValueInk(shot, value.bar).height(), 20);
    }
}

TEST_F(ChildViewTest, PictureIsCopiedUnscaledBelowTheMeters) {
    store.ClearSpectrum();
    store.DrawSpectrumSegment(1500, 40000, 1600, 40000);
    const QImage shot = Grab();
    EXPECT_EQ(shot.copy(100, 400, 640, 290),
              store.Picture()->convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(Pixel(shot, 99, 500), background);
    EXPECT_EQ(Pixel(shot, 740, 500), background);
    EXPECT_EQ(Pixel(shot, 500, 690), background);
}

TEST_F(ChildViewTest, AlphaOfALoadedPictureIsNotBlended) {
    auto loaded = std::make_unique<QImage>(640, 290, QImage::Format_ARGB32);
    loaded->fill(qRgba(200, 100, 50, 0));  // fully transparent, yet shown as its colour
    store.ReplacePicture(std::move(loaded));
    const QImage shot = Grab();
    EXPECT_EQ(Pixel(shot, 300, 500), qRgb(200, 100, 50));
}

// The keyboard's marker is drawn over the copy of the picture, never into it, and only from the
// first Left or Right on; a double click reaches the owner only on the picture.
TEST_F(ChildViewTest, TheMarkerShowsOverThePictureAndChoosesWithEnter) {
    store.ClearSpectrum();
    const QImage picture = store.Picture()->convertToFormat(QImage::Format_RGB32);
    std::vector<QPoint> chosen;
    view.OnPictureChosen([&](QPoint point) { chosen.push_back(point); });
    QTest::keyClick(&view, Qt::Key_Return);  // no marker yet: nothing to choose
    EXPECT_EQ(Grab().copy(100, 400, 640, 290), picture);

    QTest::keyClick(&view, Qt::Key_Right);  // shows it in the middle of the plot
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(view.MarkerColumn(), 330);
    QImage shot = Grab();
    EXPECT_EQ(Pixel(shot, 100 + 330, 400), qRgb(255, 255, 255));
    EXPECT_NE(shot.copy(100, 400, 640, 290), picture);
    EXPECT_EQ(store.Picture()->convertToFormat(QImage::Format_RGB32), picture);
    QTest::keyClick(&view, Qt::Key_Enter);
    for (int i = 0; i < 70; ++i) QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(view.MarkerColumn(), 20);  // held at the plot's first column
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(Grab().copy(100, 400, 640, 290), picture);

    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(99, 500));
    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(739, 689));
    EXPECT_EQ(chosen, (std::vector<QPoint>{{330, 145}, {639, 289}}));
}

TEST(SignalMeters, PeaksRiseOnlyAndOtherTunersAreIgnored) {
    SignalMeters meters;
    meters.Update(1, 50000, 80);
    meters.Update(1, 0x80000000u, 0);  // unsigned: above every positive level
    EXPECT_EQ(meters.m_level[1], 0x80000000u);
    EXPECT_EQ(meters.m_peakLevel[1], 0x80000000u);
    EXPECT_EQ(meters.m_quality[1], 0u);
    EXPECT_EQ(meters.m_peakQuality[1], 80u);
    meters.Update(2, 1, 1);
    meters.Update(-1, 1, 1);
    meters.Reset(2);
    EXPECT_EQ(meters.m_level[0], 0u);
    EXPECT_EQ(meters.m_peakQuality[1], 80u);
}

}  // namespace
