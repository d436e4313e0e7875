// The CI slots of a real card as the backend found them: every CA device of an adapter whose
// slot speaks the link layer, with its slot thread (started here, joined when the last holder
// lets go), and per tuner of that adapter the descrambler that asks the module for what the
// tuner receives (the tuners of a slot share its single-transponder route). One CI device
// results per (CA device, tuner of its adapter): both tuners' CI filters reach the one module.
//
// Thread-safety: the lists do not change after construction; what they hold is thread-safe.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "linuxdvb/DeviceScan.h"
#include "linuxdvb/DvbIo.h"
#include "linuxdvb/ServiceDescrambler.h"
#include "linuxdvb/en50221/CamSlot.h"

namespace linuxdvb {

struct CiDevice {
    std::string caPath;
    int tuner = 0;  // 1-based, as the card's tuners
    std::shared_ptr<en50221::CamSlot> slot;
    std::shared_ptr<ServiceDescrambler> descrambler;
};

// Looks for CA devices beside the frontends (tuner n is frontends[n - 1]). A device another
// program holds is tried again until it opens; one that does not open otherwise, or has no
// link-layer slot, is left out.
std::vector<CiDevice> FindCiDevices(const std::shared_ptr<DvbIo>& io,
                                    const std::vector<FoundFrontend>& frontends);

// "<ca path> Orvalen CI <tuner> <the CI marker of that tuner>", the name card filter discovery
// recognises.
std::u16string CiDisplayName(const CiDevice& device);

}  // namespace linuxdvb
