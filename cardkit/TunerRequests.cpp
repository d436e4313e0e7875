#include "cardkit/TunerRequests.h"

#include "cardkit/ByteOrder.h"
#include "cardkit/CardIds.h"
#include "platform/KsInterfaces.h"

namespace cardkit {
namespace {

constexpr std::uint32_t kScifSize = 16;
constexpr std::uint32_t kDiseqcSendSize = 16;  // a word, the length, up to 8 message bytes
constexpr std::uint32_t kDiseqcMaxLength = 8;

constexpr RequestRule kTunerRules[] = {
    {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_ENABLE, KSPROPERTY_TYPE_SET,
     kNodeHeaderLength, 4},
    {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_LNB_SOURCE, KSPROPERTY_TYPE_SET,
     kNodeHeaderLength, 4},
    {KSPROPSETID_BdaDiseqCommand, KSPROPERTY_BDA_DISEQC_SEND, KSPROPERTY_TYPE_SET,
     kNodeHeaderLength, kDiseqcSendSize},
    {KSPROPSETID_CardTuner, CARD_TUNER_SCIF, KSPROPERTY_TYPE_SET, kNodeHeaderLength, kScifSize},
    {KSPROPSETID_CardTuner, CARD_TUNER_SCIF, KSPROPERTY_TYPE_GET, kNodeHeaderLength, kScifSize},
    {KSPROPSETID_CardTuner, CARD_TUNER_SPECTRUM_STEP, KSPROPERTY_TYPE_SET, kNodeHeaderLength, 20},
};

// A spectrum step: the frequency to measure, the sweep's fixed step and marker words, and the
// settle value that stretches the step.
constexpr std::uint32_t kStepFirstHz = 950000000;
constexpr std::uint32_t kStepLastHz = 2150000000;
constexpr std::uint32_t kStepWidthHz = 2000000;
constexpr std::uint32_t kStepMarker = 0xFFFFFFFFu;
constexpr std::uint32_t kSettleMax = 10000;

HRESULT DiseqcProperty(TunerDevice& tuner, const KsRequest& request, const std::uint8_t* data) {
    if (request.id == KSPROPERTY_BDA_DISEQC_SEND) {
        const std::uint32_t length = ReadLe32(data + 4);
        if (length < 1 || length > kDiseqcMaxLength) return HRESULT_ERROR_INVALID_PARAMETER;
        return tuner.Driver().SendDiseqc({data + 8, length});
    }
    const std::uint32_t value = ReadLe32(data);
    if (request.id == KSPROPERTY_BDA_DISEQC_ENABLE) {
        if (value > 1) return HRESULT_ERROR_INVALID_PARAMETER;
        tuner.EditSettings([&](TuningSettings& s) { s.diseqcEnabled = value == 1; });
    } else {
        if (value < 1 || value > 4) return HRESULT_ERROR_INVALID_PARAMETER;
        tuner.EditSettings([&](TuningSettings& s) { s.lnbSource = value; });
    }
    return S_OK;
}

HRESULT SpectrumStep(TunerDevice& tuner, const std::uint8_t* data) {
    const std::uint32_t frequencyHz = ReadLe32(data);
    const std::uint32_t settle = ReadLe32(data + 16);
    if (frequencyHz < kStepFirstHz || frequencyHz > kStepLastHz ||
        ReadLe32(data + 4) != kStepWidthHz || ReadLe32(data + 8) != kStepMarker ||
        ReadLe32(data + 12) != 0 || settle > kSettleMax)
        return HRESULT_ERROR_INVALID_PARAMETER;
    return tuner.Driver().MeasureSpectrumStep(frequencyHz, settle);
}

HRESULT ScifProperty(TunerDevice& tuner, const KsRequest& request, std::uint8_t* data,
                     std::uint32_t* bytes) {
    if (request.flags == KSPROPERTY_TYPE_GET) {
        ScifConfig scif;
        if (const HRESULT hr = tuner.Driver().GetScif(&scif); FAILED(hr)) return hr;
        WriteLe32(data, scif.userBand);
        WriteLe32(data + 4, scif.frequencyMHz);
        WriteLe32(data + 8, scif.pin);
        WriteLe32(data + 12, scif.protocol);
        *bytes = kScifSize;
        return S_OK;
    }
    const ScifConfig scif{ReadLe32(data), ReadLe32(data + 4), ReadLe32(data + 8),
                          ReadLe32(data + 12)};
    if (!IsValidScif(scif)) return HRESULT_ERROR_INVALID_PARAMETER;
    return tuner.Driver().SetScif(scif);
}

}  // namespace

HRESULT TunerProperty(TunerDevice& tuner, const void* header, std::uint32_t headerLength,
                      void* data, std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return DispatchRequest(
        tuner.Tuner(), kTunerRules, tuner.Topology().ControlNodeId(), header, headerLength, data,
        dataLength, bytesReturned, tuner.Stage(),
        [&](const KsRequest& request, std::span<std::uint8_t> bytes, std::uint32_t* returned) {
            if (request.set == KSPROPSETID_BdaDiseqCommand)
                return DiseqcProperty(tuner, request, bytes.data());
            if (request.id == CARD_TUNER_SPECTRUM_STEP) return SpectrumStep(tuner, bytes.data());
            return ScifProperty(tuner, request, bytes.data(), returned);
        });
}

}  // namespace cardkit
