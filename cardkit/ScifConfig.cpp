#include "cardkit/ScifConfig.h"

namespace cardkit {

bool IsValidScif(const ScifConfig& config) {
    if (config.protocol != kScifEn50494 && config.protocol != kScifEn50607) return false;
    if (config.userBand == kScifUnset && config.frequencyMHz == kScifUnset &&
        config.pin == kScifUnset)
        return true;
    // User band 255 is stored as sent and means "off", as for a slot the user left at 0.
    return (config.Enabled() || config.userBand == kScifBandOff) && config.frequencyMHz >= 950 &&
           config.frequencyMHz <= 2150 && (config.pin <= 255 || config.pin == kScifUnset);
}

}  // namespace cardkit
