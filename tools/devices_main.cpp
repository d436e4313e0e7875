// orvalen-devices: shows how a card is set up for Orvalen: which card it drives (with the same
// --card, --dvb-frontends and ORVALEN_CARD as orvalen), the devices it will find and why any
// DVB frontend is left out.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "Version.h"
#include "app/CommandLine.h"
#include "app/InstallCard.h"
#include "platform/ClassIds.h"
#include "tools/DevicesListing.h"

int main(int argc, char** argv) {
    const orvalen::CommandLine line =
        orvalen::ParseCommandLine(argc, argv, std::getenv("ORVALEN_CARD"));
    if (!line.error.empty()) {
        std::fprintf(stderr, "orvalen-devices: %s\n", line.error.c_str());
        return 2;
    }
    if (line.help) {
        std::cout << orvalen::Usage("orvalen-devices",
                                    "Lists the card and devices that orvalen, given the same "
                                    "options, will drive.",
                                    false);
        return 0;
    }
    if (line.version) {
        std::cout << "orvalen-devices " << orvalen::kVersion << "\n";
        return 0;
    }
    RegisterStandInClasses();
    // A listing must not disturb a program that uses the card: nothing is opened read-write.
    orvalen::WriteDevicesListing(
        std::cout, orvalen::InstallCard(line, "/dev/dvb", linuxdvb::FrontendUse::Look));
    return 0;
}
