// Makes the simulated card's devices known in the system's device categories, as its driver
// does when it loads: two tuner filters as network tuners, two capture and two CI filters as
// receiver components (or the devices the configuration names, in its order), each the shared
// filter shell over the card's drivers. Each bind makes a new filter object; all of them share
// the returned card, through which tests read what the driver saw and inject faults (every
// request passes the card's fault table once the shell has checked it).
#pragma once

#include <memory>
#include <string>

#include "card/CardConfig.h"
#include "card/SimulatedCard.h"

namespace card {

std::shared_ptr<SimulatedCard> InstallSimulatedCard(CardConfig config = {});

// Display name of a device, e.g. "simulated/frontend1 Orvalen DVB-S2 Tuner 2".
std::u16string DeviceDisplayName(const DeviceSpec& device);

// A CI filter object of `card` for tuner `tuner`, as its CI device makes one per bind.
std::shared_ptr<IUnknown> NewCiFilter(const std::shared_ptr<SimulatedCard>& card, int tuner);

}  // namespace card
