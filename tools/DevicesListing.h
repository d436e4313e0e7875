// What orvalen-devices prints: the card in use (and why), the devices of each category that
// the program will look through (display names, and every pin's mediums), and the frontends
// that were skipped with the reason.
#pragma once

#include <ostream>

#include "app/InstallCard.h"

namespace orvalen {

void WriteDevicesListing(std::ostream& out, const InstalledCard& installed);

}  // namespace orvalen
