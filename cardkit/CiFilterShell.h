// A card's CI filter for one tuner, whichever driver plays the card: it sits between the
// tuner's capture filter (its input accepts only that capture's CI link) and the program's
// demultiplexer, passes the stream on, and answers the CI property set and the MMI method set.
// Every request is checked (header, set, id, flags, exact data length) before the CiDriver
// sees it; a malformed one is refused with the code a driver gives and reaches nobody.
//
// Thread-safety: requests from any thread; buffers arrive on the capture's streaming thread.
#pragma once

#include <functional>
#include <memory>

#include "cardkit/CiDriver.h"
#include "platform/FilterBase.h"
#include "platform/KsInterfaces.h"

namespace cardkit {

class CiFilterShell : public FilterBase, public IKsControl {
public:
    CiFilterShell(std::shared_ptr<CiDriver> driver, int tuner);

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override;
    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned) override;

private:
    HRESULT Property(std::uint32_t id, std::uint8_t* data, std::uint32_t* bytes);
    HRESULT Method(std::uint32_t id, std::uint8_t* data, std::uint32_t length,
                   std::uint32_t* bytes);

    const std::shared_ptr<CiDriver> m_driver;
    std::shared_ptr<PinBase> m_output;
};

}  // namespace cardkit
