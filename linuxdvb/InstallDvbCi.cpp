#include "linuxdvb/InstallDvbCi.h"

#include "cardkit/CiFilterShell.h"
#include "linuxdvb/CamCiDriver.h"
#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"

namespace linuxdvb {

std::vector<CiDevice> InstallDvbCi(const std::shared_ptr<DvbIo>& io,
                                   const std::vector<FoundFrontend>& frontends) {
    auto devices = FindCiDevices(io, frontends);
    for (const CiDevice& device : devices) {
        const auto driver = std::make_shared<CamCiDriver>(device.slot, device.descrambler);
        const int tuner = device.tuner;
        RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                       {CiDisplayName(device), [driver, tuner] {
                            return std::make_shared<cardkit::CiFilterShell>(driver, tuner);
                        }});
    }
    return devices;
}

}  // namespace linuxdvb
