// A tuner filter as every driver of the card presents it: an input pin that only a network
// provider may connect to (its IKsControl carries the tuner's checked requests), an output pin
// whose mediums tell the tuners apart and lead to the tuner's own capture filter, the BDA
// topology with its control nodes, and device control whose commit hands the tuner's settings
// to the driver.
#pragma once

#include <memory>

#include "cardkit/TunerDevice.h"
#include "platform/BdaInterfaces.h"
#include "platform/FilterBase.h"

namespace cardkit {

class TunerFilterShell : public FilterBase, public IBDA_Topology, public IBDA_DeviceControl {
public:
    explicit TunerFilterShell(std::shared_ptr<TunerDevice> tuner);

    HRESULT GetNodeTypes(std::uint32_t* nodeTypeCount, std::uint32_t maxNodeTypes,
                         std::uint32_t* nodeTypes) override;
    HRESULT GetControlNode(std::uint32_t inputPinId, std::uint32_t outputPinId,
                           std::uint32_t nodeType, std::shared_ptr<IUnknown>* controlNode) override;

    HRESULT StartChanges() override;
    HRESULT CheckChanges() override;
    HRESULT CommitChanges() override;

protected:
    void OnRun() override;
    void OnStop() override;

private:
    const std::shared_ptr<TunerDevice> m_tuner;
};

}  // namespace cardkit
