#include "cardkit/CardDevices.h"

#include <iterator>

#include "cardkit/CaptureFilterShell.h"
#include "cardkit/CardIds.h"
#include "cardkit/TunerFilterShell.h"
#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"

namespace cardkit {

void RegisterTunerDevice(std::u16string displayName, std::shared_ptr<TunerDevice> tuner) {
    RegisterDevice(
        KSCATEGORY_BDA_NETWORK_TUNER,
        {std::move(displayName), [tuner] { return std::make_shared<TunerFilterShell>(tuner); }});
}

void RegisterCaptureDevice(std::u16string displayName, int tuner, StreamSourceFactory newSource) {
    RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                   {std::move(displayName), [tuner, newSource] {
                        return std::make_shared<CaptureFilterShell>(tuner, newSource());
                    }});
}

void RegisterCiDevice(std::u16string displayName, std::shared_ptr<const CiDevice> ci) {
    RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                   {std::move(displayName), [ci] { return std::make_shared<CiFilterShell>(ci); }});
}

std::u16string CiDisplayName(std::u16string_view name, int tuner) {
    // The program knows a marker for two CI devices only; a card with more tuners still lists
    // the others, without one, so they are never taken for the first two.
    if (tuner < 1 || tuner > static_cast<int>(std::size(kCiDeviceMarker)))
        return std::u16string(name);
    return std::u16string(name) + u" " + kCiDeviceMarker[tuner - 1];
}

}  // namespace cardkit
