// The sky the card ships with: four satellites whose plans are the files in card/sky/. Every
// channel of the example channel lists lies on one of their transponders, so each one locks.
#include <cstdio>

#include "card/DefaultSkyPlans.h"
#include "card/SatellitePlan.h"
#include "card/Sky.h"

namespace card {

Sky DefaultSky() {
    Sky sky;
    for (std::size_t i = 0; i < kDefaultSkyPlans.size(); ++i) {
        std::string error;
        if (auto satellite = ReadSatellitePlan(kDefaultSkyPlans[i], error))
            sky.positions[i] = std::move(*satellite);
        else  // a broken plan file: that position stays empty rather than the card failing
            std::fprintf(stderr, "card: plan of DiSEqC position %c, %s\n",
                         static_cast<char>('A' + i), error.c_str());
    }
    return sky;
}

}  // namespace card
