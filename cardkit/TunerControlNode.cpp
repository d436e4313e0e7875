#include "cardkit/TunerControlNode.h"

namespace cardkit {

TunerControlNode::TunerControlNode(std::shared_ptr<TunerDevice> tuner, std::uint32_t nodeType)
    : m_tuner(std::move(tuner)), m_nodeType(nodeType) {}

bool TunerControlNode::Supports(const IID& iid) const {
    if (m_nodeType == kRfTunerNode) return true;
    return iid == IBDA_DigitalDemodulator::iid || iid == IBDA_StreamSelection::iid ||
           iid == IBDA_SignalStatistics::iid || iid == IUnknown::iid;
}

HRESULT TunerControlNode::Edit(const std::function<void(TuningSettings&)>& edit) {
    m_tuner->EditSettings(edit);
    return S_OK;
}

HRESULT TunerControlNode::put_Frequency(std::uint32_t frequency) {
    return Edit([&](TuningSettings& s) { s.frequency = frequency; });
}

HRESULT TunerControlNode::put_Polarity(::Polarisation polarity) {
    if (polarity < BDA_POLARISATION_NOT_SET || polarity > BDA_POLARISATION_CIRCULAR_R)
        return E_INVALIDARG;
    return Edit([&](TuningSettings& s) { s.polarity = polarity; });
}

// The front end's filters follow the symbol rate; range and bandwidth are not needed.
HRESULT TunerControlNode::put_Range(std::uint64_t) {
    return S_OK;
}
HRESULT TunerControlNode::put_Bandwidth(std::uint32_t) {
    return S_OK;
}

HRESULT TunerControlNode::put_FrequencyMultiplier(std::uint32_t multiplier) {
    if (multiplier == 0) return E_INVALIDARG;
    return Edit([&](TuningSettings& s) { s.multiplier = multiplier; });
}

HRESULT TunerControlNode::get_SignalStrength(std::int32_t* strength) {
    if (!strength) return E_POINTER;
    *strength = m_tuner->Driver().SignalStrength();
    return S_OK;
}

HRESULT TunerControlNode::get_SignalQuality(std::int32_t* quality) {
    if (!quality) return E_POINTER;
    *quality = m_tuner->Driver().SignalQuality();
    return S_OK;
}

HRESULT TunerControlNode::put_LocalOscilatorFrequencyLowBand(std::uint32_t frequencyKHz) {
    return Edit([&](TuningSettings& s) { s.lowOscillatorKHz = frequencyKHz; });
}

HRESULT TunerControlNode::put_LocalOscilatorFrequencyHighBand(std::uint32_t frequencyKHz) {
    return Edit([&](TuningSettings& s) { s.highOscillatorKHz = frequencyKHz; });
}

HRESULT TunerControlNode::put_HighLowSwitchFrequency(std::uint32_t frequencyKHz) {
    return Edit([&](TuningSettings& s) { s.switchKHz = frequencyKHz; });
}

HRESULT TunerControlNode::put_SymbolRate(std::uint32_t symbolRate) {
    return Edit([&](TuningSettings& s) { s.symbolRate = symbolRate; });
}

HRESULT TunerControlNode::put_SignalSystem(::DvbsSystem system) {
    if (system != DVBS_SYSTEM_NOT_SET && system != DVBS_SYSTEM_DVBS && system != DVBS_SYSTEM_DVBS2)
        return E_INVALIDARG;
    return Edit([&](TuningSettings& s) { s.system = system; });
}

HRESULT TunerControlNode::put_InputStreamId(std::int32_t streamId) {
    if (streamId < kInputStreamNotSet || streamId > kMaxInputStreamIdValue) return E_INVALIDARG;
    return Edit([&](TuningSettings& s) { s.inputStreamId = streamId; });
}

HRESULT TunerControlNode::put_PlsCode(std::int32_t goldCode) {
    if (goldCode < kPlsCodeNotSet || goldCode > kMaxPlsCodeValue) return E_INVALIDARG;
    return Edit([&](TuningSettings& s) { s.plsCode = goldCode; });
}

HRESULT TunerControlNode::get_LockedSystem(::DvbsSystem* system) {
    if (!system) return E_POINTER;
    *system = m_tuner->Driver().LockedSystem();
    return S_OK;
}

HRESULT TunerControlNode::put_EnableDiseqCommands(bool enable) {
    return Edit([&](TuningSettings& s) { s.diseqcEnabled = enable; });
}

HRESULT TunerControlNode::put_DiseqLNBSource(std::uint32_t lnbSource) {
    if (lnbSource > 4) return E_INVALIDARG;
    return Edit([&](TuningSettings& s) { s.lnbSource = lnbSource; });
}

}  // namespace cardkit
