// Fault injection as a stage between the filter shells' checks and the simulated card's
// drivers: a well-formed request whose key a test entered in the card's fault table is delayed,
// refused, or answered with fewer bytes than it returned. Malformed requests never get here, so
// a fault changes only what a correct request sees.
#pragma once

#include <memory>

#include "card/FaultTable.h"
#include "cardkit/RequestStage.h"

namespace card {

class FaultStage : public cardkit::RequestStage {
public:
    explicit FaultStage(std::shared_ptr<const FaultTable> faults);

    HRESULT Handle(int tuner, const cardkit::KsRequest& request, const CarryOut& carryOut,
                   std::uint32_t* bytesReturned) override;

private:
    const std::shared_ptr<const FaultTable> m_faults;
};

}  // namespace card
