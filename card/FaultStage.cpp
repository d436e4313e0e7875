#include "card/FaultStage.h"

#include <algorithm>
#include <thread>

namespace card {

FaultStage::FaultStage(std::shared_ptr<const FaultTable> faults) : m_faults(std::move(faults)) {}

HRESULT FaultStage::Handle(int tuner, const cardkit::KsRequest& request, const CarryOut& carryOut,
                           std::uint32_t* bytesReturned) {
    const auto fault = m_faults->Find(request.set, request.id, request.flags, tuner);
    if (fault && fault->delay.count() > 0) std::this_thread::sleep_for(fault->delay);
    if (fault && FAILED(fault->refuse)) return fault->refuse;
    const HRESULT hr = carryOut(bytesReturned);
    if (SUCCEEDED(hr) && fault && fault->shortAnswer)
        *bytesReturned = std::min(*bytesReturned, *fault->shortAnswer);
    return hr;
}

}  // namespace card
