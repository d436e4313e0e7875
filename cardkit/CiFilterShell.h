// A card's CI filter for one tuner, whichever driver plays the card: it sits between the
// tuner's capture filter (its input accepts only that capture's CI link) and the program's
// demultiplexer, and answers the CI property set (CAM name, routing mode) and the MMI method
// set. Every request is checked (header, set, id, flags, exact data length, values) before the
// CiDriver sees it; a malformed one is refused with the code a driver gives and reaches nobody.
// The stream passes on unchanged, or through the driver's stream hook where the driver
// descrambles in the CI path itself.
//
// Thread-safety: requests from any thread; buffers arrive on the capture's streaming thread.
#pragma once

#include <functional>
#include <memory>

#include "cardkit/CiDriver.h"
#include "cardkit/RequestStage.h"
#include "platform/FilterBase.h"
#include "platform/KsInterfaces.h"

namespace cardkit {

// What passes a CI filter: takes a buffer of whole packets, returns the one to hand on (the
// same buffer to leave it as it is; never changes the buffer it got, which others may share).
// Called on the capture filter's streaming thread.
using CiStreamHook = std::function<MediaBuffer(const MediaBuffer& buffer)>;

// One tuner's CI device as its driver publishes it. Immutable once published.
struct CiDevice {
    int tuner = 1;  // 1, 2, ...
    std::shared_ptr<CiDriver> driver;
    std::shared_ptr<RequestStage> stage;  // may be empty
    CiStreamHook streamHook;              // empty: a plain pass-through
};

class CiFilterShell : public FilterBase, public IKsControl {
public:
    explicit CiFilterShell(std::shared_ptr<const CiDevice> device);
    // A plain pass-through CI filter without a stage.
    CiFilterShell(std::shared_ptr<CiDriver> driver, int tuner);

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override;
    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned) override;

    // On the capture filter's streaming thread.
    HRESULT Pass(const MediaBuffer& buffer);

private:
    const std::shared_ptr<const CiDevice> m_device;
    std::shared_ptr<PinBase> m_output;
};

}  // namespace cardkit
