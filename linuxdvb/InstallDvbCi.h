// Makes a real card's CI slots known in the system's device categories, as the card's driver
// does when it loads: per CA device with a link-layer slot and tuner of its adapter, a CI
// filter among the receiver components, named so that card filter discovery recognises it,
// passing the stream from that tuner's capture filter on to the demultiplexer. The slots'
// threads start here.
//
// Call once at start-up (from the card's installation or a test), before any graph is built.
#pragma once

#include <memory>
#include <vector>

#include "linuxdvb/DvbCi.h"

namespace linuxdvb {

// What was registered (tuner n is frontends[n - 1]); the slots live while anything holds them
// or a filter bound from their devices.
std::vector<CiDevice> InstallDvbCi(const std::shared_ptr<DvbIo>& io,
                                   const std::vector<FoundFrontend>& frontends);

}  // namespace linuxdvb
