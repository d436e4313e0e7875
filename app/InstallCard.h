// Installs the card that the command line chooses, before the program looks for its devices:
// the Linux DVB backend, or the simulated card, or (auto) the backend when it finds a DVB-S/S2
// frontend and the simulated card otherwise. No Qt: orvalen-devices makes the same choice.
//
// Call once, from the thread that starts the program.
#pragma once

#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "card/SimulatedCard.h"
#include "linuxdvb/DvbCard.h"

namespace orvalen {

struct InstalledCard {
    // One line naming the card in use and why it was chosen.
    std::string description;
    std::shared_ptr<card::SimulatedCard> simulated;
    // What the backend found and skipped; also set when auto fell back to the simulated card.
    std::shared_ptr<linuxdvb::DvbCard> dvb;
    // Not empty when no card was installed: the simulated card's sky folder did not read (one
    // line naming the file and line).
    std::string error;
};

// `use`: Look for a listing (orvalen-devices), which opens no device read-write.
InstalledCard InstallCard(const CommandLine& line, const std::string& dvbRoot = "/dev/dvb",
                          linuxdvb::FrontendUse use = linuxdvb::FrontendUse::Hold);

}  // namespace orvalen
