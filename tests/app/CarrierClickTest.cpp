// Tuning a carrier by choosing it in the spectrum picture, on the simulated card: a double click
// (or the keyboard's marker and Enter) on a carrier of a sweep locks the transponder there, as
// the card's own status tells, and the message pane names the system, the transport stream and
// the network; a narrow carrier locks through the common rates near the estimate; every refusal
// leaves the tuner alone and says why.
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <cmath>
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

    // Waits until the attempt has settled: its tables read, or nothing locked. Every line the
    // pane showed meanwhile is in `seen`.
    bool Settled() {
        seen = {Message()};
        return WaitFor([this] {
            if (Message() != seen.back()) seen.push_back(Message());
            return Message().contains(": transport stream ") ||
                   Message().endsWith(": no tables came") || Message().contains("nothing locked");
        });
    }
    bool Seen(const QString& line) const { return seen.contains(line); }

    QStringList seen;
};

// Transponders of the simulated sky's Helion (position A) that a sweep after Create all shows:
// vertical, low band, so each stands at its frequency less 9750 MHz.
struct KnownCarrier {
    int frequencyMHz;
    std::uint16_t tsid;
    const char* system;
};
constexpr KnownCarrier kHelionVerticalLow[] = {{10751, 11012, "DVB-S"}, {10839, 11016, "DVB-S2"},
                                               {10971, 11030, "DVB-S"}, {11235, 11043, "DVB-S"},
                                               {11455, 11053, "DVB-S"}, {11822, 11020, "DVB-S"}};
constexpr int kLowOscillatorMHz = 9750;

TEST_F(CarrierClickTest, DoubleClickingEachOfSeveralCarriersLocksTheTransponderThere) {
    Start();
    Choose(ID_CREATE_ALL);
    SweepTuner(1);
    for (const KnownCarrier& known : kHelionVerticalLow) {
        SCOPED_TRACE(known.frequencyMHz);
        DoubleClick(PicturePointAt(known.frequencyMHz - kLowOscillatorMHz));
        EXPECT_TRUE(Message().startsWith("Tuner 1: ")) << Message().toStdString();
        EXPECT_TRUE(Message().endsWith(" V, ") || Message().contains(" V, "));
        EXPECT_TRUE(Message().endsWith(": trying DVB-S and DVB-S2 ...")) << Message().toStdString();
        const QString carrier = Message().section(": ", 0, 1);  // "Tuner 1: 10971 MHz V, ..."
        ASSERT_TRUE(Settled()) << Message().toStdString();
        EXPECT_TRUE(Seen(carrier + QStringLiteral(": locked (%1)").arg(known.system)))
            << seen.join('|').toStdString();
        EXPECT_EQ(Message(), carrier + QStringLiteral(": transport stream %1, network \"Helion "
                                                      "Digital\"")
                                           .arg(known.tsid));
        const card::TunerStatus status = simulatedCard->Status(1);
        ASSERT_NE(status.locked, nullptr);
        EXPECT_EQ(status.locked->onid, 1101);
        EXPECT_EQ(status.locked->tsid, known.tsid);
        EXPECT_GT(App().m_meters.m_quality[0], 0u);
        EXPECT_EQ(simulatedCard->Status(2).locked, nullptr);
    }
}

TEST_F(CarrierClickTest, ACarrierSweptAfterATuneIsTunedThroughThatTunesBandPolarisationAndSource) {
    Start();
    Choose(ID_CREATE_ALL);
    Choose(ChannelCommandId(1, 18));  // Forte Kids, Vestra (B) 11746 H: high band
    ASSERT_TRUE(WaitFor([this] { return simulatedCard->Status(1).locked != nullptr; }));
    SweepTuner(1);
    DoubleClick(PicturePointAt(12010 - 10600));
    EXPECT_TRUE(Message().startsWith("Tuner 1: 1201")) << Message().toStdString();
    EXPECT_TRUE(Message().contains(" H, ")) << Message().toStdString();
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(Message().endsWith(": transport stream 12090, network \"Vestra Digital\""))
        << Message().toStdString();
    const card::TunerStatus status = simulatedCard->Status(1);
    ASSERT_NE(status.locked, nullptr);
    EXPECT_EQ(status.locked->onid, 1202);
    EXPECT_EQ(status.locked->tsid, 12090);
    EXPECT_EQ(status.lnb.position, 2);
}

TEST_F(CarrierClickTest, WhereBothSweepsShowTheCarrierTheTunerOfTheSweepOnTopIsTuned) {
    Start();
    Choose(ID_CREATE_ALL);
    SweepTuner(1);
    SweepTuner(2);
    DoubleClick(PicturePointAt(10971 - kLowOscillatorMHz));
    EXPECT_TRUE(Message().startsWith("Tuner 2: ")) << Message().toStdString();
    ASSERT_TRUE(Settled());
    ASSERT_NE(simulatedCard->Status(2).locked, nullptr);
    EXPECT_EQ(simulatedCard->Status(2).locked->tsid, 11030);
    EXPECT_EQ(simulatedCard->Status(1).locked, nullptr);
}

TEST_F(CarrierClickTest, TheKeyboardsMarkerAndEnterTuneTheCarrierUnderIt) {
    Start();
    Choose(ID_CREATE_ALL);
    SweepTuner(1);
    CChildView& view = Frame().View();
    QTest::keyClick(&view, Qt::Key_Right);  // shows the marker in the middle: 1550 MHz
    ASSERT_TRUE(view.MarkerColumn());
    const int target = PicturePointAt(11235 - kLowOscillatorMHz).x();
    while (*view.MarkerColumn() > target + 10)
        QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    while (*view.MarkerColumn() < target) QTest::keyClick(&view, Qt::Key_Right);
    while (*view.MarkerColumn() > target) QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_TRUE(Settled()) << Message().toStdString();
    ASSERT_NE(simulatedCard->Status(1).locked, nullptr);
    EXPECT_EQ(simulatedCard->Status(1).locked->tsid, 11043);
}

// A satellite at position A with one narrow carrier in the low band's vertical sweep, whose rate
// the sweep's 2 MHz steps cannot tell to the few percent a demodulator needs.
constexpr int kNarrowMHz = 11300;
constexpr std::uint32_t kNarrowRate = 2500;
card::Sky NarrowCarrierSky() {
    card::Transponder narrow;
    narrow.frequencyMHz = kNarrowMHz;
    narrow.polarisation = card::LinearPolarisation::Vertical;
    narrow.symbolRate = kNarrowRate;
    narrow.modulation = card::Modulation::Dvbs2Psk8;
    narrow.rollOff = 0.25;
    narrow.powerDb = 62;
    narrow.onid = 77;
    narrow.tsid = 4;
    narrow.services = {{40, "News 4"}};
    card::Sky sky;
    sky.positions[0].name = "Testsat";
    sky.positions[0].network = "Test Net";
    sky.positions[0].orbitalTenths = -75;
    sky.positions[0].transponders = {narrow};
    return sky;
}

TEST_F(CarrierClickTest, ANarrowCarrierWhoseEstimateIsOffLocksThroughTheCommonRatesNearIt) {
    config.sky = NarrowCarrierSky();
    Start();
    Choose(ID_CREATE_ALL);
    SweepTuner(1);
    const std::vector<scan::FoundCarrier> carriers = LastSweepCarriers();
    ASSERT_EQ(carriers.size(), 1u);
    const double estimate = carriers[0].symbolRateMsps * 1000;
    // The estimate alone is too far off for the card's demodulator to lock.
    ASSERT_GT(std::abs(estimate - kNarrowRate), kNarrowRate * 0.03) << estimate;

    DoubleClick(PicturePointAt(carriers[0].centreMHz));
    EXPECT_TRUE(Message().contains(" ksym/s: trying DVB-S and DVB-S2 at "))
        << Message().toStdString();
    EXPECT_TRUE(Message().contains(QStringLiteral(" %1").arg(kNarrowRate)))
        << Message().toStdString();
    ASSERT_TRUE(Settled()) << Message().toStdString();
    EXPECT_TRUE(Message().contains(QStringLiteral(" V, %1 ksym/s: ").arg(kNarrowRate)));
    EXPECT_TRUE(Message().endsWith(": transport stream 4, network \"Test Net\""))
        << Message().toStdString();
    const QString locked = Message().section(": ", 0, 1) + ": locked (DVB-S2)";
    EXPECT_TRUE(Seen(locked)) << seen.join('|').toStdString();
    ASSERT_NE(simulatedCard->Status(1).locked, nullptr);
    EXPECT_EQ(simulatedCard->Status(1).locked->tsid, 4);
}

TEST_F(CarrierClickTest, AClickThatCannotTuneLeavesTheTunersAloneAndSaysWhy) {
    Start();
    Choose(ID_CREATE_ALL);
    DoubleClick(PicturePointAt(1000));
    EXPECT_EQ(Message(), "Ready");  // no picture yet: a click on the window's background

    SweepTuner(1);
    // The floor: the middle of the widest gap between the carriers the finder sees.
    std::vector<scan::FoundCarrier> carriers = LastSweepCarriers();
    ASSERT_GE(carriers.size(), 2u);
    double gapMHz = 0;
    double widest = 0;
    for (std::size_t i = 1; i < carriers.size(); ++i) {
        const double gap = carriers[i].centreMHz - carriers[i - 1].centreMHz -
                           (carriers[i].symbolRateMsps + carriers[i - 1].symbolRateMsps) / 2;
        if (gap > widest) {
            widest = gap;
            gapMHz = (carriers[i].centreMHz + carriers[i - 1].centreMHz) / 2;
        }
    }
    DoubleClick(PicturePointAt(gapMHz));
    EXPECT_TRUE(Message().startsWith("No carrier near ")) << Message().toStdString();
    EXPECT_TRUE(Message().endsWith(" MHz: only the noise floor there"));

    const QPoint carrier = PicturePointAt(10971 - kLowOscillatorMHz);
    Choose(ID_SPECTRUM_1);  // running until its end arrives as an event
    DoubleClick(carrier);
    EXPECT_EQ(Message(), "Tuner 1 is sweeping: wait for the sweep to end");
    ASSERT_TRUE(WaitFor([this] { return !App().m_spectrum.Busy(); }));

    prompts.fileAnswers.push_back(scratch.Path("sweep.png"));
    Choose(ID_SAVE_SPECTRUM);
    Choose(ID_DESTROY_1);
    DoubleClick(carrier);
    EXPECT_EQ(Message(), "Tuner 1 has no graph: create it first");

    prompts.fileAnswers.push_back(scratch.Path("sweep.png"));
    Choose(ID_LOAD_SPECTRUM);
    DoubleClick(carrier);
    EXPECT_EQ(Message(), "This picture was loaded from a file: no tuner is behind it to tune");

    Choose(ID_CLEAR_SPECTRUM);
    DoubleClick(carrier);
    EXPECT_EQ(Message(), "No sweep in the picture: sweep a tuner first");
    EXPECT_EQ(simulatedCard->Status(1).locked, nullptr);
    EXPECT_EQ(simulatedCard->Status(2).locked, nullptr);
}

}  // namespace
}  // namespace app_test
