#include "cardkit/TunerFilterShell.h"

#include <algorithm>

#include "cardkit/CardIds.h"
#include "cardkit/TunerControlNode.h"
#include "cardkit/TunerRequests.h"
#include "platform/KsInterfaces.h"
#include "platform/TuningInterfaces.h"

namespace cardkit {
namespace {

// Takes the antenna signal: only a network provider (a filter that offers ITuner) connects.
class TunerInputPin : public PinBase, public IBDA_PinControl, public IKsControl {
public:
    TunerInputPin(FilterBase& filter, std::shared_ptr<TunerDevice> tuner)
        : PinBase(filter, PINDIR_INPUT, u"Antenna In"), m_tuner(std::move(tuner)) {}

    HRESULT GetPinID(std::uint32_t* pinId) override {
        if (!pinId) return E_POINTER;
        *pinId = m_tuner->Topology().InputPinId();
        return S_OK;
    }

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        return TunerProperty(*m_tuner, property, propertyLength, data, dataLength, bytesReturned);
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
    const std::shared_ptr<TunerDevice> m_tuner;
};

// Carries the tuned transponder to the capture filter of the same tuner.
class TunerOutputPin : public PinBase, public IBDA_PinControl, public IKsPin {
public:
    TunerOutputPin(FilterBase& filter, std::shared_ptr<TunerDevice> tuner)
        : PinBase(filter, PINDIR_OUTPUT, u"MPEG2 Transport"), m_tuner(std::move(tuner)) {}

    HRESULT GetPinID(std::uint32_t* pinId) override {
        if (!pinId) return E_POINTER;
        *pinId = m_tuner->Topology().outputPinId;
        return S_OK;
    }

    HRESULT KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) override {
        if (!mediums) return E_POINTER;
        *mediums = m_tuner->Topology().outputMediums;
        mediums->push_back({kTunerCaptureLink, static_cast<std::uint32_t>(m_tuner->Tuner()), 0});
        return S_OK;
    }

private:
    const std::shared_ptr<TunerDevice> m_tuner;
};

}  // namespace

TunerFilterShell::TunerFilterShell(std::shared_ptr<TunerDevice> tuner) : m_tuner(std::move(tuner)) {
    AddPin(std::make_shared<TunerInputPin>(*this, m_tuner));
    AddPin(std::make_shared<TunerOutputPin>(*this, m_tuner));
}

HRESULT TunerFilterShell::GetNodeTypes(std::uint32_t* nodeTypeCount, std::uint32_t maxNodeTypes,
                                       std::uint32_t* nodeTypes) {
    if (!nodeTypeCount || (!nodeTypes && maxNodeTypes > 0)) return E_POINTER;
    const auto& types = m_tuner->Topology().nodeTypes;
    const auto n = std::min<std::size_t>(types.size(), maxNodeTypes);
    std::copy_n(types.begin(), n, nodeTypes);
    *nodeTypeCount = static_cast<std::uint32_t>(n);
    return S_OK;
}

HRESULT TunerFilterShell::GetControlNode(std::uint32_t inputPinId, std::uint32_t outputPinId,
                                         std::uint32_t nodeType,
                                         std::shared_ptr<IUnknown>* controlNode) {
    if (!controlNode) return E_POINTER;
    controlNode->reset();
    const TunerTopology& topology = m_tuner->Topology();
    const auto& types = topology.nodeTypes;
    if (inputPinId != topology.InputPinId() || outputPinId != topology.outputPinId ||
        std::find(types.begin(), types.end(), nodeType) == types.end())
        return E_INVALIDARG;
    *controlNode = std::make_shared<TunerControlNode>(m_tuner, nodeType);
    return S_OK;
}

// Settings take effect on commit; until then the front end stays where it is.
HRESULT TunerFilterShell::StartChanges() {
    return S_OK;
}
HRESULT TunerFilterShell::CheckChanges() {
    return S_OK;
}
HRESULT TunerFilterShell::CommitChanges() {
    return m_tuner->Commit();
}

void TunerFilterShell::OnRun() {
    m_tuner->Driver().StreamingChanged(true);
}
void TunerFilterShell::OnStop() {
    m_tuner->Driver().StreamingChanged(false);
}

}  // namespace cardkit
