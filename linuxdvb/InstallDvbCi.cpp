#include "linuxdvb/InstallDvbCi.h"

#include "cardkit/CardDevices.h"
#include "cardkit/CiFilterShell.h"
#include "linuxdvb/CamCiDriver.h"

namespace linuxdvb {

std::vector<CiDevice> InstallDvbCi(const std::shared_ptr<DvbIo>& io,
                                   const std::vector<FoundFrontend>& frontends) {
    auto devices = FindCiDevices(io, frontends);
    for (const CiDevice& device : devices) {
        auto ci = std::make_shared<cardkit::CiDevice>();
        ci->tuner = device.tuner;
        ci->driver = std::make_shared<CamCiDriver>(device.slot, device.descrambler);
        cardkit::RegisterCiDevice(CiDisplayName(device), std::move(ci));
    }
    return devices;
}

}  // namespace linuxdvb
