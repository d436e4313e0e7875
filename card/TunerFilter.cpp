#include "card/TunerFilter.h"

#include <algorithm>

#include "cardkit/CardIds.h"
#include "card/ControlNode.h"
#include "cardkit/KsRequest.h"
#include "platform/KsInterfaces.h"
#include "platform/TuningInterfaces.h"

namespace card {

using namespace cardkit;
namespace {

const TunerTopology& TopologyOf(const SimulatedCard& card, int tuner) {
    return card.Config().tuners[static_cast<std::size_t>(tuner - 1)];
}

std::uint32_t OutputPinId(const SimulatedCard& card, int tuner) {
    return TopologyOf(card, tuner).outputPinId;
}

std::uint32_t InputPinId(const SimulatedCard& card, int tuner) {
    return 1 - OutputPinId(card, tuner);
}

// Takes the antenna signal: only a network provider (a filter that offers ITuner) connects.
class TunerInputPin : public PinBase, public IBDA_PinControl, public IKsControl {
public:
    TunerInputPin(FilterBase& filter, std::shared_ptr<SimulatedCard> card, int tuner)
        : PinBase(filter, PINDIR_INPUT, u"Antenna In"), m_card(std::move(card)), m_tuner(tuner) {}

    HRESULT GetPinID(std::uint32_t* pinId) override {
        if (!pinId) return E_POINTER;
        *pinId = InputPinId(*m_card, m_tuner);
        return S_OK;
    }

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        return m_card->TunerProperty(m_tuner, property, propertyLength, data, dataLength,
                                     bytesReturned);
    }

    // The tuner has no methods.
    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void*, std::uint32_t,
                     std::uint32_t* bytesReturned) override {
        if (!bytesReturned) return E_POINTER;
        *bytesReturned = 0;
        if (!method || (methodLength != kPlainHeaderLength && methodLength != kNodeHeaderLength))
            return HRESULT_ERROR_INVALID_PARAMETER;
        return HRESULT_ERROR_SET_NOT_FOUND;
    }

protected:
    bool AcceptConnection(const std::shared_ptr<IPin>& connector) override {
        PIN_INFO info;
        if (FAILED(connector->QueryPinInfo(&info))) return false;
        return query<ITuner>(info.pFilter) != nullptr;
    }

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
};

// Carries the tuned transponder to the capture filter of the same tuner.
class TunerOutputPin : public PinBase, public IBDA_PinControl, public IKsPin {
public:
    TunerOutputPin(FilterBase& filter, std::shared_ptr<SimulatedCard> card, int tuner)
        : PinBase(filter, PINDIR_OUTPUT, u"MPEG2 Transport"),
          m_card(std::move(card)),
          m_tuner(tuner) {}

    HRESULT GetPinID(std::uint32_t* pinId) override {
        if (!pinId) return E_POINTER;
        *pinId = OutputPinId(*m_card, m_tuner);
        return S_OK;
    }

    HRESULT KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) override {
        if (!mediums) return E_POINTER;
        *mediums = TopologyOf(*m_card, m_tuner).outputMediums;
        mediums->push_back({kTunerCaptureLink, static_cast<std::uint32_t>(m_tuner), 0});
        return S_OK;
    }

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
};

}  // namespace

TunerFilter::TunerFilter(std::shared_ptr<SimulatedCard> card, int tuner)
    : m_card(std::move(card)), m_tuner(tuner) {
    AddPin(std::make_shared<TunerInputPin>(*this, m_card, m_tuner));
    AddPin(std::make_shared<TunerOutputPin>(*this, m_card, m_tuner));
}

HRESULT TunerFilter::GetNodeTypes(std::uint32_t* nodeTypeCount, std::uint32_t maxNodeTypes,
                                  std::uint32_t* nodeTypes) {
    if (!nodeTypeCount || (!nodeTypes && maxNodeTypes > 0)) return E_POINTER;
    const auto& types = TopologyOf(*m_card, m_tuner).nodeTypes;
    const auto n = std::min<std::size_t>(types.size(), maxNodeTypes);
    std::copy_n(types.begin(), n, nodeTypes);
    *nodeTypeCount = static_cast<std::uint32_t>(n);
    return S_OK;
}

HRESULT TunerFilter::GetControlNode(std::uint32_t inputPinId, std::uint32_t outputPinId,
                                    std::uint32_t nodeType,
                                    std::shared_ptr<IUnknown>* controlNode) {
    if (!controlNode) return E_POINTER;
    controlNode->reset();
    const auto& types = TopologyOf(*m_card, m_tuner).nodeTypes;
    if (inputPinId != InputPinId(*m_card, m_tuner) ||
        outputPinId != OutputPinId(*m_card, m_tuner) ||
        std::find(types.begin(), types.end(), nodeType) == types.end())
        return E_INVALIDARG;
    *controlNode = std::make_shared<ControlNode>(m_card, m_tuner, nodeType);
    return S_OK;
}

// Settings take effect on commit; until then the front end stays where it is.
HRESULT TunerFilter::StartChanges() { return S_OK; }
HRESULT TunerFilter::CheckChanges() { return S_OK; }
HRESULT TunerFilter::CommitChanges() { return m_card->CommitTune(m_tuner); }

}  // namespace card
