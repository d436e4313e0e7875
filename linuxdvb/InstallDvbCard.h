// Makes a real card's satellite frontends known in the system's device categories, as the
// card's driver does when it loads: per frontend a tuner filter among the network tuners and a
// capture filter among the receiver components, with the display names and pin mediums that
// card filter discovery looks for (so the program finds them exactly as it finds any driver's).
// Nothing is registered when no frontend can be used.
//
// Call once at start-up (from main or a test), before any graph is built.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "linuxdvb/DvbCard.h"
#include "linuxdvb/DvbIo.h"
#include "linuxdvb/FrontendId.h"

namespace linuxdvb {

struct DvbCardOptions {
    std::string root = "/dev/dvb";
    // Frontends to use as tuners 1, 2, ... in this order; empty: every satellite frontend in
    // (adapter, frontend) order.
    std::vector<FrontendId> frontendOrder;
    // The kernel; empty means the real one.
    std::shared_ptr<DvbIo> io;
    // Multiplies the settle time of spectrum steps (1: the pace a real card needs).
    double settleScale = 1.0;
    // Look: only list what would be used; no frontend or CA device is opened read-write (a
    // CI slot would reset its module), so the card's CI slots are not registered.
    FrontendUse use = FrontendUse::Hold;
};

// What was found (tuner n is Frontends()[n - 1]) and skipped; the card lives as long as
// anything holds it or a filter bound from its devices.
std::shared_ptr<DvbCard> InstallDvbCard(const DvbCardOptions& options = {});

}  // namespace linuxdvb
