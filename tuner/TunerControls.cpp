// The tuner filter's control interfaces: the IKsControl that carries the driver requests, and
// the control node that offers the frequency filter (its position is the node id of those
// requests) and the signal statistics that the worker polls.
#include <algorithm>

#include "tuner/TunerGraph.h"

namespace {

constexpr std::uint32_t kMaxNodeTypes = 32;
constexpr std::uint32_t kNoPinId = 0xFFFFFFFFu;

}  // namespace

HRESULT TunerGraph::FindTunerControls() {
    if (!m_tunerFilter) return E_FAIL;
    std::uint32_t outputPinId = kNoPinId;
    std::shared_ptr<IEnumPins> pins;
    if (SUCCEEDED(m_tunerFilter->EnumPins(&pins))) {
        std::shared_ptr<IPin> pin;
        std::uint32_t fetched = 0;
        PIN_INFO info;
        while (pins->Next(1, &pin, &fetched) == S_OK && SUCCEEDED(pin->QueryPinInfo(&info))) {
            if (info.dir == PINDIR_INPUT && !m_tunerControl) query(pin, m_tunerControl);
            std::shared_ptr<IBDA_PinControl> pinControl;
            std::uint32_t pinId = 0;
            if (query(pin, pinControl) == S_OK && pinControl->GetPinID(&pinId) == S_OK &&
                info.dir == PINDIR_OUTPUT) {
                outputPinId = pinId;
            }
        }
    }

    std::shared_ptr<IBDA_Topology> topology;
    if (FAILED(query(m_tunerFilter, topology))) return E_FAIL;
    m_controlNode = -1;
    std::uint32_t nodeTypes[kMaxNodeTypes] = {};
    std::uint32_t nodeTypeCount = 0;
    const HRESULT hr = topology->GetNodeTypes(&nodeTypeCount, kMaxNodeTypes, nodeTypes);
    if (hr != S_OK) return hr;

    // The path runs from the input pin to the output pin found above.
    const std::uint32_t inputPinId = 1 - outputPinId;
    const std::uint32_t listed = std::min(nodeTypeCount, kMaxNodeTypes);
    for (std::uint32_t i = 0; i < listed; ++i) {
        std::shared_ptr<IUnknown> node;
        if (topology->GetControlNode(inputPinId, outputPinId, nodeTypes[i], &node) != S_OK) {
            continue;
        }
        if (!m_signalStatistics.load()) {
            m_signalStatistics.store(query<IBDA_SignalStatistics>(node));
        }
        if (!m_frequencyFilter && query(node, m_frequencyFilter) == S_OK) {
            m_controlNode = static_cast<std::int32_t>(i);
        }
    }
    return S_OK;
}
