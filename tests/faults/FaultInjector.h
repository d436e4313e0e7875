// The faults the fault run has the card show: for each request the program sends to the card,
// per tuner, a refusal, a short answer, a short delay or a mix of them, set and lifted at random
// as the run goes on. It keeps its own copy of what is in force, so that a step can tell which
// outcome the card's answer allows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "card/FaultTable.h"

enum class CardRequest {
    DiseqcEnable,
    DiseqcLnbSource,
    DiseqcSend,
    ScifSet,
    ScifGet,
    SpectrumStep,
    CamName,
    CiMode,
    CamReset,
    MmiOpen,
    MmiClose,
    MmiGet,
    MmiMenuAnswer,
    MmiEnquiryAnswer,
};
inline constexpr std::size_t kCardRequestCount = 14;

class FaultInjector {
public:
    explicit FaultInjector(card::FaultTable& table);

    // Sets a new fault on a random request of a random tuner, or lifts one in force; over a run
    // about a third of them are in force at any time.
    void Change(std::mt19937& random);

    bool Refuses(CardRequest request, int tuner) const;
    // The most bytes the card reports returned, when it cuts its answers short.
    std::optional<std::uint32_t> ShortAnswer(CardRequest request, int tuner) const;
    std::size_t InForce() const;

private:
    const card::Fault& At(CardRequest request, int tuner) const;

    card::FaultTable& m_table;
    // Index: request * 2 + tuner - 1. A fault that refuses nothing, cuts nothing and waits for
    // nothing is not in force.
    std::array<card::Fault, kCardRequestCount * 2> m_faults{};
};
