// The fault run's single-cable settings: written and read back through a graph, checked against
// what the card holds.
#include <gtest/gtest.h>

#include "FaultRun.h"

namespace {

constexpr std::uint8_t kUntouched = 0xA5;
constexpr std::uint32_t kUntouchedWord = 0xA5A5A5A5u;
constexpr std::uint32_t kScifUnset = 0xFFFFFFFFu;
constexpr std::uint32_t kScifAnswerBytes = 16;

}  // namespace

void FaultRun::UseUnicable(int tuner) {
    if (Coin(0.65)) WriteUnicable(tuner);
    ReadUnicable(tuner);
}

FaultRun::ScifChoice FaultRun::RandomScif() {
    const int kind = Between(0, 7);
    if (kind < 3) return {{kScifUnset, kScifUnset, kScifUnset, 0}, true};
    card::ScifConfig config{
        static_cast<std::uint32_t>(Between(0, 7)), static_cast<std::uint32_t>(Between(950, 2150)),
        Coin(0.5) ? kScifUnset : static_cast<std::uint32_t>(Between(0, 255)), 0};
    // One value out of range, now and then: the card must refuse it and keep what it had.
    switch (kind) {
        case 5:
            config.userBand = static_cast<std::uint32_t>(Between(8, 255));
            return {config, false};
        case 6:
            config.frequencyMHz =
                static_cast<std::uint32_t>(Coin(0.5) ? Between(0, 949) : Between(2151, 5000));
            return {config, false};
        case 7:
            config.pin = static_cast<std::uint32_t>(Between(256, 0x7FFFFFFF));
            return {config, false};
        default:
            return {config, true};
    }
}

void FaultRun::WriteUnicable(int tuner) {
    TunerGraph& graph = Graph(tuner);
    const card::ScifConfig before = m_card->Status(tuner).scif;
    const auto [sent, valid] = RandomScif();
    const HRESULT hr =
        sent.userBand == kScifUnset
            ? graph.ClearScif()
            : graph.SetScif(static_cast<std::uint8_t>(sent.userBand), sent.frequencyMHz, sent.pin);
    if (m_faults.Refuses(CardRequest::ScifSet, tuner) || !valid) {
        EXPECT_LT(hr, 0);
    } else {
        EXPECT_EQ(hr, S_OK);
    }
    // Whatever the answer, the card holds what the program was told it holds.
    const card::ScifConfig after = m_card->Status(tuner).scif;
    EXPECT_TRUE(SUCCEEDED(hr) ? after == sent : after == before)
        << "result " << hr << ", user band " << after.userBand;
}

void FaultRun::ReadUnicable(int tuner) {
    std::uint8_t index = kUntouched;
    std::uint32_t frequency = kUntouchedWord;
    std::uint32_t pin = kUntouchedWord;
    const HRESULT hr = Graph(tuner).GetScif(&index, &frequency, &pin);
    ++m_figures.unicableReads;
    const auto cut = m_faults.ShortAnswer(CardRequest::ScifGet, tuner);
    if (m_faults.Refuses(CardRequest::ScifGet, tuner)) {
        EXPECT_LT(hr, 0);
    } else if (cut && *cut < kScifAnswerBytes) {
        EXPECT_EQ(hr, S_FALSE) << "an answer of " << *cut << " bytes was taken as whole";
    } else {
        const card::ScifConfig held = m_card->Status(tuner).scif;
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(index, static_cast<std::uint8_t>(held.userBand));
        EXPECT_EQ(frequency, held.frequencyMHz);
        EXPECT_EQ(pin, held.pin);
        return;
    }
    EXPECT_TRUE(index == kUntouched && frequency == kUntouchedWord && pin == kUntouchedWord)
        << "a failed read changed the caller's values";
}
