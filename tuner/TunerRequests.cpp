// Requests to the tuner's control node: the BDA DiSEqC properties, the single-cable
// configuration and the spectrum steps. They come from the worker and from the user-interface
// thread without any lock; the driver accepts them concurrently.
#include "tuner/DriverRequest.h"
#include "tuner/TunerGraph.h"
#include "tuner/driver/DiseqcSend.h"
#include "tuner/driver/DriverWord.h"
#include "tuner/driver/PropertySets.h"
#include "tuner/driver/ScifConfig.h"
#include "tuner/driver/SpectrumStepRequest.h"

namespace {

// Without the tuner's control (construction stopped before it was found) there is nothing to
// send the request to.
template <std::size_t N>
HRESULT SetTunerProperty(const std::shared_ptr<IKsControl>& control, std::int32_t node,
                         const GUID& set, std::uint32_t id, std::array<std::uint8_t, N> data) {
    if (!control) return E_POINTER;
    std::uint32_t returned = 0;
    return SendNodeProperty(*control, node, set, id, KSPROPERTY_TYPE_SET, data, &returned);
}

}  // namespace

HRESULT TunerGraph::SetDiseqcEnable(bool on) {
    return SetTunerProperty(m_tunerControl, m_controlNode, KSPROPSETID_BdaDiseqCommand,
                            KSPROPERTY_BDA_DISEQC_ENABLE, EncodeDriverWord(on ? 1 : 0));
}

HRESULT TunerGraph::SetDiseqcLnbSource(std::uint32_t source) {
    return SetTunerProperty(m_tunerControl, m_controlNode, KSPROPSETID_BdaDiseqCommand,
                            KSPROPERTY_BDA_DISEQC_LNB_SOURCE, EncodeDriverWord(source));
}

// The message goes out exactly as typed, framing byte included; nothing is read back.
HRESULT TunerGraph::SendDiseqc(std::uint32_t length, const std::uint8_t* bytes) {
    if (!bytes) return E_INVALIDARG;
    const std::optional<BDA_DISEQC_SEND> send = MakeDiseqcSend({bytes, length});
    if (!send) return E_INVALIDARG;
    return SetTunerProperty(m_tunerControl, m_controlNode, KSPROPSETID_BdaDiseqCommand,
                            KSPROPERTY_BDA_DISEQC_SEND, EncodeDiseqcSend(*send));
}

HRESULT TunerGraph::SetScif(std::uint8_t index, std::uint32_t frequencyMHz, std::uint32_t pin,
                            std::uint32_t protocol) {
    if (m_ready == 0) return S_FALSE;
    return SetTunerProperty(
        m_tunerControl, m_controlNode, KSPROPSETID_CardTuner, CARD_TUNER_SCIF,
        EncodeScifConfig(ScifConfig::Enable(index, frequencyMHz, pin, protocol)));
}

HRESULT TunerGraph::ClearScif() {
    if (m_ready == 0) return S_FALSE;
    return SetTunerProperty(m_tunerControl, m_controlNode, KSPROPSETID_CardTuner, CARD_TUNER_SCIF,
                            EncodeScifConfig(ScifConfig::Disable()));
}

// Only a complete 16-byte answer is copied out; anything shorter yields 1 and leaves the
// outputs as the caller set them, which the caller reads as single-cable operation off.
HRESULT TunerGraph::GetScif(std::uint8_t* index, std::uint32_t* frequencyMHz, std::uint32_t* pin,
                            std::uint32_t* protocol) {
    if (m_ready == 0) return S_FALSE;
    if (!m_tunerControl) return E_POINTER;
    if (!index || !frequencyMHz || !pin) return E_INVALIDARG;
    std::array<std::uint8_t, kScifConfigSize> answer{};
    std::uint32_t returned = 0;
    const HRESULT hr = SendNodeProperty(*m_tunerControl, m_controlNode, KSPROPSETID_CardTuner,
                                        CARD_TUNER_SCIF, KSPROPERTY_TYPE_GET, answer, &returned);
    if (FAILED(hr)) return hr;
    if (returned != kScifConfigSize) return S_FALSE;
    const ScifConfig config = DecodeScifConfig(answer);
    *index = static_cast<std::uint8_t>(config.userBand);
    *frequencyMHz = config.frequencyMHz;
    *pin = config.pin;
    if (protocol) *protocol = config.protocol;
    return hr;
}

HRESULT TunerGraph::MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle) {
    if (m_ready == 0) return S_FALSE;
    SpectrumStepRequest request;
    request.frequencyHz = frequencyHz;
    request.settle = settle;
    return SetTunerProperty(m_tunerControl, m_controlNode, KSPROPSETID_CardTuner,
                            CARD_TUNER_SPECTRUM_STEP, EncodeSpectrumStepRequest(request));
}
