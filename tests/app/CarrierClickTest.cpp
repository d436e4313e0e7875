// Tuning a carrier by choosing it in the spectrum picture, on the simulated card: a double click
// (or the keyboard's marker and Enter) on a carrier of a sweep locks the transponder there, as
// the card's own status tells; every refusal leaves the tuner alone and says why.
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <span>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "scan/CarrierFinder.h"
#include "spectrum/ChildView.h"
#include "spectrum/SpectrumMapping.h"

namespace app_test {
namespace {

constexpr QPoint kPictureOrigin(100, 400);  // in the view

class CarrierClickTest : public AppTest {
protected:
    void SweepTuner(int tuner) {
        Choose(tuner == 1 ? ID_SPECTRUM_1 : ID_SPECTRUM_2);
        ASSERT_TRUE(WaitFor([this] { return !App().m_spectrum.Busy(); }));
    }

    // The carriers the finder sees in the last finished sweep.
    std::vector<scan::FoundCarrier> LastSweepCarriers() {
        const SpectrumStore& store = App().m_spectrum;
        const auto slot = (store.CurrentSlot() + kSpectrumSlotCount - 1) % kSpectrumSlotCount;
        const SpectrumTrace& trace = store.Traces()[static_cast<std::size_t>(slot)];
        return scan::FindCarriers(std::span(trace.points.get(), trace.count));
    }

    static QPoint PicturePointAt(double mhz) {
        return SpectrumToPixel(static_cast<std::int32_t>(std::lround(mhz)), 50000);
    }

    void DoubleClick(QPoint picturePoint) {
        QTest::mouseDClick(&Frame().View(), Qt::LeftButton, Qt::NoModifier,
                           kPictureOrigin + picturePoint);
    }

    QString Message() { return Frame().statusBar()->findChild<QLabel*>()->text(); }

    // Waits until the attempt has settled: locked or nothing locked.
    bool Settled() {
        return WaitFor([this] {
            return Message().endsWith(": locked") || Message().contains("nothing locked");
        });
    }
};

TEST_F(CarrierClickTest, DoubleClickingEachCarrierOfASweepLocksTheTransponderThere) {
    Start();
    Choose(ID_CREATE_ALL);
    SweepTuner(1);
    const std::vector<scan::FoundCarrier> carriers = LastSweepCarriers();
    ASSERT_GE(carriers.size(), 5u);

    int locked = 0;
    for (std::size_t i = 0; i < carriers.size(); i += carriers.size() / 5) {
        const double centre = carriers[i].centreMHz;
        DoubleClick(PicturePointAt(centre));
        EXPECT_TRUE(Message().startsWith("Tuner 1: ")) << Message().toStdString();
        EXPECT_TRUE(Message().endsWith("trying DVB-S and DVB-S2 ...")) << Message().toStdString();
        ASSERT_TRUE(Settled()) << Message().toStdString();
        const card::TunerStatus status = simulatedCard->Status(1);
        if (!Message().endsWith(": locked")) continue;
        ++locked;
        ASSERT_NE(status.locked, nullptr);
        // The sweep after Create all sees the low band, vertical, through a 9750 MHz oscillator.
        EXPECT_NEAR(status.locked->frequencyMHz - 9750.0, centre, 4.0);
        EXPECT_EQ(status.locked->polarisation, card::LinearPolarisation::Vertical);
        EXPECT_TRUE(Message().contains(" V, ")) << Message().toStdString();
        EXPECT_GT(App().m_meters.m_quality[0], 0u);
    }
    RecordProperty("locked", locked);
    EXPECT_GE(locked, 4);
}

}  // namespace
}  // namespace app_test
