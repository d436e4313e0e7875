#include "FaultInjector.h"

#include "cardkit/CardIds.h"
#include "platform/KsInterfaces.h"

namespace {

struct RequestKey {
    GUID set;
    std::uint32_t id;
    std::uint32_t flags;  // 0: any; the single-cable GET and SET share their id
};

// In the order of CardRequest.
const std::array<RequestKey, kCardRequestCount> kRequestKeys{{
    {cardkit::KSPROPSETID_BdaDiseqCommand, cardkit::KSPROPERTY_BDA_DISEQC_ENABLE, 0},
    {cardkit::KSPROPSETID_BdaDiseqCommand, cardkit::KSPROPERTY_BDA_DISEQC_LNB_SOURCE, 0},
    {cardkit::KSPROPSETID_BdaDiseqCommand, cardkit::KSPROPERTY_BDA_DISEQC_SEND, 0},
    {cardkit::KSPROPSETID_CardTuner, cardkit::CARD_TUNER_SCIF, KSPROPERTY_TYPE_SET},
    {cardkit::KSPROPSETID_CardTuner, cardkit::CARD_TUNER_SCIF, KSPROPERTY_TYPE_GET},
    {cardkit::KSPROPSETID_CardTuner, cardkit::CARD_TUNER_SPECTRUM_STEP, 0},
    {cardkit::KSPROPSETID_CardCi, cardkit::CARD_CI_CAM_NAME, 0},
    {cardkit::KSPROPSETID_CardCi, cardkit::CARD_CI_MODE, 0},
    {cardkit::KSMETHODSETID_CardCiMmi, cardkit::CARD_CI_RESET, 0},
    {cardkit::KSMETHODSETID_CardCiMmi, cardkit::CARD_CI_MMI_OPEN, 0},
    {cardkit::KSMETHODSETID_CardCiMmi, cardkit::CARD_CI_MMI_CLOSE, 0},
    {cardkit::KSMETHODSETID_CardCiMmi, cardkit::CARD_CI_MMI_GET, 0},
    {cardkit::KSMETHODSETID_CardCiMmi, cardkit::CARD_CI_MMI_MENU_ANSWER, 0},
    {cardkit::KSMETHODSETID_CardCiMmi, cardkit::CARD_CI_MMI_ENQUIRY_ANSWER, 0},
}};

// What drivers answer when they cannot or will not carry a request out.
constexpr std::array<HRESULT, 4> kRefusals{
    E_FAIL, HRESULT_ERROR_NOT_READY, HRESULT_ERROR_INVALID_PARAMETER, HRESULT_ERROR_BAD_COMMAND};
// Nothing, a word, a single-cable answer but one byte, a CAM name or an MMI object but one byte.
constexpr std::array<std::uint32_t, 5> kShortAnswers{0, 4, 15, 255, 2067};
// A card that is merely slow; long enough to let other threads in, short enough for the run.
constexpr int kLongestDelayMs = 2;

// Most changes set a fault, so that about a third of the slots hold one in the long run.
constexpr double kSetShare = 0.6;

bool InForce(const card::Fault& fault) {
    return FAILED(fault.refuse) || fault.shortAnswer || fault.delay.count() > 0;
}

card::Fault RandomFault(std::mt19937& random) {
    card::Fault fault;
    std::uniform_int_distribution<int> kind(0, 5);
    switch (kind(random)) {
        case 0:
        case 1:
            fault.refuse = kRefusals[random() % kRefusals.size()];
            break;
        case 2:
        case 3:
            fault.shortAnswer = kShortAnswers[random() % kShortAnswers.size()];
            break;
        case 4:
            fault.delay = std::chrono::milliseconds(1 + random() % kLongestDelayMs);
            break;
        default:
            fault.refuse = kRefusals[random() % kRefusals.size()];
            fault.delay = std::chrono::milliseconds(1 + random() % kLongestDelayMs);
            break;
    }
    return fault;
}

}  // namespace

FaultInjector::FaultInjector(card::FaultTable& table) : m_table(table) {}

void FaultInjector::Change(std::mt19937& random) {
    std::size_t slot = random() % m_faults.size();
    card::Fault fault;
    if (std::bernoulli_distribution(kSetShare)(random)) {
        fault = RandomFault(random);
    } else {
        // Lifts the first fault in force from a random slot on, if there is one.
        std::size_t tries = 0;
        while (!::InForce(m_faults[slot]) && ++tries < m_faults.size())
            slot = (slot + 1) % m_faults.size();
    }
    const RequestKey& key = kRequestKeys[slot / 2];
    // The card keeps the first matching fault; each slot has a key of its own, so setting a
    // harmless fault under the same key lifts the old one.
    m_table.Set({key.set, key.id, key.flags, static_cast<int>(slot % 2) + 1}, fault);
    m_faults[slot] = fault;
}

bool FaultInjector::Refuses(CardRequest request, int tuner) const {
    return FAILED(At(request, tuner).refuse);
}

std::optional<std::uint32_t> FaultInjector::ShortAnswer(CardRequest request, int tuner) const {
    return At(request, tuner).shortAnswer;
}

std::size_t FaultInjector::InForce() const {
    std::size_t count = 0;
    for (const card::Fault& fault : m_faults) count += ::InForce(fault) ? 1 : 0;
    return count;
}

const card::Fault& FaultInjector::At(CardRequest request, int tuner) const {
    return m_faults[static_cast<std::size_t>(request) * 2 + static_cast<std::size_t>(tuner - 1)];
}
