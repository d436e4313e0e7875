#include "card/ControlNode.h"

#include "cardkit/TunerTopology.h"

namespace card {

using cardkit::kRfTunerNode;

ControlNode::ControlNode(std::shared_ptr<SimulatedCard> card, int tuner, std::uint32_t nodeType)
    : m_card(std::move(card)), m_tuner(tuner), m_nodeType(nodeType) {}

bool ControlNode::Supports(const IID& iid) const {
    if (m_nodeType == kRfTunerNode) return true;
    return iid == IBDA_DigitalDemodulator::iid || iid == IBDA_SignalStatistics::iid ||
           iid == IUnknown::iid;
}

HRESULT ControlNode::Edit(const std::function<void(TunerSettings&)>& edit) {
    m_card->EditSettings(m_tuner, edit);
    return S_OK;
}

HRESULT ControlNode::put_Frequency(std::uint32_t frequency) {
    return Edit([&](TunerSettings& s) { s.frequency = frequency; });
}

HRESULT ControlNode::put_Polarity(::Polarisation polarity) {
    if (polarity < BDA_POLARISATION_NOT_SET || polarity > BDA_POLARISATION_CIRCULAR_R)
        return E_INVALIDARG;
    return Edit([&](TunerSettings& s) { s.polarity = polarity; });
}

// The front end's filters follow the symbol rate; range and bandwidth are not needed.
HRESULT ControlNode::put_Range(std::uint64_t) { return S_OK; }
HRESULT ControlNode::put_Bandwidth(std::uint32_t) { return S_OK; }

HRESULT ControlNode::put_FrequencyMultiplier(std::uint32_t multiplier) {
    if (multiplier == 0) return E_INVALIDARG;
    return Edit([&](TunerSettings& s) { s.multiplier = multiplier; });
}

HRESULT ControlNode::get_SignalStrength(std::int32_t* strength) {
    if (!strength) return E_POINTER;
    *strength = m_card->SignalStrength(m_tuner);
    return S_OK;
}

HRESULT ControlNode::get_SignalQuality(std::int32_t* quality) {
    if (!quality) return E_POINTER;
    *quality = m_card->SignalQuality(m_tuner);
    return S_OK;
}

HRESULT ControlNode::put_LocalOscilatorFrequencyLowBand(std::uint32_t frequencyKHz) {
    return Edit([&](TunerSettings& s) { s.lowOscillatorKHz = frequencyKHz; });
}

HRESULT ControlNode::put_LocalOscilatorFrequencyHighBand(std::uint32_t frequencyKHz) {
    return Edit([&](TunerSettings& s) { s.highOscillatorKHz = frequencyKHz; });
}

HRESULT ControlNode::put_HighLowSwitchFrequency(std::uint32_t frequencyKHz) {
    return Edit([&](TunerSettings& s) { s.switchKHz = frequencyKHz; });
}

HRESULT ControlNode::put_SymbolRate(std::uint32_t symbolRate) {
    return Edit([&](TunerSettings& s) { s.symbolRate = symbolRate; });
}

HRESULT ControlNode::put_EnableDiseqCommands(bool enable) {
    return Edit([&](TunerSettings& s) { s.diseqcEnabled = enable; });
}

HRESULT ControlNode::put_DiseqLNBSource(std::uint32_t lnbSource) {
    if (lnbSource > 4) return E_INVALIDARG;
    return Edit([&](TunerSettings& s) { s.lnbSource = lnbSource; });
}

}  // namespace card
