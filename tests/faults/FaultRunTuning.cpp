// The fault run's tuning, sweeps and DiSEqC messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "BoundedWait.h"
#include "FaultRun.h"

namespace {

constexpr int kSweepPoints = 601;

}  // namespace

void FaultRun::TuneExample(int tuner) {
    std::vector<const ExampleChannel*> ofTuner;
    for (const ExampleChannel& channel : m_channels)
        if (channel.tuner == tuner) ofTuner.push_back(&channel);
    ASSERT_FALSE(ofTuner.empty());
    const TuneParameters& channel = ofTuner[m_random() % ofTuner.size()]->parameters;
    EXPECT_EQ(Graph(tuner).RequestTune(channel), 0);

    // Where the card's answers cannot have steered the tune elsewhere, it must lock: no
    // single-cable router in the way, and the LNB source taken (the generic provider sets it
    // on the control node; the DVB-S provider through a request the card may refuse).
    const bool sourceRefused =
        m_notes[tuner - 1].dvbsProvider && m_faults.Refuses(CardRequest::DiseqcLnbSource, tuner);
    if (m_card->Status(tuner).scif.Enabled() || sourceRefused) return;
    ++m_figures.locksChecked;
    EXPECT_TRUE(WaitUntil([&] {
        const card::Transponder* locked = m_card->Status(tuner).locked;
        return locked && locked->frequencyMHz * 1000 == channel.frequencyKHz;
    })) << "the tuner did not lock to the example channel at "
        << channel.frequencyKHz << " kHz";
}

void FaultRun::TuneRandom(int tuner) {
    // Anywhere from below the low band to above the high band, so that some tunes fall outside
    // the IF band; every LNB source is one of the four (no source would switch DiSEqC off).
    TuneParameters parameters;
    parameters.frequencyKHz = static_cast<std::uint32_t>(Between(9'500'000, 13'000'000));
    parameters.symbolRate = Between(1000, 45000);
    parameters.onid = Coin(0.5) ? -1 : Between(0, 0xFFFF);
    parameters.tsid = Coin(0.5) ? -1 : Between(0, 0xFFFF);
    parameters.sid = Coin(0.5) ? -1 : Between(0, 0xFFFF);
    parameters.polarisation = Coin(0.1) ? -1 : Between(1, 4);
    parameters.lnbSource = static_cast<std::uint32_t>(Between(1, 4));
    EXPECT_EQ(Graph(tuner).RequestTune(parameters), 0);
}

void FaultRun::Sweep(int tuner) {
    const bool wasBusy = m_store.Busy();
    const std::int32_t slot = m_store.CurrentSlot();
    m_store.StartSpectrumTrace(tuner - 1);
    const bool started = !wasBusy && m_store.Busy();
    if (started) {
        m_sweepTuner = tuner;
        ++m_figures.sweepsStarted;
    }
    // Some sweeps run to their end; the others are cut short by whatever comes next.
    if (!Coin(0.4)) return;
    ASSERT_TRUE(WaitForSweepEnd()) << "a sweep did not end";
    if (started) {
        // Nothing else was asked of the worker meanwhile, so every step must have arrived,
        // whatever the card answered to them.
        EXPECT_EQ(m_store.Traces()[slot].count, kSweepPoints);
        ++m_figures.fullSweeps;
    }
}

void FaultRun::SendDiseqc(int tuner) {
    if (Coin(0.2)) {
        constexpr std::array<std::int32_t, 4> kInvalidLengths{0, 9, 16, -1};
        std::array<std::uint8_t, 16> bytes{};
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(m_random());
        const std::int32_t length = kInvalidLengths[m_random() % kInvalidLengths.size()];
        EXPECT_EQ(Graph(tuner).RequestDiseqc(length, bytes.data()), 1) << "length " << length;
        return;
    }
    const std::vector<std::uint8_t> message = RandomDiseqcMessage();
    const std::size_t logged = m_card->BusLog().size();
    EXPECT_EQ(Graph(tuner).RequestDiseqc(static_cast<std::int32_t>(message.size()), message.data()),
              0);
    ++m_figures.diseqcMessages;
    if (m_faults.Refuses(CardRequest::DiseqcSend, tuner)) return;
    // The message must reach the cable exactly as given, after whatever the worker was busy with.
    const card::BusMessage expected{tuner, message};
    EXPECT_TRUE(WaitUntil([&] {
        const auto log = m_card->BusLog();
        return std::find(log.begin() + static_cast<std::ptrdiff_t>(std::min(logged, log.size())),
                         log.end(), expected) != log.end();
    })) << "the DiSEqC message never reached the bus";
}

std::vector<std::uint8_t> FaultRun::RandomDiseqcMessage() {
    // A committed switch (which moves the dish's LNB), a single-cable command, or any bytes.
    const int kind = Between(0, 9);
    if (kind < 3) return {0xE0, 0x10, 0x38, static_cast<std::uint8_t>(0xF0 | Between(0, 15))};
    std::vector<std::uint8_t> message(static_cast<std::size_t>(Between(1, 8)));
    for (auto& byte : message) byte = static_cast<std::uint8_t>(m_random());
    if (kind < 4 && message.size() >= 3) {
        message[0] = 0xE0;
        message[1] = 0x10;
        message[2] = 0x5A;
    }
    return message;
}
