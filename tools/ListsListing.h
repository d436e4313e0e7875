// The listing printed by orvalen-lists: what Orvalen makes of the list files in the working
// directory, slot by slot, with each channel's command id and tuning values (and its system,
// input stream and scrambling code when the list gives any of them).
#pragma once

#include <ostream>

namespace orvalen {

// Loads "SatelliteList.csv" and each slot's channel list exactly as the program does and
// writes the listing to `out`. When `why` is given, each dropped line and each list file that
// gives no table is written there with the reason.
void WriteListsListing(std::ostream& out, std::ostream* why);

}  // namespace orvalen
