// The blind scan on the simulated card at zero step time: from the four sweeps alone it finds
// every transponder of a built-in satellite that stands 6 dB over the floor, with its services.
#include <gtest/gtest.h>

#include <cmath>

#include "card/InstallSimulatedCard.h"
#include "card/SignalModel.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceRegistry.h"
#include "scan/Scanner.h"

namespace scantest {
namespace {

using namespace std::chrono_literals;

class BlindScan : public ::testing::TestWithParam<int> {
protected:
    BlindScan() {
        RegisterStandInClasses();
        m_card = card::InstallSimulatedCard(card::TestCardConfig());
    }
    ~BlindScan() override {
        ClearDevices();
        ClearComponentClasses();
    }
    scan::ScanReport Run(scan::ScanOptions options) {
        TunerGraph graph(1, 0);
        graph.m_tunerNumber = 1;
        graph.m_notifyThreadId = m_queue.ThreadId();
        options.lockWait = 50ms;
        scan::Scanner scanner(graph, m_queue, options, nullptr, nullptr);
        return scanner.Run();
    }

    ThreadMessageQueue m_queue;
    std::shared_ptr<card::SimulatedCard> m_card;
};

// Whether a transponder's carrier rises 6 dB over the floor and a demodulator can hold it.
bool Visible(const card::SignalModel& model, int position, const card::Transponder& t) {
    const bool high = t.frequencyMHz >= card::kLnbSwitchMHz;
    const card::LnbState state{position, t.polarisation, high};
    const double ifMHz = card::SignalModel::IntermediateMHz(t.frequencyMHz, high);
    return model.LevelDb(state, ifMHz) - card::SignalModel::NoiseFloorDb(ifMHz) >= 6.0 &&
           model.QualityPercent(state, t) > 0;
}

TEST_P(BlindScan, FindsEveryTransponderOverTheFloorAndEveryServiceOnIt) {
    const int position = GetParam();
    scan::ScanOptions options;
    options.lnbSource = static_cast<std::uint32_t>(position);
    const scan::ScanReport report = Run(options);
    ASSERT_TRUE(report.failure.empty()) << report.failure;
    const card::Sky sky = card::DefaultSky();
    const card::SignalModel model(sky);
    const card::Satellite& satellite = sky.positions[static_cast<std::size_t>(position - 1)];
    for (const card::Transponder& t : satellite.transponders) {
        if (!Visible(model, position, t) || t.inputStreamId >= 0) continue;
        const auto found = std::find_if(report.transponders.begin(), report.transponders.end(),
                                        [&](const auto& s) { return s.tsid == t.tsid; });
        ASSERT_NE(found, report.transponders.end()) << t.frequencyMHz;
        EXPECT_EQ(found->onid, t.onid);
        EXPECT_EQ(found->carrier.polarisation,
                  t.polarisation == card::LinearPolarisation::Vertical ? 2 : 1);
        EXPECT_NEAR(found->carrier.symbolRate, t.symbolRate, t.symbolRate * 0.01);
        EXPECT_NEAR(found->carrier.frequencyKHz, t.frequencyMHz * 1000.0, t.symbolRate / 2.0);
        ASSERT_EQ(found->services.size(), t.services.size()) << t.frequencyMHz;
        for (std::size_t i = 0; i < t.services.size(); ++i) {
            EXPECT_EQ(found->services[i].sid, t.services[i].sid);
            EXPECT_EQ(found->services[i].name, t.services[i].name);
            EXPECT_EQ(found->services[i].scrambled, t.services[i].scrambled);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachBuiltInSatellite, BlindScan, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace scantest
