// The card's tuner filter for one tuner: an input pin that only a network provider may
// connect to (it carries the tuner's kernel-streaming requests), an output pin whose mediums
// tell the tuners apart and lead to the tuner's own capture filter, the BDA topology with its
// control nodes, and device control that commits a tune.
#pragma once

#include <memory>

#include "card/SimulatedCard.h"
#include "platform/BdaInterfaces.h"
#include "platform/FilterBase.h"

namespace card {

class TunerFilter : public FilterBase, public IBDA_Topology, public IBDA_DeviceControl {
public:
    TunerFilter(std::shared_ptr<SimulatedCard> card, int tuner);

    HRESULT GetNodeTypes(std::uint32_t* nodeTypeCount, std::uint32_t maxNodeTypes,
                         std::uint32_t* nodeTypes) override;
    HRESULT GetControlNode(std::uint32_t inputPinId, std::uint32_t outputPinId,
                           std::uint32_t nodeType,
                           std::shared_ptr<IUnknown>* controlNode) override;

    HRESULT StartChanges() override;
    HRESULT CheckChanges() override;
    HRESULT CommitChanges() override;

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
};

}  // namespace card
