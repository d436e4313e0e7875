#include "linuxdvb/DvbCi.h"

#include <cerrno>
#include <map>

#include "cardkit/CardDevices.h"
#include "linuxdvb/CaDevice.h"

namespace linuxdvb {

std::vector<CiDevice> FindCiDevices(const std::shared_ptr<DvbIo>& io,
                                    const std::vector<FoundFrontend>& frontends) {
    std::map<std::string, std::vector<int>> tunersOfAdapter;
    for (std::size_t i = 0; i < frontends.size(); ++i)
        tunersOfAdapter[frontends[i].adapterPath].push_back(static_cast<int>(i) + 1);

    std::vector<CiDevice> devices;
    for (const auto& [adapter, tuners] : tunersOfAdapter) {
        for (const int number : Numbered(adapter, "ca")) {
            const std::string path = adapter + "/ca" + std::to_string(number);
            int error = 0;
            std::unique_ptr<en50221::CaLink> link = CaDevice::Open(io, path, &error);
            if (!link && error == -EBUSY) link = CaDevice::OpenWhenFree(io, path);
            if (!link) continue;
            const auto slot = std::make_shared<en50221::CamSlot>(std::move(link));
            const auto route = std::make_shared<SingleTransponderRoute>();
            for (const int tuner : tuners) {
                auto descrambler = std::make_shared<ServiceDescrambler>(slot, tuner, route);
                route->Watch(tuner, [weak = std::weak_ptr(descrambler)] {
                    if (const auto held = weak.lock()) held->RouteLost();
                });
                devices.push_back({path, tuner, slot, std::move(descrambler)});
            }
        }
    }
    return devices;
}

std::u16string CiDisplayName(const CiDevice& device) {
    const std::string name = device.caPath + " Orvalen CI " + std::to_string(device.tuner);
    return cardkit::CiDisplayName(std::u16string(name.begin(), name.end()), device.tuner);
}

}  // namespace linuxdvb
