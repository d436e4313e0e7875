// The tuner's kernel-streaming requests, addressed to its RF tuner node: the published DiSEqC
// command set and the card's own tuner set (single-cable configuration, spectrum steps).
#include <thread>

#include "cardkit/ByteOrder.h"
#include "cardkit/CardIds.h"
#include "card/SimulatedCard.h"
#include "platform/KsInterfaces.h"

namespace card {

using namespace cardkit;
namespace {

constexpr RequestRule kTunerRules[] = {
    {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_ENABLE, KSPROPERTY_TYPE_SET,
     kNodeHeaderLength, 4},
    {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_LNB_SOURCE, KSPROPERTY_TYPE_SET,
     kNodeHeaderLength, 4},
    {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, KSPROPERTY_TYPE_SET,
     kNodeHeaderLength, 16},
    {KSPROPSETID_CardTuner, CARD_TUNER_SCIF, KSPROPERTY_TYPE_SET, kNodeHeaderLength, 16},
    {KSPROPSETID_CardTuner, CARD_TUNER_SCIF, KSPROPERTY_TYPE_GET, kNodeHeaderLength, 16},
    {KSPROPSETID_CardTuner, CARD_TUNER_SPECTRUM_STEP, KSPROPERTY_TYPE_SET, kNodeHeaderLength, 20},
};

// A spectrum step: the frequency to measure, the sweep's fixed step and marker words, and the
// settle value that stretches the step.
constexpr std::uint32_t kStepFirstHz = 950000000;
constexpr std::uint32_t kStepLastHz = 2150000000;
constexpr std::uint32_t kStepWidthHz = 2000000;
constexpr std::uint32_t kStepMarker = 0xFFFFFFFFu;
constexpr std::uint32_t kSettleUnit = 50;
constexpr std::uint32_t kSettleMax = 10000;

ScifConfig ReadScif(const std::uint8_t* data) {
    return {ReadLe32(data), ReadLe32(data + 4), ReadLe32(data + 8), ReadLe32(data + 12)};
}

}  // namespace

HRESULT SimulatedCard::TunerProperty(int tuner, const void* header, std::uint32_t headerLength,
                                     void* data, std::uint32_t dataLength,
                                     std::uint32_t* bytesReturned) {
    return Dispatch(tuner, kTunerRules, ControlNodeId(tuner), header, headerLength, data,
                    dataLength, bytesReturned,
                    [&](const KsRequest& request, std::uint8_t* bytes, std::uint32_t,
                        std::uint32_t* returned) {
                        return HandleTunerRequest(tuner, request, bytes, returned);
                    });
}

HRESULT SimulatedCard::HandleTunerRequest(int tuner, const KsRequest& request,
                                          std::uint8_t* data, std::uint32_t* bytes) {
    if (request.set == KSPROPSETID_BdaDiseqCommand) {
        if (request.id == KSPROPERTY_BDA_DISEQC_SEND) return SendDiseqc(tuner, data);
        const std::uint32_t value = ReadLe32(data);
        if (request.id == KSPROPERTY_BDA_DISEQC_ENABLE) {
            if (value > 1) return HRESULT_ERROR_INVALID_PARAMETER;
            EditSettings(tuner, [&](TunerSettings& s) { s.diseqcEnabled = value == 1; });
        } else {
            if (value < 1 || value > 4) return HRESULT_ERROR_INVALID_PARAMETER;
            EditSettings(tuner, [&](TunerSettings& s) { s.lnbSource = value; });
        }
        return S_OK;
    }
    if (request.id == CARD_TUNER_SPECTRUM_STEP) return SpectrumStep(tuner, data);
    std::lock_guard lock(m_mutex);
    if (request.flags == KSPROPERTY_TYPE_GET) {
        const ScifConfig& scif = At(tuner).scif;
        WriteLe32(data, scif.userBand);
        WriteLe32(data + 4, scif.frequencyMHz);
        WriteLe32(data + 8, scif.pin);
        WriteLe32(data + 12, scif.reserved);
        *bytes = 16;
        return S_OK;
    }
    const ScifConfig scif = ReadScif(data);
    if (!IsValidScif(scif)) return HRESULT_ERROR_INVALID_PARAMETER;
    At(tuner).scif = scif;
    return S_OK;
}

HRESULT SimulatedCard::SendDiseqc(int tuner, const std::uint8_t* data) {
    const std::uint32_t length = ReadLe32(data + 4);
    if (length < 1 || length > 8) return HRESULT_ERROR_INVALID_PARAMETER;
    std::vector<std::uint8_t> message(data + 8, data + 8 + length);
    std::lock_guard lock(m_mutex);
    Tuner& t = At(tuner);
    if (const auto next = ApplyCommittedSwitch(message, t.lnb); next && !t.scif.Enabled()) {
        // The switch and LNB follow at once; the front end stays where it is.
        t.lnb = *next;
        t.receivedLnb = *next;
        t.locked = m_model.Lock(t.receivedLnb, t.receivedIfMHz, t.settings.symbolRate);
        ++t.generation;
    }
    Log(tuner, std::move(message));
    return S_OK;
}

HRESULT SimulatedCard::SpectrumStep(int tuner, const std::uint8_t* data) {
    const std::uint32_t frequencyHz = ReadLe32(data);
    const std::uint32_t settle = ReadLe32(data + 16);
    if (frequencyHz < kStepFirstHz || frequencyHz > kStepLastHz ||
        ReadLe32(data + 4) != kStepWidthHz || ReadLe32(data + 8) != kStepMarker ||
        ReadLe32(data + 12) != 0 || settle > kSettleMax)
        return HRESULT_ERROR_INVALID_PARAMETER;
    {
        std::lock_guard lock(m_mutex);
        Tuner& t = At(tuner);
        t.probing = true;
        t.probeIfMHz = frequencyHz / 1e6;
        ++t.generation;
    }
    // The front end needs its time to settle; other requests go on meanwhile.
    std::this_thread::sleep_for(m_config.spectrumStepTime * settle / kSettleUnit);
    return S_OK;
}

}  // namespace card
