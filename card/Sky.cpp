#include "card/Sky.h"

namespace card {

double UsefulBitRate(const Transponder& transponder) {
    const double bitsPerSymbol = transponder.modulation == Modulation::Dvbs2Psk8 ? 3.0 : 2.0;
    const double codeRate =
        static_cast<double>(transponder.codeRateNumerator) / transponder.codeRateDenominator;
    // DVB-S loses 16 of every 204 bytes to Reed-Solomon; DVB-S2 about 2 % to BCH and framing.
    const double outer = transponder.modulation == Modulation::DvbsQpsk ? 188.0 / 204.0 : 0.98;
    return transponder.symbolRate * 1000.0 * bitsPerSymbol * codeRate * outer;
}

}  // namespace card
