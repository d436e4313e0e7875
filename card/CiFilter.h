// The card's CI filter for one tuner: between the tuner's capture filter and the program's
// demultiplexer. Scrambled packets pass through the CAM, which hands them back in the clear
// when the slot's routing mode lets it serve this tuner; otherwise they pass unchanged. Its
// IKsControl carries the CI property set and the MMI methods; both CI filters reach the one CAM.
#pragma once

#include <memory>

#include "card/SimulatedCard.h"
#include "platform/FilterBase.h"
#include "platform/KsInterfaces.h"

namespace card {

class CiFilter : public FilterBase, public IKsControl {
public:
    CiFilter(std::shared_ptr<SimulatedCard> card, int tuner);

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override;
    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned) override;

    // On the capture filter's streaming thread.
    HRESULT Pass(const MediaBuffer& buffer);

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
    std::shared_ptr<PinBase> m_output;
};

}  // namespace card
